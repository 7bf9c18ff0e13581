// The control panel and the Setup dialog in the in-memory window table, as
// the shell creates them, and a controller without ports or worker whose
// records a test fills.
#pragma once

#include "common/control_ids.h"
#include "common/text.h"
#include "engine/camera_controller.h"
#include "engine/panel_hooks.h"
#include "panel/panel_globals.h"
#include "platform/fakewin.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class PanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeReset();
    panel = hPage[0] = FakeCreateWindow(FAKE_WINDOW, nullptr, 0);
    hPage[1] = hPage[2] = nullptr;
    curPage = 0;
    CreatePanel();
    CreateSetupDialog();
    c.notifyQueue = &notifyQueue;
    c.requestQueue = &requestQueue;
    pController = &c;
  }

  void TearDown() override {
    pController = nullptr;
    hPage[0] = nullptr;
    hSetupDlg = hWbGroup = hEffectGroup = hNirGroup = hGammaGroup = hVideoGroup = nullptr;
    InstallPanelHooks(PanelHooks{});
    FakeReset();
  }

  // Cameras 1..n in the list and in the controller, every one of `model`.
  void AddCameras(int n, int32_t model) {
    HWND list = GetDlgItem(panel, IDC_CAMERA_LIST);
    for (int i = 0; i < n; i++) {
      std::string name = "Camera " + std::to_string(i + 1);
      SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
      c.cameras[i].modelCode = model;
      c.cameras[i].port = i / kMaxCamerasPerPort;
      c.cameras[i].address = i % kMaxCamerasPerPort + 1;
    }
    c.cameraCount = n;
  }

  void Select(int index) { SendDlgItemMessageA(panel, IDC_CAMERA_LIST, LB_SETCURSEL, static_cast<WPARAM>(index), 0); }

  std::vector<QueueMessage> Requests() {
    std::vector<QueueMessage> out;
    QueueMessage m;
    while (requestQueue.TryGet(m.cameraIndex, m.code, m.a, m.b)) out.push_back(m);
    return out;
  }

  static std::string Text(HWND parent, int id) { return FakeGetText(GetDlgItem(parent, id)); }
  static std::vector<std::string> History(HWND parent, int id) { return FakeTextHistory(GetDlgItem(parent, id)); }
  static int Pos(HWND parent, int id) { return static_cast<int>(SendDlgItemMessageA(parent, id, TBM_GETPOS, 0, 0)); }
  static int Min(HWND p, int id) { return static_cast<int>(SendDlgItemMessageA(p, id, TBM_GETRANGEMIN, 0, 0)); }
  static int Max(HWND p, int id) { return static_cast<int>(SendDlgItemMessageA(p, id, TBM_GETRANGEMAX, 0, 0)); }
  static int Ticks(HWND parent, int id) { return FakeTicFreq(GetDlgItem(parent, id)); }
  static bool Checked(HWND parent, int id) { return IsDlgButtonChecked(parent, id) == BST_CHECKED; }
  static bool Enabled(HWND parent, int id) { return IsWindowEnabled(GetDlgItem(parent, id)) != FALSE; }
  static void Check(HWND parent, int id, bool on) { CheckDlgButton(parent, id, on ? BST_CHECKED : BST_UNCHECKED); }
  static void Enable(HWND parent, int id, bool on) { EnableWindow(GetDlgItem(parent, id), on ? TRUE : FALSE); }
  static void SetPos(HWND parent, int id, int pos) { SendDlgItemMessageA(parent, id, TBM_SETPOS, TRUE, pos); }
  static void SetRange(HWND p, int id, int lo, int hi) {
    SendDlgItemMessageA(p, id, TBM_SETRANGE, 1, MAKELONG(lo, hi));
  }

  CameraController c;
  RequestQueue notifyQueue{kQueueCapacity};
  RequestQueue requestQueue{kQueueCapacity};
  HWND panel = nullptr;
  HWND setup = nullptr;
  HWND wbGroup = nullptr, effectGroup = nullptr, nirGroup = nullptr, gammaGroup = nullptr, videoGroup = nullptr;

 private:
  HWND Slider(HWND parent, int id, int lo, int hi, int pos, int ticks) {
    HWND bar = FakeCreateWindow(FAKE_TRACKBAR, parent, id);
    SetRange(parent, id, lo, hi);
    SetPos(parent, id, pos);
    SendMessageA(bar, TBM_SETTICFREQ, static_cast<WPARAM>(ticks), 0);
    return bar;
  }

  // Initial ranges, positions and captions of a freshly created panel.
  void CreatePanel() {
    Slider(panel, IDC_ZOOM_SLIDER, 0, 90, 50, 10);
    Slider(panel, IDC_BRIGHT_SLIDER, 5, 23, 16, 1);
    Slider(panel, IDC_FOCUS_SLIDER, 1, 99, 50, 5);
    Slider(panel, IDC_SHARP_SLIDER, 0, 15, 8, 1);
    Slider(panel, IDC_LEVEL_SLIDER, 0, 14, 7, 1);
    for (int id : {IDC_ZOOM_VALUE, IDC_BRIGHT_VALUE, IDC_FOCUS_VALUE, IDC_SHARP_VALUE, IDC_LEVEL_VALUE, IDC_STATUS})
      FakeCreateWindow(FAKE_EDIT, panel, id);
    FakeCreateWindow(FAKE_STATIC, panel, IDC_BRIGHT_LABEL, "Brightness");
    FakeCreateWindow(FAKE_STATIC, panel, IDC_LEVEL_LABEL, "Bright/Iris Level");
    for (int id : {IDC_POWER, IDC_EXPOSURE_AUTO, IDC_FOCUS_AUTO, IDC_IRIS, IDC_FREEZE, IDC_ZOOM_PLUS, IDC_ZOOM_MINUS})
      FakeCreateWindow(FAKE_BUTTON, panel, id);
    FakeCreateWindow(FAKE_LISTBOX, panel, IDC_CAMERA_LIST);
  }

  // Radio buttons and "NIR Vision" are children of their group box.
  void CreateSetupDialog() {
    setup = hSetupDlg = FakeCreateWindow(FAKE_WINDOW, nullptr, 0, "Setup");
    FakeCreateWindow(FAKE_BUTTON, setup, IDC_ROTATE, "Rotate ");
    wbGroup = hWbGroup = Group({IDC_WB_COLD, IDC_WB_WARM, IDC_WB_LED, IDC_WB_ONE_PUSH, IDC_WB_AUTO, IDC_WB_MANUAL});
    for (int id : {IDC_R_GAIN_LABEL, IDC_B_GAIN_LABEL}) FakeCreateWindow(FAKE_STATIC, setup, id);
    Slider(setup, IDC_R_GAIN_SLIDER, 0, 255, 50, 11);
    Slider(setup, IDC_B_GAIN_SLIDER, 0, 255, 50, 11);
    for (int id : {IDC_R_GAIN_VALUE, IDC_B_GAIN_VALUE}) FakeCreateWindow(FAKE_EDIT, setup, id);
    for (int id = IDC_SETUP_PRESET_1; id <= IDC_SETUP_PRESET_5; id++) FakeCreateWindow(FAKE_BUTTON, setup, id);
    effectGroup = hEffectGroup = Group({IDC_EFFECT_NORMAL, IDC_EFFECT_BW, IDC_EFFECT_NEGATIVE});
    nirGroup = hNirGroup = Group({IDC_NIR_VISION});
    gammaGroup = hGammaGroup = Group({IDC_GAMMA_NORMAL, IDC_GAMMA_TYPE1, IDC_GAMMA_TYPE2});
    std::vector<int> video;
    for (int id = IDC_VIDEO_1080I_5994; id <= IDC_VIDEO_1080P_25; id++) video.push_back(id);
    videoGroup = hVideoGroup = Group(video);
  }

  HWND Group(const std::vector<int>& ids) {
    HWND group = FakeCreateWindow(FAKE_BUTTON, setup, 0);
    for (int id : ids) FakeCreateWindow(FAKE_BUTTON, group, id);
    return group;
  }
};
