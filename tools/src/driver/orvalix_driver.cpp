// orvalix_driver: steps for scripts that drive a running Orvalix under Wine,
// done in the order given; the first that fails ends it with status 1.
//   attach SECONDS         find the panel of a running program
//   wait-cameras N SECONDS until the camera list holds N entries
//   wait-status PREFIX SECONDS until the status line starts with PREFIX
//   select N SECONDS       select camera N and wait for "Camera N selected"
//   clicks K               click "Freeze" K times, 50 to 150 ms apart, printing
//                          "click_us T" (the machine's real-time clock in
//                          microseconds) just before each click (tools/bench)
//   wait-pad SECONDS       until the pad is up (a camera that pans and tilts selected)
//   pad K                  keypad 8 or 2 by turns pressed and let go K times, each
//                          held and let go 50 to 150 ms, printing "key_down_us T"
//                          and "key_up_us T" just before each key (tools/bench)
//   geometry               let it paint, print the main window as WxH+X+Y
//   close SECONDS          close the main window and wait for the program to end
//   setup SECONDS          open the Setup dialog and wait until it shows
//   setup-geometry         let it paint, print the Setup dialog as WxH+X+Y
//   setup-close SECONDS    press the open Setup dialog's "Exit" and wait until it has gone
#include "common/control_ids.h"
#include "tools/src/driver/panel_driver.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr DWORD kMsPerSecond = 1000;
constexpr DWORD kClickGapMs = 50;
constexpr DWORD kClickSpreadMs = 100;
// FILETIME counts 100 ns steps from 1601; the Unix epoch is this many later.
constexpr unsigned long long kUnixEpochTicks = 116444736000000000ULL;
constexpr unsigned long long kTicksPerUs = 10;

int Fail(const PanelDriver& panel, const char* what) {
  std::fprintf(stderr, "orvalix_driver: %s (status line: \"%s\")\n", what, panel.Text(IDC_STATUS).c_str());
  return 1;
}

DWORD Seconds(const char* text) { return static_cast<DWORD>(std::strtoul(text, nullptr, 10)) * kMsPerSecond; }

// Wine reads the host's real-time clock for this call, so the figure lines up
// with camsim's transcript written with --clock realtime.
double RealTimeUs() {
  FILETIME ft;
  GetSystemTimePreciseAsFileTime(&ft);
  const unsigned long long ticks = (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return static_cast<double>(ticks - kUnixEpochTicks) / kTicksPerUs;
}

// Closer than the idle poll's 200 ms, so after the first click no poll comes
// between them; a fixed sequence, so runs space their clicks alike.
void Clicks(const PanelDriver& panel, int count) {
  unsigned spread = 12345;
  for (int k = 0; k < count; ++k) {
    spread = spread * 1103515245u + 12345u;
    Sleep(kClickGapMs + (spread >> 8) % kClickSpreadMs);
    std::printf("click_us %.1f\n", RealTimeUs());
    panel.Click(IDC_FREEZE);
  }
  std::fflush(stdout);
}

// Held as long as the clicks are apart, so no idle poll comes between a key
// and its drive or stop either.
void PadKeys(const PanelDriver& panel, int count) {
  unsigned spread = 54321;
  for (int k = 0; k < 2 * count; ++k) {
    spread = spread * 1103515245u + 12345u;
    Sleep(kClickGapMs + (spread >> 8) % kClickSpreadMs);
    const UINT key = k % 4 < 2 ? VK_NUMPAD8 : VK_NUMPAD2;
    std::printf("%s %.1f\n", k % 2 == 0 ? "key_down_us" : "key_up_us", RealTimeUs());
    if (k % 2 == 0)
      panel.HoldKey(key);
    else
      panel.ReleaseKey(key);
  }
  std::fflush(stdout);
}

bool PrintGeometry(HWND window) {
  RECT r;
  if (!GetWindowRect(window, &r)) return false;
  std::printf("%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
  std::fflush(stdout);
  return true;
}

bool CloseAndWait(const PanelDriver& panel, DWORD timeoutMs) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, panel.processId);
  panel.Close();
  const bool ended = process != nullptr && WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
  if (process != nullptr) CloseHandle(process);
  return ended;
}

int Usage() {
  std::fprintf(stderr,
               "usage: orvalix_driver STEP...\n"
               "  attach SECONDS | wait-cameras N SECONDS | wait-status PREFIX SECONDS | select N SECONDS\n"
               "  clicks K | wait-pad SECONDS | pad K | geometry | close SECONDS\n"
               "  setup SECONDS | setup-geometry | setup-close SECONDS\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  PanelDriver panel;
  SetupDriver setup;
  for (int i = 1; i < argc; ++i) {
    const std::string step = argv[i];
    const int args = argc - i - 1;
    if (step == "attach" && args >= 1) {
      if (!panel.Attach(0, Seconds(argv[++i]))) return Fail(panel, "no Orvalix window");
    } else if (step == "wait-cameras" && args >= 2 && panel.page != nullptr) {
      const size_t want = std::strtoul(argv[++i], nullptr, 10);
      if (!WaitUntil([&] { return panel.ListTexts(IDC_CAMERA_LIST).size() >= want; }, Seconds(argv[++i])))
        return Fail(panel, "the camera list stayed short");
    } else if (step == "wait-status" && args >= 2 && panel.page != nullptr) {
      const std::string prefix = argv[++i];
      if (!WaitUntil([&] { return panel.Text(IDC_STATUS).rfind(prefix, 0) == 0; }, Seconds(argv[++i])))
        return Fail(panel, "the status line did not come");
    } else if (step == "clicks" && args >= 1 && panel.page != nullptr) {
      Clicks(panel, std::atoi(argv[++i]));
    } else if (step == "wait-pad" && args >= 1 && panel.page != nullptr) {
      if (!WaitUntil([&] { return panel.Control(IDC_PAD_HOME) != nullptr; }, Seconds(argv[++i])))
        return Fail(panel, "the pad did not come up");
    } else if (step == "pad" && args >= 1 && panel.page != nullptr) {
      PadKeys(panel, std::atoi(argv[++i]));
    } else if (step == "select" && args >= 2 && panel.page != nullptr) {
      const std::string expected = std::string("Camera ") + argv[++i] + " selected";
      panel.SelectCamera(std::atoi(argv[i]) - 1);
      if (!WaitUntil([&] { return panel.Text(IDC_STATUS) == expected; }, Seconds(argv[++i])))
        return Fail(panel, "the camera was not selected");
    } else if (step == "geometry" && panel.page != nullptr) {
      RepaintWindow(panel.main);
      if (!PrintGeometry(panel.main)) return Fail(panel, "no window to measure");
    } else if (step == "setup" && args >= 1 && panel.page != nullptr) {
      if (!setup.Open(panel, Seconds(argv[++i]))) return Fail(panel, "no Setup dialog");
    } else if (step == "setup-geometry" && setup.dialog != nullptr) {
      RepaintWindow(setup.dialog);
      if (!PrintGeometry(setup.dialog)) return Fail(panel, "no window to measure");
    } else if (step == "setup-close" && args >= 1 && panel.page != nullptr) {
      if (setup.dialog == nullptr && !setup.Attach(panel)) return Fail(panel, "no Setup dialog open");
      setup.Click(IDC_SETUP_EXIT);
      if (!setup.WaitClosed(Seconds(argv[++i]))) return Fail(panel, "the Setup dialog stayed open");
    } else if (step == "close" && args >= 1 && panel.page != nullptr) {
      if (!CloseAndWait(panel, Seconds(argv[++i]))) return Fail(panel, "still running after WM_CLOSE");
    } else {
      return Usage();
    }
  }
  return argc > 1 ? 0 : Usage();
}
