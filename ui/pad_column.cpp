#include "ui/pad_column.h"

#include "common/control_ids.h"
#include "common/text.h"
#include "panel/pad_panel.h"
#include "ui/main_window.h"
#include "ui/ui_globals.h"

#include <commctrl.h>

namespace {

constexpr DWORD kBase = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
// Two-word names wrap onto two lines.
constexpr DWORD kPadButton = kBase | WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE;
constexpr DWORD kSpeedSlider = kBase | WS_TABSTOP;
constexpr DWORD kCaption = kBase;

constexpr int kMargin = 8;
constexpr int kButtonWidth = 52;
constexpr int kButtonHeight = 40;
constexpr int kGap = 4;
constexpr int kInnerWidth = 3 * kButtonWidth + 2 * kGap;
// On the rows of the zoom block, the exposure caption, its slider and the level block.
constexpr int kGridTop = 56;
constexpr int kSpeedCaptionY = 200;
constexpr int kSpeedY = 228;
constexpr int kSpeedHeight = 32;
constexpr int kPositionY = 286;
constexpr int kRowHeight = 20;

// What screen readers name; in PadHeading order.
const char* const kButtonTexts[PAD_HEADINGS] = {"Up Left", "Up",        "Up Right", "Left",      "Home",
                                                "Right",   "Down Left", "Down",     "Down Right"};
const int kColumnIds[] = {IDC_PAD_UP_LEFT,    IDC_PAD_UP,          IDC_PAD_UP_RIGHT,  IDC_PAD_LEFT,
                          IDC_PAD_HOME,       IDC_PAD_RIGHT,       IDC_PAD_DOWN_LEFT, IDC_PAD_DOWN,
                          IDC_PAD_DOWN_RIGHT, IDC_PAD_SPEED_LABEL, IDC_PAD_SPEED,     IDC_PAD_POSITION};

// The button's own procedure, kept on the window itself.
const char kOriginalProc[] = "OrvalixPadButtonProc";

bool ShiftHeld() { return GetKeyState(VK_SHIFT) < 0; }

bool ColumnUp() { return GetDlgItem(hPage[0], IDC_PAD_HOME) != nullptr; }

int HeadingOfId(int id) {
  const int heading = id - IDC_PAD_UP_LEFT;
  return heading >= 0 && heading < PAD_HEADINGS ? heading : kNoHeading;
}

// Pressed drives, let go (or the capture taken away) stops; the drive goes
// out before the button draws itself pressed.
LRESULT CALLBACK PadButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC original = reinterpret_cast<WNDPROC>(GetPropA(button, kOriginalProc));
  const PadHeading heading = static_cast<PadHeading>(HeadingOfId(GetDlgCtrlID(button)));
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      PadDirection(PAD_FROM_BUTTON, heading, true, ShiftHeld());
      break;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      PadDirection(PAD_FROM_BUTTON, heading, false, ShiftHeld());
      break;
    case WM_NCDESTROY:
      SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
      RemovePropA(button, kOriginalProc);
      break;
    default:
      break;
  }
  return CallWindowProcA(original, button, message, wParam, lParam);
}

void HoldToMove(HWND button) {
  LONG_PTR original = GetWindowLongPtrA(button, GWLP_WNDPROC);
  if (!SetPropA(button, kOriginalProc, reinterpret_cast<HANDLE>(original))) return;
  SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PadButtonProc));
}

HWND Child(const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id) {
  return CreateWindowExA(0, cls, text, style, x, y, w, h, hPage[0], reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         hInst, nullptr);
}

// The main window at its own size or wider by the column; the pages fill it.
void FitWindow(bool withColumn) {
  SetWindowPos(hMainWnd, nullptr, 0, 0, kMainWidth + (withColumn ? kPadColumnWidth : 0), kMainHeight,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client;
  GetClientRect(hMainWnd, &client);
  for (HWND page : hPage)
    SetWindowPos(page, nullptr, 0, 0, client.right, client.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void PutColumnUp() {
  const int x = PanelWidthWithoutPad() + kMargin;
  FitWindow(true);
  for (int h = 0; h < PAD_HEADINGS; h++) {
    HWND button = Child("BUTTON", kButtonTexts[h], kPadButton, x + (h % 3) * (kButtonWidth + kGap),
                        kGridTop + (h / 3) * (kButtonHeight + kGap), kButtonWidth, kButtonHeight, IDC_PAD_UP_LEFT + h);
    if (h != PAD_HOME) HoldToMove(button);
  }
  Child("STATIC", "Speed", kCaption, x, kSpeedCaptionY, kInnerWidth, kRowHeight, IDC_PAD_SPEED_LABEL);
  Child(TRACKBAR_CLASSA, "", kSpeedSlider, x, kSpeedY, kInnerWidth, kSpeedHeight, IDC_PAD_SPEED);
  Child("STATIC", "", kCaption, x, kPositionY, kInnerWidth, kRowHeight, IDC_PAD_POSITION);
}

void TakeColumnDown() {
  for (int id : kColumnIds) DestroyWindow(GetDlgItem(hPage[0], id));
  FitWindow(false);
}

}  // namespace

void BuildPadColumn(int32_t speedMax) {
  if (speedMax <= 0) {
    if (ColumnUp()) TakeColumnDown();
    return;
  }
  if (!ColumnUp()) PutColumnUp();
  HWND speed = GetDlgItem(hPage[0], IDC_PAD_SPEED);
  SendMessageA(speed, TBM_SETRANGE, TRUE, MAKELONG(1, speedMax));
  SendMessageA(speed, TBM_SETPOS, TRUE, (speedMax + 1) / 2);
}

int PanelWidthWithoutPad() {
  RECT client;
  GetClientRect(hPage[0], &client);
  return client.right - (ColumnUp() ? kPadColumnWidth : 0);
}

int FocusedPadHeading() {
  HWND focus = GetFocus();
  return focus && GetParent(focus) == hPage[0] ? HeadingOfId(GetDlgCtrlID(focus)) : kNoHeading;
}
