// The Setup dialog opened from the real panel (tests/ui's rig: main window,
// panel and a controller with queues but no worker). RunSetup runs a test's
// script inside the dialog's own modal loop, as the operator's clicks arrive.
#pragma once

#include "ui_rig.h"

#include <functional>
#include <string>
#include <vector>

// Opens the dialog as the panel's "Setup" button does, runs script(dialog)
// from within its modal loop, and returns the dialog's result once it has
// ended by itself (or 99 after a time limit, with a failure).
INT_PTR RunSetup(const std::function<void(HWND dialog)>& script);

// A Setup control by id, whether a child of the dialog or of a group box.
HWND SetupItem(int id);
inline bool SetupChecked(int id) { return SendMessageA(SetupItem(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
inline bool SetupEnabled(int id) { return IsWindowEnabled(SetupItem(id)) != FALSE; }
inline void SetupClick(int id) { SendMessageA(SetupItem(id), BM_CLICK, 0, 0); }
std::string SetupText(int id);

class SetupTest : public ShellTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Camera i of the controller with the given model; the other fields zero.
  CameraRecord& Camera(int i, int32_t modelCode);
};

// A message box as it appeared; each is closed with "OK" as soon as it is up.
struct Notice {
  std::string caption, text;
  HWND owner;
  bool informationIcon;
  RequestList requestsBefore;  // taken from the request queue as the box came up
};

// Watches for message boxes while it lives.
class NoticeWatch {
 public:
  NoticeWatch();
  ~NoticeWatch();
  std::vector<Notice> Take();
};
