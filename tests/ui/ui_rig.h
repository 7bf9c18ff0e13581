// The real main window and panel, built as start-up builds them, with a
// controller that has queues but no ports and no worker: requests stay in
// requestQueue for the test to read, and the test plays the engine's part in
// notifyQueue.
#pragma once

#include "common/control_ids.h"
#include "common/text.h"
#include "engine/camera_controller.h"
#include "panel/panel_globals.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

// A window as its creator asked for it, before the system adjusted it.
struct Created {
  HWND parent;
  int id;
  std::string cls, text;
  DWORD style, exStyle;
  int x, y, width, height;
};

extern std::vector<Created> created;

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
  static void Select(int index);
  RequestList Requests();

  static HWND Item(int id) { return GetDlgItem(hPage[0], id); }
  static bool Checked(int id) { return IsDlgButtonChecked(hPage[0], id) == BST_CHECKED; }
  static bool Enabled(int id) { return IsWindowEnabled(Item(id)) != FALSE; }
  static int Pos(int id) { return static_cast<int>(SendMessageA(Item(id), TBM_GETPOS, 0, 0)); }
  static void Click(int id) { SendMessageA(Item(id), BM_CLICK, 0, 0); }
  static std::string Text(int id);

  RequestQueue requestQueue{kQueueCapacity};
  RequestQueue notifyQueue{kQueueCapacity};
  CameraController controller;
};

// Identifier of the focused window, 0 for none or a page.
int FocusId();
// Runs the program's own message loop until the queue is empty.
void RunLoop();
// Posts a key-down and key-up of `vk` to the focused window (else the main
// window), Shift held when `shift`, and runs the loop over them.
void Press(int vk, bool shift = false);
void RouteWaiting();

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
