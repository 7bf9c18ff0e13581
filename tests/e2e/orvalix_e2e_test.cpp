// The real program under Wine, driven through its windows from this process,
// against virtual cameras: COM1 carries a 0x66 (30x) and a 0x4B (10x), COM2 a
// 0x5F (20x). camsim writes every byte of both lines to the transcript named
// by ORVALIX_CAMSIM_TRANSCRIPT, where the commands the panel sends are
// checked on the cameras' side. The cases share one run of the program and
// go in order: start-up, selection, zoom, keyboard, Setup dialog, close.
#include "common/control_ids.h"
#include "tests/e2e/line_traffic.h"
#include "tests/e2e/panel_driver.h"
#include "tests/e2e/setup_driver.h"

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

// Camera 1 is the 0x66 at address 1 on COM1. In manual white balance the red
// gain's plus button sends the next value, and the camera reports it back.
TEST_F(OrvalixEndToEnd, SetupManualWhiteBalanceStepsTheRedGain) {
  ASSERT_TRUE(SelectAndWait(0));
  const long long before = TranscriptSize();
  SetupDriver setup;
  ASSERT_TRUE(setup.Open(panel, kReplyMs)) << "no Setup dialog";
  setup.Click(IDC_WB_MANUAL);
  // "Manual" puts the gain controls in use.
  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(setup.Control(IDC_R_GAIN_SLIDER)) != FALSE; }, kReplyMs));
  const LRESULT red = setup.Ask(IDC_R_GAIN_SLIDER, TBM_GETPOS);
  ASSERT_GE(red, 0);
  ASSERT_LT(red, 255);
  setup.Click(IDC_R_GAIN_PLUS);

  char command[64], answer[64];
  std::snprintf(command, sizeof command, ">81 >01 >04 >43 >00 >00 >%02X >%02X >FF ", static_cast<int>(red + 1) >> 4,
                static_cast<int>(red + 1) & 0x0F);
  std::snprintf(answer, sizeof answer, "<90 <50 <00 <00 <%02X <%02X <FF ", static_cast<int>(red + 1) >> 4,
                static_cast<int>(red + 1) & 0x0F);
  const std::string manual = ">81 >01 >04 >35 >05 >FF ";
  ASSERT_TRUE(WaitUntil(
      [&] {
        const std::string traffic = LineTraffic(Transcript(), 1, before);
        const size_t at = traffic.find(command);
        return traffic.find(manual) < at && at != std::string::npos && traffic.find(answer, at) != std::string::npos;
      },
      kReplyMs))
      << "COM1: " << LineTraffic(Transcript(), 1, before);
  setup.Click(IDC_SETUP_EXIT);
  ASSERT_TRUE(setup.WaitClosed(kReplyMs));
  // Opened again, the dialog shows the gain the camera reported.
  ASSERT_TRUE(setup.Open(panel, kReplyMs));
  EXPECT_EQ(red + 1, setup.Ask(IDC_R_GAIN_SLIDER, TBM_GETPOS));
  EXPECT_EQ(std::to_string(red + 1), setup.Text(IDC_R_GAIN_VALUE));
  EXPECT_EQ(BST_CHECKED, setup.Ask(IDC_WB_MANUAL, BM_GETCHECK));
  setup.Click(IDC_SETUP_EXIT);
  EXPECT_TRUE(setup.WaitClosed(kReplyMs));
}

// "Save" stores the checked preset; the engine closes the dialog once the
// camera has confirmed, with the closing store of the power-on memory.
TEST_F(OrvalixEndToEnd, SetupSaveStoresPreset4AndCloses) {
  ASSERT_TRUE(SelectAndWait(0));
  const long long before = TranscriptSize();
  SetupDriver setup;
  ASSERT_TRUE(setup.Open(panel, kReplyMs)) << "no Setup dialog";
  setup.Click(IDC_SETUP_PRESET_4);
  setup.Click(IDC_PRESET_SAVE);
  EXPECT_TRUE(setup.WaitClosed(kReplyMs)) << "the dialog stayed open";
  const std::string store4 = ">81 >01 >04 >3F >01 >04 >FF ";
  const std::string storeAndClose = ">81 >01 >04 >3F >01 >7F >FF ";
  EXPECT_TRUE(
      WaitUntil([&] { return AnsweredBefore(LineTraffic(Transcript(), 1, before), store4, storeAndClose); }, kReplyMs))
      << "COM1: " << LineTraffic(Transcript(), 1, before);
}

// A picture effect reaches the camera; after the dialog the panel works on.
TEST_F(OrvalixEndToEnd, SetupPictureEffectThenThePanelStillAnswers) {
  ASSERT_TRUE(SelectAndWait(0));
  long long before = TranscriptSize();
  SetupDriver setup;
  ASSERT_TRUE(setup.Open(panel, kReplyMs)) << "no Setup dialog";
  setup.Click(IDC_EFFECT_BW);
  const std::string bw = ">81 >01 >04 >63 >04 >FF ";
  EXPECT_TRUE(WaitUntil([&] { return LineTraffic(Transcript(), 1, before).find(bw) != std::string::npos; }, kReplyMs))
      << "COM1: " << LineTraffic(Transcript(), 1, before);
  setup.Click(IDC_SETUP_EXIT);
  ASSERT_TRUE(setup.WaitClosed(kReplyMs));

  before = TranscriptSize();
  const LRESULT sharpness = (panel.Ask(IDC_SHARP_SLIDER, TBM_GETPOS) + 3) % 16;
  ASSERT_TRUE(panel.ReleaseSlider(IDC_SHARP_SLIDER, static_cast<int>(sharpness)));
  char command[64];
  std::snprintf(command, sizeof command, " 81 01 04 42 00 00 %02X %02X FF", static_cast<int>(sharpness) >> 4,
                static_cast<int>(sharpness) & 0x0F);
  EXPECT_TRUE(WaitUntil([&] { return SentOnLine(1, before).find(command) != std::string::npos; }, kReplyMs))
      << "COM1 got:" << SentOnLine(1, before);
  EXPECT_TRUE(SelectAndWait(1)) << panel.Text(IDC_STATUS);
}

// A click on a panel button: "Freeze" freezes camera 3 (the 0x5F at address 1
// on COM2), and a second click lets it go.
TEST_F(OrvalixEndToEnd, ClickingFreezeFreezesTheSelectedCamera) {
  ASSERT_TRUE(SelectAndWait(2)) << panel.Text(IDC_STATUS);
  const long long before = TranscriptSize();
  panel.Click(IDC_FREEZE);
  EXPECT_TRUE(
      WaitUntil([&] { return SentOnLine(2, before).find(" 81 01 04 62 02 FF") != std::string::npos; }, kReplyMs))
      << "COM2 got:" << SentOnLine(2, before);
  EXPECT_EQ(BST_CHECKED, panel.Ask(IDC_FREEZE, BM_GETCHECK));
  panel.Click(IDC_FREEZE);
  EXPECT_TRUE(
      WaitUntil([&] { return SentOnLine(2, before).find(" 81 01 04 62 03 FF") != std::string::npos; }, kReplyMs))
      << "COM2 got:" << SentOnLine(2, before);
  EXPECT_EQ(std::string::npos, SentOnLine(1, before).find(" 01 04 62")) << "a camera on COM1 froze too";
}

TEST_F(OrvalixEndToEnd, ExitEndsTheProgramWithExitCodeZero) {
  panel.Click(IDC_EXIT);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, kExitMs)) << "still running after Exit";
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
