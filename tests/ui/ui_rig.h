// The real main window and panel, built as start-up builds them, with a
// controller that has queues but no ports and no worker: requests stay in
// requestQueue for the test to read, and the test plays the engine's part in
// notifyQueue. The Setup dialog opens from that panel; RunSetup runs a test's
// script inside the dialog's own modal loop, as the operator's clicks arrive.
#pragma once

#include "common/control_ids.h"
#include "common/text.h"
#include "engine/core/camera_controller.h"
#include "panel/panel_globals.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

std::string WindowText(HWND window);

// A request as put for the engine; the panel's second argument is always 0.
struct Request {
  int32_t camera;
  uint32_t code, a;
  uint32_t b = 0;
};
typedef std::vector<Request> RequestList;
bool operator==(const Request& x, const Request& y);
void PrintTo(const Request& r, std::ostream* out);

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Cameras 1..n in the list, and in the controller when inController.
  void AddCameras(int n, bool inController = true);
  // Camera i of the controller with the given model; the other fields zero.
  CameraRecord& Camera(int i, int32_t modelCode);
  static void Select(int index);
  RequestList Requests();

  static HWND Item(int id) { return GetDlgItem(hPage[0], id); }
  static bool Checked(int id) { return IsDlgButtonChecked(hPage[0], id) == BST_CHECKED; }
  static bool Enabled(int id) { return IsWindowEnabled(Item(id)) != FALSE; }
  static int Pos(int id) { return static_cast<int>(SendMessageA(Item(id), TBM_GETPOS, 0, 0)); }
  static void Click(int id) { SendMessageA(Item(id), BM_CLICK, 0, 0); }
  static std::string Text(int id) { return WindowText(Item(id)); }

  RequestQueue requestQueue{kQueueCapacity};
  RequestQueue notifyQueue{kQueueCapacity};
  CameraController controller;
};

int FocusId();  // of the focused window, 0 for none or a page
// Runs the program's own message loop until the queue is empty.
void RunLoop();
// Posts a key-down and key-up of `vk` to the focused window (else the main
// window), Shift held when `shift`, and runs the loop over them.
void Press(int vk, bool shift = false);
void RouteWaiting();
// Presses the slider's thumb at `pos` and lets it go, then turns the wheel
// by each of `wheel`, all posted to the slider.
void ReleaseThumbAndTurn(HWND slider, int pos, std::initializer_list<int> wheel);

// Routes messages until done() holds; false after timeoutMs.
template <class Done>
bool PumpUntil(Done done, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    RouteWaiting();
  }
  return true;
}

// Opens the dialog as the panel's "Setup" button does, runs script(dialog)
// from within its modal loop, and returns the dialog's result once it has
// ended by itself (or 99 after a time limit, with a failure).
INT_PTR RunSetup(const std::function<void(HWND dialog)>& script);
// RunSetup of a script that ends with closing the dialog.
inline void InSetup(const std::function<void(HWND dialog)>& script) {
  RunSetup([&](HWND dialog) { script(dialog), PostMessageA(dialog, WM_CLOSE, 0, 0); });
}

// A Setup control by id, whether a child of the dialog or of a group box.
HWND SetupItem(int id);
inline bool SetupChecked(int id) { return SendMessageA(SetupItem(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
inline bool SetupEnabled(int id) { return IsWindowEnabled(SetupItem(id)) != FALSE; }
inline void SetupClick(int id) { SendMessageA(SetupItem(id), BM_CLICK, 0, 0); }
inline std::string SetupText(int id) { return WindowText(SetupItem(id)); }

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
