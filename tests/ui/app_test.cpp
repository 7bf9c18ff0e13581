// Start-up and shutdown with the real engine against the virtual cameras on
// COM1 and COM2, also while the worker waits on this thread in a re-reading's
// panel refresh.
#include "ui_rig.h"

#include "ui/app_main.h"
#include "ui/message_loop.h"
#include "ui/ui_globals.h"

#include <cstdio>
#include <string>

namespace {

std::string Status() { return WindowText(GetDlgItem(hPage[0], IDC_STATUS)); }

bool SentMessageWaiting() { return (HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) != 0; }

void StartApp() {
  ResetUiGlobals(GetModuleHandleA(nullptr));
  bCleanupPending = 1;
  RegisterMainClass();
  ASSERT_EQ(1, InitApp(hInst));
}

TEST(App, StartsWithTheVersionShownAndCleansUpOnce) {
  StartApp();
  EXPECT_EQ("Ver 1.3.0", Status());
  EXPECT_NE(nullptr, pController);
  EXPECT_TRUE(IsWindowVisible(hMainWnd));
  EXPECT_TRUE(IsWindowVisible(hPage[0]));
  DestroyWindow(hMainWnd);
  MSG msg;
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "destroying the main window ends the loop";
  CleanupApp();
  EXPECT_EQ(nullptr, pController);
  EXPECT_EQ(0, bCleanupPending);
  CleanupApp();
  EXPECT_EQ(nullptr, pController);
}

// Lines of orvalix.ini in the current folder that cannot be read are named
// after the version, and skipped.
TEST(App, AnOrvalixIniLineThatCannotBeReadIsNamedAtStartUp) {
  FILE* ini = std::fopen("orvalix.ini", "wb");
  ASSERT_NE(nullptr, ini);
  std::fputs("[Network]\r\nIP1=10.0.0.1:99999\r\nIP2=cam two\r\n", ini);
  std::fclose(ini);
  StartApp();
  DeleteFileA("orvalix.ini");
  EXPECT_EQ("orvalix.ini line 2: IP1: port '99999' out of range (1..65535) (and 1 more)", Status());
  EXPECT_EQ(nullptr, pController->channels[kSerialLineCount]);
  DestroyWindow(hMainWnd);
  MSG quit;
  PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  CleanupApp();
}

// Starts the program, selects camera 1 and recalls preset 1; returns once the
// worker, re-reading every setting, waits on this thread in the panel refresh.
void StartAndCatchARereading() {
  StartApp();
  CameraController* c = pController;
  ASSERT_NE(nullptr, c);
  ASSERT_TRUE(PumpUntil([&] { return c->listReady.load() == 1; }, 60000)) << Status();
  ASSERT_GT(c->cameraCount.load(), 0);
  Press(VK_F1);
  EXPECT_EQ("Camera 1 selected", Status());
  Press('1');
  DWORD start = GetTickCount();
  bool caught = false;
  while (!caught && GetTickCount() - start < 30000) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_SENDMESSAGE);
    caught = c->timeoutMs.load() == 5000 && SentMessageWaiting();
    if (!caught) DispatchIncomingSentMessages();
  }
  ASSERT_TRUE(caught) << "the re-reading never refreshed the panel";
}

TEST(App, ClosingWhileARereadingRefreshesThePanelEnds) {
  StartAndCatchARereading();
  PostMessageA(hMainWnd, WM_CLOSE, 0, 0);
  EXPECT_EQ(0, RunMessageLoop());
  EXPECT_FALSE(IsWindow(hMainWnd));
  CleanupApp();
  EXPECT_EQ(nullptr, pController);
}

// The end of the session quits the loop with every window still there; the
// teardown then meets the worker waiting on this thread and must serve it.
TEST(App, TeardownServesAWorkerWaitingOnTheLivePanel) {
  StartAndCatchARereading();
  CleanupApp();
  EXPECT_EQ(nullptr, pController);
  EXPECT_TRUE(IsWindow(hMainWnd));
  DestroyWindow(hMainWnd);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

}  // namespace
