// The control panel and the Setup dialog in the in-memory window table, as
// the shell creates them (ranges, positions, captions; the radio sets and
// "NIR Vision" in their group boxes), for the engine's and the panel's tests;
// and a worker thread whose control calls this thread serves.
#pragma once

#include "common/control_ids.h"
#include "common/text.h"
#include "panel/panel_globals.h"
#include "panel/window_hooks.h"
#include "platform/fakewin.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <initializer_list>
#include <thread>

struct FakePanel {
  HWND panel = nullptr, setup = nullptr;
  HWND wbGroup = nullptr, effectGroup = nullptr, nirGroup = nullptr, gammaGroup = nullptr, videoGroup = nullptr;

  // Empties the window table and builds both windows, which become the ones
  // the program's globals name.
  FakePanel() {
    FakeReset();
    panel = hPage[0] = FakeCreateWindow(FAKE_WINDOW, nullptr, 0, "panel");
    FakeSetWindowProc(panel, ReplaceCameraEntry);
    hPage[1] = hPage[2] = nullptr;
    curPage = 0;
    Slider(panel, IDC_ZOOM_SLIDER, 0, 90, 50, 10);
    Slider(panel, IDC_BRIGHT_SLIDER, 5, 23, 16, 1);
    Slider(panel, IDC_FOCUS_SLIDER, 1, 99, 50, 5);
    Slider(panel, IDC_SHARP_SLIDER, 0, 15, 8, 1);
    Slider(panel, IDC_LEVEL_SLIDER, 0, 14, 7, 1);
    Create(FAKE_EDIT, panel,
           {IDC_ZOOM_VALUE, IDC_BRIGHT_VALUE, IDC_FOCUS_VALUE, IDC_SHARP_VALUE, IDC_LEVEL_VALUE, IDC_STATUS});
    FakeCreateWindow(FAKE_STATIC, panel, IDC_BRIGHT_LABEL, "Brightness");
    FakeCreateWindow(FAKE_STATIC, panel, IDC_LEVEL_LABEL, "Bright/Iris Level");
    Create(FAKE_BUTTON, panel,
           {IDC_POWER, IDC_EXPOSURE_AUTO, IDC_FOCUS_AUTO, IDC_IRIS, IDC_FREEZE, IDC_ZOOM_PLUS, IDC_ZOOM_MINUS,
            IDC_RECALL1, IDC_RECALL2, IDC_RECALL3, IDC_RECALL4, IDC_RECALL5});
    FakeCreateWindow(FAKE_LISTBOX, panel, IDC_CAMERA_LIST);

    setup = hSetupDlg = FakeCreateWindow(FAKE_WINDOW, nullptr, 0, "Setup");
    FakeCreateWindow(FAKE_BUTTON, setup, IDC_ROTATE, "Rotate ");
    wbGroup = hWbGroup = Group({IDC_WB_COLD, IDC_WB_WARM, IDC_WB_LED, IDC_WB_ONE_PUSH, IDC_WB_AUTO, IDC_WB_MANUAL});
    Create(FAKE_STATIC, setup, {IDC_R_GAIN_LABEL, IDC_B_GAIN_LABEL});
    Slider(setup, IDC_R_GAIN_SLIDER, 0, 255, 50, 11);
    Slider(setup, IDC_B_GAIN_SLIDER, 0, 255, 50, 11);
    Create(FAKE_EDIT, setup, {IDC_R_GAIN_VALUE, IDC_B_GAIN_VALUE});
    Create(FAKE_BUTTON, setup,
           {IDC_SETUP_PRESET_1, IDC_SETUP_PRESET_2, IDC_SETUP_PRESET_3, IDC_SETUP_PRESET_4, IDC_SETUP_PRESET_5});
    effectGroup = hEffectGroup = Group({IDC_EFFECT_NORMAL, IDC_EFFECT_BW, IDC_EFFECT_NEGATIVE});
    nirGroup = hNirGroup = Group({IDC_NIR_VISION});
    gammaGroup = hGammaGroup = Group({IDC_GAMMA_NORMAL, IDC_GAMMA_TYPE1, IDC_GAMMA_TYPE2});
    videoGroup = hVideoGroup =
        Group({IDC_VIDEO_1080I_5994, IDC_VIDEO_720P_5994, IDC_VIDEO_NTSC, IDC_VIDEO_1080I_50, IDC_VIDEO_720P_50,
               IDC_VIDEO_PAL, IDC_VIDEO_1080P_5994, IDC_VIDEO_1080P_50, IDC_VIDEO_1080P_2997, IDC_VIDEO_1080P_25});
  }
  ~FakePanel() {
    hPage[0] = nullptr;
    hSetupDlg = hWbGroup = hEffectGroup = hNirGroup = hGammaGroup = hVideoGroup = nullptr;
    FakeReset();
  }

 private:
  static void Slider(HWND parent, int id, int lo, int hi, int pos, int ticks) {
    HWND bar = FakeCreateWindow(FAKE_TRACKBAR, parent, id);
    SendMessageA(bar, TBM_SETRANGE, 1, MAKELONG(lo, hi));
    SendMessageA(bar, TBM_SETPOS, TRUE, pos);
    SendMessageA(bar, TBM_SETTICFREQ, static_cast<WPARAM>(ticks), 0);
  }
  static void Create(FakeClass cls, HWND parent, std::initializer_list<int> ids) {
    for (int id : ids) FakeCreateWindow(cls, parent, id);
  }
  HWND Group(std::initializer_list<int> ids) const {
    HWND group = FakeCreateWindow(FAKE_BUTTON, setup, 0);
    Create(FAKE_BUTTON, group, ids);
    return group;
  }
};

// Runs `work` on another thread, as the engine's worker, while this thread
// owns the windows and serves the control calls it waits on; `meanwhile`
// runs here once `ready` holds, the calls until then served only when
// `serveUntilReady`. False when the work had not ended within 10 s.
inline bool RunAsWorker(const std::function<void()>& work, const std::function<bool()>& ready = nullptr,
                        const std::function<void()>& meanwhile = nullptr, bool serveUntilReady = false) {
  FakeBecomeOwner();
  std::atomic<bool> done{false};
  std::thread worker([&] {
    work();
    done = true;
  });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  auto waiting = [&] { return !done && std::chrono::steady_clock::now() < deadline; };
  if (ready) {
    for (; !ready() && waiting(); std::this_thread::yield())
      if (serveUntilReady) DispatchIncomingSentMessages();
    meanwhile();
  }
  while (waiting()) DispatchIncomingSentMessages();
  const bool ended = done;
  FakeReleaseOwner();  // runs whatever still waits, so the worker can end
  worker.join();
  return ended;
}
