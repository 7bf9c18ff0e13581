// The panel and Setup dialog of fake_panel.h with a controller without ports
// or worker whose records a test fills.
#pragma once

#include "engine/core/camera_controller.h"
#include "engine/core/panel_hooks.h"
#include "engine/worker/worker.h"
#include "tests/support/fake_panel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class PanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    c.notifyQueue = &notifyQueue;
    c.requestQueue = &requestQueue;
    pController = &c;
  }
  void TearDown() override { pController = nullptr; }

  // Cameras 1..n in the list and in the controller, every one of `model`.
  void AddCameras(int n, int32_t model) {
    for (int i = 0; i < n; i++) {
      std::string name = "Camera " + std::to_string(i + 1);
      SendDlgItemMessageA(panel, IDC_CAMERA_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
      c.cameras[i].modelCode = model;
      c.cameras[i].line = i / kMaxCamerasPerLine;
      c.cameras[i].address = i % kMaxCamerasPerLine + 1;
    }
    c.cameraCount = n;
  }
  void Select(int index) { SendDlgItemMessageA(panel, IDC_CAMERA_LIST, LB_SETCURSEL, static_cast<WPARAM>(index), 0); }

  static std::string Text(HWND parent, int id) { return FakeGetText(GetDlgItem(parent, id)); }
  static std::vector<std::string> History(HWND parent, int id) { return FakeTextHistory(GetDlgItem(parent, id)); }
  static int Ask(HWND parent, int id, UINT msg) { return static_cast<int>(SendDlgItemMessageA(parent, id, msg, 0, 0)); }
  static int Pos(HWND parent, int id) { return Ask(parent, id, TBM_GETPOS); }
  static bool Checked(HWND parent, int id) { return IsDlgButtonChecked(parent, id) == BST_CHECKED; }
  static bool Enabled(HWND parent, int id) { return IsWindowEnabled(GetDlgItem(parent, id)) != FALSE; }
  static void Check(HWND parent, int id, bool on) { CheckDlgButton(parent, id, on ? BST_CHECKED : BST_UNCHECKED); }
  static void SetPos(HWND parent, int id, int pos) { SendDlgItemMessageA(parent, id, TBM_SETPOS, TRUE, pos); }

  FakePanel fake;
  CameraController c;
  RequestQueue notifyQueue{kQueueCapacity};
  RequestQueue requestQueue{kQueueCapacity};
  HWND panel = fake.panel, setup = fake.setup;
  HWND wbGroup = fake.wbGroup, effectGroup = fake.effectGroup, nirGroup = fake.nirGroup;
  HWND gammaGroup = fake.gammaGroup, videoGroup = fake.videoGroup;
};
