// The Setup dialog with the real engine and the virtual cameras of the test
// session (COM1: a 0x66 at address 1 and a 0x4B; COM2: a 0x5F): "Save" with
// preset 4 stores it in the camera, and the dialog closes by itself once the
// camera has answered. camsim's transcript shows what crossed the line.
#include "setup_rig.h"

#include "tests/e2e/line_traffic.h"

#include "ui/app_main.h"
#include "ui/ui_globals.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr DWORD kStartMs = 60000;

std::string TranscriptPath() {
  const char* path = std::getenv("ORVALIX_CAMSIM_TRANSCRIPT");
  return path ? path : "";
}

long TranscriptSize() {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(TranscriptPath().c_str(), GetFileExInfoStandard, &data)) return -1;
  return static_cast<long>(data.nFileSizeLow);
}

TEST(SetupWithCameras, SaveStoresThePresetAndTheDialogClosesAfterTheAnswer) {
  ASSERT_FALSE(TranscriptPath().empty()) << "ORVALIX_CAMSIM_TRANSCRIPT unset: run in tools/test's Wine session";
  ResetUiGlobals(GetModuleHandleA(nullptr));
  bCleanupPending = 1;
  RegisterMainClass();
  ASSERT_EQ(1, InitApp(hInst));
  CameraController* c = pController;
  ASSERT_TRUE(PumpUntil([&] { return c->listReady.load() == 1; }, kStartMs));
  SendDlgItemMessageA(hPage[0], IDC_CAMERA_LIST, LB_SETCURSEL, 0, 0);
  PostMessageA(hPage[0], WM_COMMAND, MAKEWPARAM(IDC_CAMERA_LIST, LBN_SELCHANGE), 0);
  char status[64] = "";
  ASSERT_TRUE(PumpUntil(
      [&] {
        GetDlgItemTextA(hPage[0], IDC_STATUS, status, sizeof status);
        return std::strcmp(status, "Camera 1 selected") == 0;
      },
      5000))
      << status;
  long before = TranscriptSize();
  ASSERT_GE(before, 0) << TranscriptPath();

  INT_PTR result = RunSetup([](HWND) {
    SetupClick(8281);
    SetupClick(8219);
  });
  EXPECT_EQ(IDCANCEL, result);
  // Preset 4 stored and confirmed (acknowledge, completion), and only then
  // the closing request's store of the power-on memory.
  const std::string store4 = ">81 >01 >04 >3F >01 >04 >FF ";
  const std::string storeAndClose = ">81 >01 >04 >3F >01 >7F >FF ";
  EXPECT_TRUE(
      PumpUntil([&] { return AnsweredBefore(LineTraffic(TranscriptPath(), 1, before), store4, storeAndClose); }, 5000))
      << LineTraffic(TranscriptPath(), 1, before);

  DestroyWindow(hMainWnd);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  CleanupApp();
}

}  // namespace
