// Entry of orvalix.exe: one window class, the panel, the message loop until
// the main window is gone, then the engine's teardown.
#include "ui/app_main.h"
#include "ui/message_loop.h"
#include "ui/ui_globals.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR, int) {
  ResetUiGlobals(hInstance);
  if (hPrevInstance) return 0;
  if (!RegisterMainClass()) return 0;
  int exitCode = 0;
  if (InitApp(hInst)) exitCode = RunMessageLoop();
  CleanupApp();
  return exitCode;
}
