#include "ui/setup/setup_dialog.h"

#include "common/control_ids.h"
#include "common/text.h"
#include "panel/panel_controls.h"
#include "panel/panel_globals.h"
#include "panel/panel_refresh.h"
#include "panel/slider_controls.h"
#include "resources/resource_ids.h"
#include "ui/setup/setup_commands.h"
#include "ui/setup/setup_controls.h"
#include "ui/ui_globals.h"

#include <commctrl.h>

namespace {

// An optional icon file in the current directory.
const char kIconFile[] = "icon1.ico";
constexpr int kSmallIconSize = 16;
constexpr int kLargeIconSize = 32;
constexpr int kPresetCount = 5;

HICON LoadIconFile(int size) {
  return static_cast<HICON>(LoadImageA(nullptr, kIconFile, IMAGE_ICON, size, size, LR_LOADFROMFILE));
}

// The dialog owns the icons it loaded: one it replaces is let go.
void ReplaceIcon(HWND window, WPARAM kind, HICON icon) {
  if (HICON previous = reinterpret_cast<HICON>(SendMessageA(window, WM_SETICON, kind, reinterpret_cast<LPARAM>(icon))))
    DestroyIcon(previous);
}

void OnInitDialog(HWND dialog) {
  // Without the file the dialog simply has no icon of its own.
  if (HICON icon = LoadIconFile(kSmallIconSize)) ReplaceIcon(dialog, ICON_SMALL, icon);
  CreateSetupControls(dialog);
  for (int k = 0; k < kPresetCount; k++) SetChecked(dialog, IDC_SETUP_PRESET_1 + k, false);
  RefreshPanel(pController, SelectedCamera());
  // The preset last recalled on the panel is the one offered for storing.
  for (int k = 0; k < kPresetCount; k++)
    if (IsChecked(hPage[0], IDC_RECALL1 + k)) SetChecked(dialog, IDC_SETUP_PRESET_1 + k, true);
}

// Both icons from the file; a missing one is reported.
void SetIconsFromFile(HWND window) {
  if (HICON big = LoadIconFile(kLargeIconSize))
    ReplaceIcon(window, ICON_BIG, big);
  else
    MessageBoxA(window, "Could not load large icon!", "Error", MB_OK | MB_ICONHAND);
  if (HICON small = LoadIconFile(kSmallIconSize))
    ReplaceIcon(window, ICON_SMALL, small);
  else
    MessageBoxA(window, "Could not load small icon!", "Error", MB_OK | MB_ICONHAND);
}

void OnCommand(HWND window, int id) {
  if (id == IDOK) EndDialog(window, IDOK);
  if (id == IDCANCEL) EndDialog(window, IDCANCEL);
  OnSetupCommand(window, id);
}

void OnNotify(WPARAM controlId, const NMHDR* header) {
  if (header && header->code == static_cast<UINT>(NM_RELEASEDCAPTURE)) PostSliderRequest(static_cast<int>(controlId));
}

// The icons loaded from the file belong to this dialog; nothing reaches the
// closed dialog through hSetupDlg afterwards.
void OnDestroy(HWND dialog) {
  ReplaceIcon(dialog, ICON_SMALL, nullptr);
  ReplaceIcon(dialog, ICON_BIG, nullptr);
  if (hSetupDlg.load() == dialog) hSetupDlg = nullptr;
}

}  // namespace

INT_PTR OpenSetupDialog(HWND owner) {
  return DialogBoxParamA(hInst, MAKEINTRESOURCEA(IDD_SETUP), owner, SetupDlgProc, 0);
}

INT_PTR CALLBACK SetupDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog(window);
      return TRUE;
    case WM_COMMAND:
      OnCommand(window, LOWORD(wParam));
      return TRUE;
    case WM_NOTIFY:
      OnNotify(wParam, reinterpret_cast<const NMHDR*>(lParam));
      return TRUE;
    case WM_LBUTTONDOWN:
      // A click on a free spot takes the focus from the controls.
      SetFocus(hSetupDlg.load());
      return TRUE;
    case WM_CREATE:
      SetIconsFromFile(window);
      return TRUE;
    case WM_DESTROY:
      OnDestroy(window);
      return FALSE;
    default:
      return FALSE;
  }
}
