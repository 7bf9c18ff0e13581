// Start-up and shutdown with the real engine, against the virtual cameras
// that the test script serves on COM1 and COM2: the start-up sequence, a
// repeated cleanup, and closing the program while the engine's worker is
// inside a re-reading's panel refresh, waiting on this thread.
#include "common/control_ids.h"
#include "common/text.h"
#include "engine/camera_controller.h"
#include "panel/panel_globals.h"
#include "platform/os.h"
#include "ui/app_main.h"
#include "ui/message_loop.h"
#include "ui/ui_globals.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// Ends the process with a failure should the test hang (a deadlock).
class Watchdog {
 public:
  explicit Watchdog(uint32_t limitMs) : limit(limitMs) {
    done.Create(true, false);
    thread.Start(Watch, this);
  }
  ~Watchdog() {
    done.Set();
    thread.Join(OS_INFINITE);
  }

 private:
  static uint32_t Watch(void* arg) {
    Watchdog* self = static_cast<Watchdog*>(arg);
    if (self->done.Wait(self->limit) == OS_WAIT_TIMEOUT) {
      fprintf(stderr, "hung for %u ms: deadlock\n", static_cast<unsigned>(self->limit));
      fflush(stderr);
      TerminateProcess(GetCurrentProcess(), 3);
    }
    return 0;
  }
  uint32_t limit;
  OsEvent done;
  OsThread thread;
};

std::string Status() {
  char text[256] = "";
  GetDlgItemTextA(hPage[0], IDC_STATUS, text, sizeof text);
  return text;
}

// Runs the program's loop over what is queued until done() or the time is up.
template <class Done>
bool PumpUntil(Done done, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    PostQuitMessage(0);
    RunMessageLoop();
  }
  return true;
}

void PressKey(int vk) {
  HWND target = GetFocus() ? GetFocus() : hMainWnd;
  PostMessageA(target, WM_KEYDOWN, static_cast<WPARAM>(vk), 1);
  PostMessageA(target, WM_KEYUP, static_cast<WPARAM>(vk), 1 | (3u << 30));
  PostQuitMessage(0);
  RunMessageLoop();
}

bool SentMessageWaiting() { return (HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) != 0; }

void StartApp() {
  ResetUiGlobals(GetModuleHandleA(nullptr));
  bCleanupPending = 1;
  RegisterMainClass();
  ASSERT_EQ(1, InitApp(hInst));
}

TEST(App, StartsWithTheVersionShownAndCleansUpOnce) {
  Watchdog watchdog(30000);
  StartApp();
  EXPECT_EQ("Ver 1.3.0", Status());
  EXPECT_NE(nullptr, pController);
  EXPECT_TRUE(IsWindowVisible(hMainWnd));
  EXPECT_TRUE(IsWindowVisible(hPage[0]));
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  ASSERT_TRUE(GetClassInfoExA(hInst, "Orvalix", &wc));
  EXPECT_EQ(static_cast<UINT>(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS), wc.style);
  EXPECT_EQ(reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), wc.hbrBackground);
  EXPECT_NE(nullptr, wc.hIcon);
  DestroyWindow(hMainWnd);
  MSG msg;
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "destroying the main window ends the loop";
  CleanupApp();
  EXPECT_EQ(nullptr, pController);
  EXPECT_EQ(0, bCleanupPending);
  CleanupApp();
  EXPECT_EQ(nullptr, pController);
}

TEST(App, ClosingWhileARereadingRefreshesThePanelEnds) {
  Watchdog watchdog(120000);
  StartApp();
  CameraController* c = pController;
  ASSERT_NE(nullptr, c);
  ASSERT_TRUE(PumpUntil([&] { return c->listReady.load() == 1; }, 60000)) << Status();
  ASSERT_GT(c->cameraCount.load(), 0);
  PressKey(VK_F1);
  EXPECT_EQ("Camera 1 selected", Status());
  PressKey('1');  // recall preset 1: the engine then re-reads every setting

  // Catch the worker inside the re-reading's panel refresh, waiting for this
  // thread to take its control update; serve anything it sends before that.
  DWORD start = GetTickCount();
  bool caught = false;
  while (!caught && GetTickCount() - start < 30000) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_SENDMESSAGE);
    caught = c->timeoutMs.load() == 5000 && SentMessageWaiting();
    if (!caught) DispatchIncomingSentMessages();
  }
  ASSERT_TRUE(caught) << "the re-reading never refreshed the panel";

  PostMessageA(hMainWnd, WM_CLOSE, 0, 0);
  EXPECT_EQ(0, RunMessageLoop());
  EXPECT_FALSE(IsWindow(hMainWnd));
  CleanupApp();
  EXPECT_EQ(nullptr, pController);
}

}  // namespace
