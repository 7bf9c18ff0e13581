// The real program under Wine, driven through its windows from this process,
// against virtual cameras: COM1 carries a 0x66 (30x) at address 1 and a 0x4B
// (10x) at 2, COM2 a 0x5F (20x), and the orvalix.ini of the program's folder
// names a 0x67 (30x) on the network as IP1 (VISCA over IP, camsim's line 3).
// camsim writes every byte of the lines to the transcript named by
// ORVALIX_CAMSIM_TRANSCRIPT, where the commands are checked on the cameras'
// side. The cases share one run and go in order.
#include "common/control_ids.h"
#include "tests/e2e/remote_client.h"
#include "tests/support/hang_watchdog.h"
#include "tools/src/driver/panel_driver.h"
#include "ui/presets_window.h"
#include "ui/traffic_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

namespace {

// camsim's transcript of line `line` (1-based) from byte `offset` on as one
// conversation in order: every byte toward the cameras as ">81 ", every byte
// from them as "<90 ".
std::string LineTraffic(const std::string& path, int line, long long offset) {
  std::string traffic;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return traffic;
  _fseeki64(file, offset, SEEK_SET);
  char tag[16];
  std::snprintf(tag, sizeof tag, " L%d ", line);
  char row[1024];
  while (std::fgets(row, sizeof row, file)) {
    const char* at = std::strstr(row, tag);
    if (!at) continue;
    const char* arrow = at + std::strlen(tag);
    char mark = std::strncmp(arrow, "->", 2) == 0 ? '>' : std::strncmp(arrow, "<-", 2) == 0 ? '<' : 0;
    if (!mark) continue;
    unsigned byte;
    int used;
    for (const char* p = arrow + 2; std::sscanf(p, " %2x%n", &byte, &used) == 1; p += used) {
      char token[8];
      std::snprintf(token, sizeof token, "%c%02X ", mark, byte);
      traffic += token;
    }
  }
  std::fclose(file);
  return traffic;
}

constexpr DWORD kStartMs = 60000;  // discovery and initialisation of three cameras
constexpr DWORD kReplyMs = 10000;

std::string exePath;

// The program's folder for the run: its help and icon, and an orvalix.ini
// naming the session's network camera, then `more` sections.
std::string ProgramFolder(const std::string& exe, const std::string& more) {
  char temp[MAX_PATH] = "";
  GetTempPathA(sizeof temp, temp);
  const std::string folder = std::string(temp) + "orvalix-e2e";
  CreateDirectoryA(folder.c_str(), nullptr);
  DeleteFileA((folder + "\\orvalix-names.ini").c_str());  // each run names from nothing
  const std::string beside = exe.substr(0, exe.find_last_of('\\') + 1);
  for (const char* file : {"QuickHelp.mht", "icon1.ico"})
    CopyFileA((beside + file).c_str(), (folder + "\\" + file).c_str(), FALSE);
  const char* camera = std::getenv("ORVALIX_CAMSIM_NETWORK");
  if (FILE* ini = std::fopen((folder + "\\orvalix.ini").c_str(), "wb")) {
    std::fprintf(ini, "[Network]\r\nIP1=%s\r\n%s", camera != nullptr ? camera : "", more.c_str());
    std::fclose(ini);
  }
  return folder;
}

std::string Transcript() {
  const char* path = std::getenv("ORVALIX_CAMSIM_TRANSCRIPT");
  return path != nullptr ? path : "";
}

long long TranscriptSize() {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(Transcript().c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Line `line`'s traffic since `offset` ">81 >01 ... <90 ..." and whether it
// holds `bytes` within kReplyMs.
std::string Traffic(int line, long long offset) { return LineTraffic(Transcript(), line, offset); }
bool Shows(int line, long long offset, const std::string& bytes) {
  return WaitUntil([&] { return Traffic(line, offset).find(bytes) != std::string::npos; }, kReplyMs);
}

class OrvalixEndToEnd : public ::testing::Test {
 protected:
  static PROCESS_INFORMATION process;
  static PanelDriver panel;
  static std::string folder;

  static void SetUpTestSuite() { Launch(""); }

  // The program started in its folder, with `more` in its orvalix.ini.
  static void Launch(const std::string& more) {
    const std::string exe = WindowsPath(exePath);
    folder = ProgramFolder(exe, more);
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
    ASSERT_NE(nullptr, std::getenv("ORVALIX_CAMSIM_NETWORK")) << "no network camera in this Wine session";
    ASSERT_NE(nullptr, process.hProcess) << "cannot start " << exePath;
    ASSERT_NE(nullptr, panel.page) << "no window of class Orvalix with a camera list";
  }

  // Selects camera index as a click does and waits for the panel to say so.
  static bool SelectAndWait(int index) {
    const std::string expected = "Camera " + std::to_string(index + 1) + " selected";
    panel.SelectCamera(index);
    return WaitUntil([&] { return panel.Text(IDC_STATUS) == expected; }, kReplyMs);
  }

  // Camera 1 selected, Setup open, the transcript's size in `before`.
  static void OpenSetup(SetupDriver& setup, long long& before) {
    ASSERT_TRUE(SelectAndWait(0)) << panel.Text(IDC_STATUS);
    before = TranscriptSize();
    ASSERT_GE(before, 0) << "cannot read " << Transcript();
    ASSERT_TRUE(setup.Open(panel, kReplyMs)) << "no Setup dialog";
  }
};

PROCESS_INFORMATION OrvalixEndToEnd::process = {};
PanelDriver OrvalixEndToEnd::panel;
std::string OrvalixEndToEnd::folder;

// The network camera comes after the serial ones.
TEST_F(OrvalixEndToEnd, StartUpListsEveryCameraWithNoneSelected) {
  const std::vector<std::string> cameras = {"Camera 1", "Camera 2", "Camera 3", "Camera 4"};
  ASSERT_TRUE(WaitUntil([&] { return panel.ListTexts(IDC_CAMERA_LIST).size() >= cameras.size(); }, kStartMs))
      << "status: " << panel.Text(IDC_STATUS);
  EXPECT_EQ(cameras, panel.ListTexts(IDC_CAMERA_LIST));
  EXPECT_EQ("4 Cameras OK, none selected", panel.Text(IDC_STATUS));
  EXPECT_EQ(LB_ERR, panel.Ask(IDC_CAMERA_LIST, LB_GETCURSEL));
}

// The zoom slider's range follows the model: 30x, 10x, 20x; F3 reaches the
// program's own keyboard handling and picks the third camera.
TEST_F(OrvalixEndToEnd, SelectingACameraShowsItsZoomRange) {
  const LRESULT zoomTop[] = {290, 90, 190};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE("camera " + std::to_string(i + 1));
    if (i < 2) {
      ASSERT_TRUE(SelectAndWait(i)) << "status: " << panel.Text(IDC_STATUS);
    } else {
      panel.PressKey(VK_F3);
      ASSERT_TRUE(WaitUntil([] { return panel.Text(IDC_STATUS) == "Camera 3 selected"; }, kReplyMs));
      EXPECT_EQ(2, panel.Ask(IDC_CAMERA_LIST, LB_GETCURSEL));
    }
    EXPECT_EQ(zoomTop[i], panel.Ask(IDC_ZOOM_SLIDER, TBM_GETRANGEMAX));
    EXPECT_EQ(BST_CHECKED, panel.Ask(IDC_POWER, BM_GETCHECK));
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
  const std::string command = ">82 >01 >04 >47 >03 >07 >07 >07 >FF ";
  ASSERT_TRUE(WaitUntil(
      [&] {
        const std::string traffic = Traffic(1, before);
        const size_t at = traffic.find(command);
        return at != std::string::npos && traffic.find(">82 >09 >04 >47 >FF ", at) != std::string::npos;
      },
      kReplyMs))
      << "COM1: " << Traffic(1, before);
  EXPECT_EQ(std::string::npos, Traffic(1, before).find(">81 >01 >04 >47 ")) << "camera 1 zoomed too";
  EXPECT_EQ(std::string::npos, Traffic(2, before).find(">01 >04 >47 ")) << "camera 3 zoomed too";
  EXPECT_TRUE(WaitUntil([&] { return panel.Text(IDC_ZOOM_VALUE) == "x 6.7"; }, kReplyMs)) << panel.Text(IDC_ZOOM_VALUE);
  ASSERT_TRUE(SelectAndWait(0));
  ASSERT_TRUE(SelectAndWait(1));
  EXPECT_EQ(56, panel.Ask(IDC_ZOOM_SLIDER, TBM_GETPOS));
  EXPECT_EQ("x 6.6", panel.Text(IDC_ZOOM_VALUE));
}

// Camera 4 is the network camera (line 3): a zoom slider released for it
// reaches it over VISCA over IP, is read back, and no serial camera zooms.
TEST_F(OrvalixEndToEnd, ReleasingTheZoomSliderZoomsTheNetworkCamera) {
  ASSERT_TRUE(SelectAndWait(3)) << panel.Text(IDC_STATUS);
  EXPECT_EQ(290, panel.Ask(IDC_ZOOM_SLIDER, TBM_GETRANGEMAX));
  const long long before = TranscriptSize();
  ASSERT_GE(before, 0) << "cannot read " << Transcript();
  ASSERT_TRUE(panel.ReleaseSlider(IDC_ZOOM_SLIDER, 100));
  ASSERT_TRUE(WaitUntil(
      [&] {
        const std::string traffic = Traffic(3, before);
        const size_t at = traffic.find(">81 >01 >04 >47 ");
        return at != std::string::npos && traffic.find(">81 >09 >04 >47 >FF ", at) != std::string::npos;
      },
      kReplyMs))
      << "IP1: " << Traffic(3, before);
  EXPECT_EQ(std::string::npos, Traffic(1, before).find(">01 >04 >47 ")) << "a camera on COM1 zoomed too";
  EXPECT_EQ(std::string::npos, Traffic(2, before).find(">01 >04 >47 ")) << "the camera on COM2 zoomed too";
}

// "Save" stores the checked preset; the engine closes the dialog once the
// camera has confirmed, with the closing store of the power-on memory.
TEST_F(OrvalixEndToEnd, SetupSaveStoresPreset4AndCloses) {
  SetupDriver setup;
  long long before = 0;
  ASSERT_NO_FATAL_FAILURE(OpenSetup(setup, before));
  setup.Click(IDC_SETUP_PRESET_4);
  setup.Click(IDC_PRESET_SAVE);
  EXPECT_TRUE(setup.WaitClosed(kReplyMs)) << "the dialog stayed open";
  // Acknowledged and completed before the closing store of the power-on memory.
  const std::regex stored(">81 >01 >04 >3F >01 >04 >FF <90 <4. <FF <90 <5. <FF .*>81 >01 >04 >3F >01 >7F >FF ");
  EXPECT_TRUE(WaitUntil([&] { return std::regex_search(Traffic(1, before), stored); }, kReplyMs))
      << "COM1: " << Traffic(1, before);
}

// "Freeze" freezes camera 3 (the 0x5F at address 1 on COM2); a second click
// lets it go.
TEST_F(OrvalixEndToEnd, ClickingFreezeFreezesTheSelectedCamera) {
  ASSERT_TRUE(SelectAndWait(2)) << panel.Text(IDC_STATUS);
  const long long before = TranscriptSize();
  panel.Click(IDC_FREEZE);
  EXPECT_TRUE(Shows(2, before, ">81 >01 >04 >62 >02 >FF ")) << "COM2: " << Traffic(2, before);
  EXPECT_EQ(BST_CHECKED, panel.Ask(IDC_FREEZE, BM_GETCHECK));
  panel.Click(IDC_FREEZE);
  EXPECT_TRUE(Shows(2, before, ">81 >01 >04 >62 >03 >FF ")) << "COM2: " << Traffic(2, before);
  EXPECT_EQ(std::string::npos, Traffic(1, before).find(">01 >04 >62 ")) << "a camera on COM1 froze too";
}

// The Traffic window from the system menu: a raw power inquiry typed (its
// spaces stay text, no panel key rule), sent to camera 1, its answer listed
// and saved.
TEST_F(OrvalixEndToEnd, TrafficWindowSendsARawInquiryAndSavesTheList) {
  ASSERT_TRUE(SelectAndWait(0)) << panel.Text(IDC_STATUS);
  const LRESULT freeze = panel.Ask(IDC_FREEZE, BM_GETCHECK);
  const long long before = TranscriptSize();
  TrafficDriver traffic;
  ASSERT_TRUE(traffic.Open(panel, kReplyMs)) << "no Traffic window";
  EXPECT_EQ("Orvalix Traffic", WindowText(traffic.window));
  traffic.Type("81 09 04 00 FF");
  EXPECT_TRUE(WaitUntil([&] { return traffic.Text(IDC_TRAFFIC_EDIT) == "81 09 04 00 FF"; }, kReplyMs));
  traffic.Click(IDC_TRAFFIC_SEND);
  EXPECT_TRUE(Shows(1, before, ">81 >09 >04 >00 >FF <90 <50 <02 <FF ")) << "COM1: " << Traffic(1, before);
  std::vector<std::string> lines;
  EXPECT_TRUE(WaitUntil(
      [&] {
        lines = ListBoxTexts(traffic.Control(IDC_TRAFFIC_LIST));
        return std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
          return line.find(" COM1 Cam 1 <- 90 50 02 FF  answer, ") != std::string::npos;
        });
      },
      kReplyMs))
      << (lines.empty() ? "no lines" : lines.back());
  EXPECT_EQ("Queued for camera 1.", traffic.Text(IDC_TRAFFIC_MESSAGE));
  // The list scrolls as far as its widest line, in its fixed font.
  HDC dc = GetDC(nullptr);
  HGDIOBJ font = SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
  SIZE size = {}, widest = {};
  for (const std::string& line : lines)
    if (GetTextExtentPoint32A(dc, line.c_str(), static_cast<int>(line.size()), &size))
      widest.cx = std::max(widest.cx, size.cx);
  SelectObject(dc, font);
  ReleaseDC(nullptr, dc);
  EXPECT_GE(AskWindow(traffic.Control(IDC_TRAFFIC_LIST), LB_GETHORIZONTALEXTENT), widest.cx);
  EXPECT_EQ(freeze, panel.Ask(IDC_FREEZE, BM_GETCHECK)) << "a typed space toggled Freeze";

  char folder[MAX_PATH] = "";
  GetTempPathA(sizeof folder, folder);
  const std::string saved = std::string(folder) + "orvalix-traffic-e2e.txt";
  DeleteFileA(saved.c_str());
  ASSERT_TRUE(traffic.Save(saved, kReplyMs)) << "no Save dialog, or it stayed open";
  std::string text;
  EXPECT_TRUE(WaitUntil(
      [&] {
        std::ifstream file(saved, std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        return text.find(" COM1 Cam 1 -> 81 09 04 00 FF  power?\r\n") != std::string::npos &&
               text.find(" COM1 Cam 1 <- 90 50 02 FF  answer, ") != std::string::npos;
      },
      kReplyMs))
      << text.substr(0, 300);
  DeleteFileA(saved.c_str());
}

TEST_F(OrvalixEndToEnd, ExitEndsTheProgramWithExitCodeZero) {
  panel.Click(IDC_EXIT);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, kReplyMs)) << "still running after Exit";
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process.hProcess, &code);
  EXPECT_EQ(0u, code);
}

// COM2 unplugged and plugged back, then its camera switched off and on, by a
// camsim of this run's own on COM2's link (com2_e2e.sh); its transcript
// has COM2 as line 1. The entry of camera 3 and the status line follow at
// once, and a zoom slider let go reaches the camera once it is back.
class OrvalixRecovery : public OrvalixEndToEnd {
 protected:
  static constexpr DWORD kOutageMs = 30000;  // until the script's camsim takes the line away

  static bool ShowsStatus(const char* text, DWORD ms) {
    return WaitUntil([&] { return panel.Text(IDC_STATUS) == text; }, ms);
  }
  static std::string Camera3Entry() {
    const std::vector<std::string> entries = panel.ListTexts(IDC_CAMERA_LIST);
    return entries.size() >= 3 ? entries[2] : "(" + std::to_string(entries.size()) + " entries)";
  }
  static void ZoomReachesCamera3() {
    const long long before = TranscriptSize();
    ASSERT_TRUE(
        panel.ReleaseSlider(IDC_ZOOM_SLIDER, static_cast<int>(panel.Ask(IDC_ZOOM_SLIDER, TBM_GETPOS) + 40) % 190));
    EXPECT_TRUE(Shows(1, before, ">81 >01 >04 >47 >")) << "COM2: " << Traffic(1, before);
  }
};

TEST_F(OrvalixRecovery, Com2UnpluggedAndPluggedBack) {
  // The serial cameras, and the network camera of a folder's orvalix.ini after them.
  ASSERT_TRUE(WaitUntil([] { return panel.ListTexts(IDC_CAMERA_LIST).size() >= 3; }, kStartMs));
  ASSERT_TRUE(SelectAndWait(2)) << panel.Text(IDC_STATUS);
  ASSERT_TRUE(ShowsStatus("COM2 lost", kOutageMs)) << panel.Text(IDC_STATUS);
  EXPECT_TRUE(WaitUntil([] { return Camera3Entry() == "Camera 3 (no answer)"; }, kReplyMs)) << Camera3Entry();
  EXPECT_TRUE(ShowsStatus("COM2 back, 1 cameras", kReplyMs)) << panel.Text(IDC_STATUS);
  const std::vector<std::string> entries = panel.ListTexts(IDC_CAMERA_LIST);
  EXPECT_EQ((std::vector<std::string>{"Camera 1", "Camera 2", "Camera 3"}),
            std::vector<std::string>(entries.begin(), entries.begin() + std::min<size_t>(entries.size(), 3)));
  EXPECT_EQ(2, panel.Ask(IDC_CAMERA_LIST, LB_GETCURSEL));
  ZoomReachesCamera3();
}

TEST_F(OrvalixRecovery, CameraSwitchedOffAndOn) {
  ASSERT_TRUE(ShowsStatus("Camera 3 not answering", kOutageMs)) << panel.Text(IDC_STATUS);
  EXPECT_TRUE(WaitUntil([] { return Camera3Entry() == "Camera 3 (no answer)"; }, kReplyMs)) << Camera3Entry();
  EXPECT_TRUE(ShowsStatus("COM2 back, 1 cameras", kOutageMs)) << panel.Text(IDC_STATUS);
  EXPECT_EQ("Camera 3", Camera3Entry());
  EXPECT_EQ(2, panel.Ask(IDC_CAMERA_LIST, LB_GETCURSEL));
  ZoomReachesCamera3();
}

// COM2 carries a 0x70, a camera that pans and tilts (com2_e2e.sh; line 1 of
// its transcript), as camera 3. Speed stands at 0x0C, half its maximum pan
// speed 0x18; tilt 0x0C scaled to its maximum 0x14 is 0x0A; a standing axis
// carries a speed of its own.
class OrvalixPanTilt : public OrvalixEndToEnd {
 protected:
  // Each of `inOrder` (a dot for any digit) after the one before in the
  // 0x70's traffic since `offset`, within kReplyMs.
  static ::testing::AssertionResult Sees(long long offset, std::initializer_list<std::string> inOrder) {
    std::string traffic;
    const auto seen = [&] {
      traffic = Traffic(1, offset);
      auto at = traffic.cbegin();
      for (const std::string& b : inOrder)
        at = std::search(at, traffic.cend(), b.begin(), b.end(), [](char t, char p) { return p == '.' || p == t; });
      return at != traffic.cend();
    };
    if (WaitUntil(seen, kReplyMs)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "COM2 ends "
                                         << traffic.substr(traffic.size() - std::min<size_t>(traffic.size(), 600));
  }
};

const std::string kUp = ">81 >01 >06 >01 >.. >0A >03 >01 >FF ", kUpLeft = ">81 >01 >06 >01 >0C >0A >01 >01 >FF ",
                  kRight = ">81 >01 >06 >01 >0C >.. >02 >03 >FF ", kStop = ">81 >01 >06 >01 >.. >.. >03 >03 >FF ",
                  kDrive = ">81 >01 >06 >01 ", kRecall1 = ">81 >01 >04 >3F >02 >01 >FF ";

TEST_F(OrvalixPanTilt, ThePadComesUpForThePanTiltCamera) {
  ASSERT_TRUE(WaitUntil([] { return panel.ListTexts(IDC_CAMERA_LIST).size() >= 4; }, kStartMs));
  ASSERT_TRUE(SelectAndWait(2)) << panel.Text(IDC_STATUS);
  ASSERT_TRUE(WaitUntil([] { return panel.Control(IDC_PAD_HOME) != nullptr; }, kStartMs)) << "no pad";
  const char* const texts[] = {"Up Left", "Up", "Up Right", "Left", "Home", "Right", "Down Left", "Down", "Down Right"};
  for (int h = 0; h < 9; h++) EXPECT_EQ(texts[h], panel.Text(IDC_PAD_UP_LEFT + h));
  EXPECT_EQ("Speed", panel.Text(IDC_PAD_SPEED_LABEL));
  EXPECT_TRUE(std::regex_match(panel.Text(IDC_PAD_POSITION), std::regex("Pan -?\\d+  Tilt -?\\d+")))
      << panel.Text(IDC_PAD_POSITION);
}

// A held key's repeats send nothing: the recall of key 1 is queued behind
// anything they would have put. Two keys make their diagonal; 5 is Home.
TEST_F(OrvalixPanTilt, KeypadDrivesWhileHeldAndStopsWhenLetGo) {
  long long at = TranscriptSize();
  panel.HoldKey(VK_NUMPAD8);
  for (int k = 0; k < 3; k++) panel.HoldKey(VK_NUMPAD8, true);
  panel.PressKey('1');
  ASSERT_TRUE(Sees(at, {kUp, kRecall1}));
  const std::string held = Traffic(1, at);
  EXPECT_EQ(held.find(kDrive), held.rfind(kDrive, held.find(kRecall1))) << "more than one drive";
  panel.ReleaseKey(VK_NUMPAD8);
  EXPECT_TRUE(Sees(at, {kRecall1, kStop}));
  at = TranscriptSize();
  panel.HoldKey(VK_NUMPAD8);
  ASSERT_TRUE(Sees(at, {kUp}));
  panel.HoldKey(VK_NUMPAD4);
  EXPECT_TRUE(Sees(at, {kUp, kUpLeft}));
  panel.ReleaseKey(VK_NUMPAD4);
  panel.ReleaseKey(VK_NUMPAD8);
  EXPECT_TRUE(Sees(at, {kUpLeft, kStop}));
  panel.PressKey(VK_NUMPAD5);
  EXPECT_TRUE(Sees(at, {kStop, ">81 >01 >06 >04 >FF "}));
}

TEST_F(OrvalixPanTilt, AHeldButtonOrKeyStopsWhenLetGoOrDeactivated) {
  long long at = TranscriptSize();
  panel.PressButton(IDC_PAD_RIGHT);
  ASSERT_TRUE(Sees(at, {kRight}));
  panel.ReleaseButton(IDC_PAD_RIGHT);
  EXPECT_TRUE(Sees(at, {kRight, kStop}));
  ASSERT_TRUE(panel.Activate(kReplyMs)) << "cannot activate the panel";
  at = TranscriptSize();
  panel.HoldKey(VK_NUMPAD8);
  ASSERT_TRUE(Sees(at, {kUp}));
  ASSERT_TRUE(panel.Deactivate(kReplyMs)) << "the panel stayed active";
  EXPECT_TRUE(Sees(at, {kUp, kStop}));
  panel.ReleaseKey(VK_NUMPAD8);
}

// Back on the 0x70, key 1's recall comes after anything keypad 8 put.
TEST_F(OrvalixPanTilt, ABlockCameraHidesThePadAndTheKeypadMovesNothing) {
  ASSERT_TRUE(SelectAndWait(0)) << panel.Text(IDC_STATUS);
  EXPECT_TRUE(WaitUntil([] { return panel.Control(IDC_PAD_HOME) == nullptr; }, kReplyMs)) << "the pad stayed";
  const long long at = TranscriptSize();
  panel.PressKey(VK_NUMPAD8);
  ASSERT_TRUE(SelectAndWait(2)) << panel.Text(IDC_STATUS);
  panel.PressKey('1');
  ASSERT_TRUE(Sees(at, {kRecall1}));
  EXPECT_EQ(std::string::npos, Traffic(1, at).find(kDrive)) << "a drive went out";
}

// The program listens as its orvalix.ini's [Remote] says; a connection from
// this process drives it as clicks would. COM2 carries the 0x70 (camera 3).
class OrvalixRemote : public OrvalixPanTilt {
 protected:
  static unsigned short port;
  static void SetUpTestSuite() {
    port = FreeLoopbackPort();
    Launch("[Remote]\r\nListen=127.0.0.1:" + std::to_string(port) + "\r\n");
  }
};

unsigned short OrvalixRemote::port = 0;

TEST_F(OrvalixRemote, ACommandActsAsTheClickAndASubscriberHearsEveryChange) {
  ASSERT_TRUE(WaitUntil([] { return panel.ListTexts(IDC_CAMERA_LIST).size() >= 4; }, kStartMs));
  RemoteClient remote, watcher;
  ASSERT_TRUE(remote.Connect(port, kReplyMs)) << "nothing listens on port " << port;
  ASSERT_TRUE(watcher.Connect(port, kReplyMs));
  ASSERT_TRUE(watcher.Send("subscribe\n"));
  EXPECT_EQ("ok", watcher.Line(kReplyMs));
  long long at = TranscriptSize();
  ASSERT_TRUE(remote.Send("select 3\nrecall 2\nfreeze on\n"));
  EXPECT_EQ("ok Camera 3 selected", remote.Line(kReplyMs));
  EXPECT_EQ(0, remote.Line(kReplyMs).find("ok"));
  EXPECT_EQ(0, remote.Line(kReplyMs).find("ok"));
  EXPECT_TRUE(WaitUntil([] { return panel.Text(IDC_STATUS) == "Camera 3 selected"; }, kReplyMs))
      << panel.Text(IDC_STATUS);
  EXPECT_EQ(2, panel.Ask(IDC_CAMERA_LIST, LB_GETCURSEL));
  const std::string recall2 = ">81 >01 >04 >3F >02 >02 >FF ";
  EXPECT_TRUE(Sees(at, {recall2, recall2, ">81 >01 >04 >62 >02 >FF "}));
  EXPECT_TRUE(WaitUntil([] { return panel.Ask(IDC_RECALL2, BM_GETCHECK) == BST_CHECKED; }, kReplyMs));
  EXPECT_TRUE(WaitUntil([] { return panel.Ask(IDC_FREEZE, BM_GETCHECK) == BST_CHECKED; }, kReplyMs));
  EXPECT_EQ("event selected 3", watcher.LineStarting("event selected", kReplyMs));
  EXPECT_EQ("event status Camera 3 selected", watcher.LineStarting("event status Camera", kReplyMs));
  // A click in the list is heard as well.
  panel.SelectCamera(0);
  EXPECT_EQ("event selected 1", watcher.LineStarting("event selected", kReplyMs));
  ASSERT_TRUE(SelectAndWait(2)) << panel.Text(IDC_STATUS);
}

// A move is stopped when its connection goes; HTTP on the same port.
TEST_F(OrvalixRemote, AConnectionsMoveStopsWhenItClosesAndHttpAnswers) {
  RemoteClient remote, http;
  ASSERT_TRUE(remote.Connect(port, kReplyMs));
  const long long at = TranscriptSize();
  ASSERT_TRUE(remote.Send("select 3\nmove 5 0\n"));
  EXPECT_EQ("ok Camera 3 selected", remote.Line(kReplyMs));
  EXPECT_EQ("ok move 5 0 put", remote.Line(kReplyMs));
  ASSERT_TRUE(Sees(at, {">81 >01 >06 >01 >05 >.. >02 >03 >FF "}));
  remote.Close();
  EXPECT_TRUE(Sees(at, {">81 >01 >06 >01 >05 >.. >02 >03 >FF ", kStop}));
  ASSERT_TRUE(http.Connect(port, kReplyMs));
  ASSERT_TRUE(http.Send("GET /api?cmd=select+3 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
  EXPECT_EQ("HTTP/1.1 200 OK\r", http.Line(kReplyMs));
  EXPECT_EQ("ok Camera 3 selected", http.LineStarting("ok", kReplyMs));
  EXPECT_EQ("", http.Line(kReplyMs)) << "the connection stayed open";
}

// The Presets window on the 0x70's 63 presets: a recall beyond the buttons
// twice, a store after its question, names kept in the folder's
// orvalix-names.ini and shown in the list, and heard over the remote control.
TEST_F(OrvalixRemote, ThePresetsWindowRecallsStoresAndNames) {
  ASSERT_TRUE(SelectAndWait(2)) << panel.Text(IDC_STATUS);
  PresetsDriver presets;
  ASSERT_TRUE(presets.Open(panel, kReplyMs)) << "no Presets window";
  ASSERT_EQ(63u, presets.Rows().size());
  EXPECT_EQ("6", presets.Rows()[5]);
  long long at = TranscriptSize();
  presets.Choose(6);
  PostMessageA(presets.Control(IDC_PRESETS_LIST), WM_KEYDOWN, VK_RETURN, 0);  // Enter recalls
  const std::string recall6 = ">81 >01 >04 >3F >02 >06 >FF ";
  EXPECT_TRUE(Sees(at, {recall6, recall6}));
  presets.Choose(63);
  presets.Click(IDC_PRESETS_STORE);
  ASSERT_TRUE(presets.Answer(IDYES, kReplyMs)) << "no question before the store";
  EXPECT_TRUE(Sees(at, {">81 >01 >04 >3F >01 >3F >FF "}));
  presets.SetText(IDC_PRESETS_CAMERA_NAME, "Altar");
  presets.Click(IDC_PRESETS_CAMERA_RENAME);
  presets.SetText(IDC_PRESETS_NAME, "Choir wide");
  at = TranscriptSize();
  const HWND field = presets.Control(IDC_PRESETS_NAME);
  PostMessageA(field, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  PostMessageA(field, WM_LBUTTONUP, 0, 0);
  PostMessageA(field, WM_KEYDOWN, VK_RETURN, 0);  // Enter in the field names and recalls nothing
  EXPECT_TRUE(
      WaitUntil([&] { return presets.Rows().size() == 63 && presets.Rows()[62] == "63\tChoir wide"; }, kReplyMs));
  EXPECT_TRUE(WaitUntil([] { return panel.ListTexts(IDC_CAMERA_LIST)[2] == "Camera 3: Altar"; }, kReplyMs))
      << panel.ListTexts(IDC_CAMERA_LIST)[2];
  EXPECT_EQ(std::string::npos, Traffic(1, at).find(">3F >02 >3F ")) << "Enter in the name field recalled";
  std::ifstream file(folder + "\\orvalix-names.ini", std::ios::binary);
  const std::string kept((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_NE(std::string::npos, kept.find("[COM2 1]\r\nName=Altar\r\nPreset63=Choir wide\r\n")) << kept;
  RemoteClient remote;
  ASSERT_TRUE(remote.Connect(port, kReplyMs));
  ASSERT_TRUE(remote.Send("presets\n"));
  EXPECT_EQ("ok 1", remote.Line(kReplyMs));
  EXPECT_EQ("63 Choir wide", remote.Line(kReplyMs));
  PostMessageA(presets.Control(IDC_PRESETS_LIST), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(presets.window); }, kReplyMs)) << "Esc left the window open";
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: orvalix_e2e_test PATH-OF-orvalix.exe\n");
    return 2;
  }
  exePath = argv[1];
  InstallHangWatchdog();
  return RUN_ALL_TESTS();
}
