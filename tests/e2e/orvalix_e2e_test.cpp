// The real program under Wine, driven through its windows from this process,
// against virtual cameras: COM1 carries a 0x66 (30x) and a 0x4B (10x), COM2 a
// 0x5F (20x). camsim writes every byte of both lines to the transcript named
// by ORVALIX_CAMSIM_TRANSCRIPT, where the commands the panel sends are
// checked on the cameras' side. The cases share one run of the program and
// go in order: start-up, selection, zoom, keyboard, close.
#include "common/control_ids.h"
#include "tests/e2e/panel_driver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr DWORD kStartMs = 60000;  // discovery and initialisation of three cameras
constexpr DWORD kReplyMs = 10000;
constexpr DWORD kExitMs = 10000;

std::string exePath;

std::string Transcript() {
  const char* path = std::getenv("ORVALIX_CAMSIM_TRANSCRIPT");
  return path != nullptr ? path : "";
}

long long TranscriptSize() {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(Transcript().c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The bytes sent toward the cameras of line (1-based) after offset, as
// "82 01 04 47 ..." in one run, whatever chunks they were read in.
std::string SentOnLine(int line, long long offset) {
  std::string sent;
  FILE* file = std::fopen(Transcript().c_str(), "rb");
  if (file == nullptr) return sent;
  _fseeki64(file, offset, SEEK_SET);
  char marker[16];
  std::snprintf(marker, sizeof marker, " L%d ->", line);
  char row[1024];
  while (std::fgets(row, sizeof row, file) != nullptr) {
    const char* at = std::strstr(row, marker);
    if (at == nullptr) continue;
    std::string bytes(at + std::strlen(marker));
    while (!bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r')) bytes.pop_back();
    sent += bytes;
  }
  std::fclose(file);
  return sent;
}

std::string ZoomText(LRESULT position) {
  char text[32];
  std::snprintf(text, sizeof text, "x %.1f", static_cast<float>(position) / 10.0f + 1.0f);
  return text;
}

class OrvalixEndToEnd : public ::testing::Test {
 protected:
  static PROCESS_INFORMATION process;
  static PanelDriver panel;

  static void SetUpTestSuite() {
    const std::string exe = WindowsPath(exePath);
    const std::string folder = exe.substr(0, exe.find_last_of('\\'));
    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process)) {
      process = PROCESS_INFORMATION();
      return;
    }
    panel.Attach(process.dwProcessId, kStartMs);
  }

  static void TearDownTestSuite() {
    if (process.hProcess == nullptr) return;
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    process = PROCESS_INFORMATION();
  }

  void SetUp() override {
    ASSERT_FALSE(Transcript().empty()) << "ORVALIX_CAMSIM_TRANSCRIPT unset: run in tools/test's Wine session";
    ASSERT_NE(nullptr, process.hProcess) << "cannot start " << exePath;
    ASSERT_NE(nullptr, panel.page) << "no window of class Orvalix with a camera list";
  }

  // Selects camera index as a click does and waits for the panel to say so.
  static bool SelectAndWait(int index) {
    char expected[32];
    std::snprintf(expected, sizeof expected, "Camera %d selected", index + 1);
    panel.SelectCamera(index);
    return WaitUntil([&] { return panel.Text(IDC_STATUS) == expected; }, kReplyMs);
  }
};

PROCESS_INFORMATION OrvalixEndToEnd::process = {};
PanelDriver OrvalixEndToEnd::panel;

TEST_F(OrvalixEndToEnd, StartUpListsEveryCameraWithNoneSelected) {
  const std::vector<std::string> cameras = {"Camera 1", "Camera 2", "Camera 3"};
  ASSERT_TRUE(WaitUntil([&] { return panel.ListTexts(IDC_CAMERA_LIST).size() >= cameras.size(); }, kStartMs))
      << "status: " << panel.Text(IDC_STATUS);
  EXPECT_EQ(cameras, panel.ListTexts(IDC_CAMERA_LIST));
  EXPECT_EQ("3 Cameras OK, none selected", panel.Text(IDC_STATUS));
  EXPECT_EQ(LB_ERR, panel.Ask(IDC_CAMERA_LIST, LB_GETCURSEL));
}

// The zoom slider's range follows the model: 30x, 10x, 20x.
TEST_F(OrvalixEndToEnd, SelectingACameraShowsItsSettings) {
  const LRESULT zoomTop[] = {290, 90, 190};
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(SelectAndWait(i)) << "camera " << i + 1 << "; status: " << panel.Text(IDC_STATUS);
    EXPECT_EQ(zoomTop[i], panel.Ask(IDC_ZOOM_SLIDER, TBM_GETRANGEMAX)) << "camera " << i + 1;
    EXPECT_EQ(ZoomText(panel.Ask(IDC_ZOOM_SLIDER, TBM_GETPOS)), panel.Text(IDC_ZOOM_VALUE)) << "camera " << i + 1;
    EXPECT_EQ(BST_CHECKED, panel.Ask(IDC_POWER, BM_GETCHECK)) << "camera " << i + 1;
    EXPECT_EQ(std::to_string(panel.Ask(IDC_SHARP_SLIDER, TBM_GETPOS)), panel.Text(IDC_SHARP_VALUE))
        << "camera " << i + 1;
  }
}

// Camera 2 is the 10x camera at address 2 on COM1. Slider position 57 is zoom
// position 13737 + (14399 - 13737) / 10 * 7 = 14199 (0x3777) on the 10x
// table; read back, 14199 lies between entries 5 and 6 and shows as 56.
TEST_F(OrvalixEndToEnd, ReleasingTheZoomSliderZoomsTheSelectedCamera) {
  ASSERT_TRUE(SelectAndWait(1)) << panel.Text(IDC_STATUS);
  const long long before = TranscriptSize();
  ASSERT_GE(before, 0) << "cannot read " << Transcript();

  ASSERT_TRUE(panel.ReleaseSlider(IDC_ZOOM_SLIDER, 57));
  const std::string command = " 82 01 04 47 03 07 07 07 FF";
  const std::string inquiry = " 82 09 04 47 FF";
  ASSERT_TRUE(WaitUntil(
      [&] {
        const std::string sent = SentOnLine(1, before);
        const size_t at = sent.find(command);
        return at != std::string::npos && sent.find(inquiry, at) != std::string::npos;
      },
      kReplyMs))
      << "COM1 got:" << SentOnLine(1, before);
  EXPECT_EQ(std::string::npos, SentOnLine(1, before).find(" 81 01 04 47")) << "camera 1 zoomed too";
  EXPECT_EQ(std::string::npos, SentOnLine(2, before).find(" 01 04 47")) << "camera 3 zoomed too";
  EXPECT_TRUE(WaitUntil([&] { return panel.Text(IDC_ZOOM_VALUE) == "x 6.7"; }, kReplyMs)) << panel.Text(IDC_ZOOM_VALUE);

  ASSERT_TRUE(SelectAndWait(0));
  ASSERT_TRUE(SelectAndWait(1));
  EXPECT_EQ(56, panel.Ask(IDC_ZOOM_SLIDER, TBM_GETPOS));
  EXPECT_EQ("x 6.6", panel.Text(IDC_ZOOM_VALUE));
}

// Keys reach the program's own keyboard handling: F3 picks the third camera.
TEST_F(OrvalixEndToEnd, F3SelectsTheThirdCamera) {
  ASSERT_TRUE(SelectAndWait(0));
  panel.PressKey(VK_F3);
  EXPECT_TRUE(WaitUntil([] { return panel.Text(IDC_STATUS) == "Camera 3 selected"; }, kReplyMs))
      << panel.Text(IDC_STATUS);
  EXPECT_EQ(2, panel.Ask(IDC_CAMERA_LIST, LB_GETCURSEL));
  EXPECT_EQ(190, panel.Ask(IDC_ZOOM_SLIDER, TBM_GETRANGEMAX));
}

TEST_F(OrvalixEndToEnd, ClosingTheWindowEndsTheProgramWithExitCodeZero) {
  panel.Close();
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, kExitMs)) << "still running after WM_CLOSE";
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process.hProcess, &code);
  EXPECT_EQ(0u, code);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: orvalix_e2e_test PATH-OF-orvalix.exe\n");
    return 2;
  }
  exePath = argv[1];
  return RUN_ALL_TESTS();
}
