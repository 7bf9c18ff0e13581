#include "ui/app_main.h"

#include "common/text.h"
#include "names/names_store.h"
#include "net/net_config.h"
#include "panel/panel_globals.h"
#include "panel/window_hooks.h"
#include "resources/resource_ids.h"
#include "resources/version.h"
#include "ui/main_window.h"
#include "ui/main_wnd_proc.h"
#include "ui/panel_commands.h"
#include "ui/panel_layout.h"
#include "ui/presets_window.h"
#include "ui/remote_window.h"
#include "ui/traffic_window.h"
#include "ui/ui_globals.h"
#include "ui/window_names.h"

#include <commctrl.h>

namespace {

// Network lines and remote control, in the current folder beside
// QuickHelp.mht. Without it the program opens no socket.
constexpr char kNetworkFile[] = "orvalix.ini";

// The first line of the file that was skipped, and how many more were.
void NameSkippedLines(const NetConfigErrors& skipped) {
  if (skipped.count == 1) SetStatus("%s", skipped.texts[0]);
  if (skipped.count > 1) SetStatus("%s (and %d more)", skipped.texts[0], skipped.count - 1);
}

}  // namespace

ATOM RegisterMainClass() {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  wc.lpfnWndProc = MainWndProc;
  wc.hInstance = hInst;
  wc.hIcon = LoadIconA(hInst, MAKEINTRESOURCEA(IDI_ORVALIX));
  wc.hIconSm = wc.hIcon;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = szClassName;
  return RegisterClassExA(&wc);
}

int InitApp(HINSTANCE instance) {
  HCURSOR previousCursor = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  // Before the panel exists: finds no status line and shows nothing.
  SetStatus("Initierar...");
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  hInst = instance;
  if (!CreateMainWindow()) return 0;
  AddTrafficMenuItem(hMainWnd);
  AddPresetsMenuItem(hMainWnd);
  CreatePanelControls();
  ShowPage(0);
  NetConfig network;
  NetConfigErrors skipped;
  LoadNetConfigFile(kNetworkFile, &network, &skipped);
  char namesStatus[kNamesStatusChars];
  OpenWindowNames(namesStatus, sizeof namesStatus);
  // The engine draws into the panel through its hooks, from its first status text on.
  pController = EngineCreate(WindowHooks(), &network, nullptr);
  SetTimer(hMainWnd, kDrainTimerId, kDrainPeriodMs, nullptr);
  SetStatus("Ver %d.%d.%d", ORVALIX_VERSION_MAJOR, ORVALIX_VERSION_MINOR, ORVALIX_VERSION_PATCH);
  NameSkippedLines(skipped);
  if (namesStatus[0] != 0) SetStatus("%s", namesStatus);
  StartWindowRemote(kNetworkFile);
  SetCursor(previousCursor);
  return 1;
}

void CleanupApp() {
  if (bCleanupPending) {
    KillTimer(hMainWnd, kDrainTimerId);
    // No connection reaches the engine once it is being destroyed.
    const bool remoteStopped = StopWindowRemote();
    // Serves the worker's pending calls into the panel while it waits.
    EngineDestroy(pController);
    pController = nullptr;
    // A listener left running may still name something.
    if (remoteStopped) CloseWindowNames();
  }
  bCleanupPending = 0;
}
