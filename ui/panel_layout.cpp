#include "ui/panel_layout.h"

#include "common/control_ids.h"
#include "common/text.h"
#include "panel/pad_panel.h"
#include "resources/resource_ids.h"
#include "ui/bitmaps.h"
#include "ui/pad_column.h"
#include "ui/slider_steps.h"
#include "ui/ui_globals.h"

#include <commctrl.h>

#include <cstdint>

namespace {

constexpr DWORD kBase = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD kCaption = kBase;
constexpr DWORD kSlider = kBase | TBS_AUTOTICKS;
constexpr DWORD kSliderTab = kBase | WS_TABSTOP | TBS_AUTOTICKS;
constexpr DWORD kStepButton = kBase | WS_TABSTOP | BS_BITMAP;
constexpr DWORD kValueBox = kBase | ES_READONLY | ES_CENTER;
constexpr DWORD kStatusBox = kBase | WS_TABSTOP | ES_READONLY;
constexpr DWORD kCheckBox = kBase | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kToggle = kBase | WS_TABSTOP | BS_PUSHLIKE | BS_AUTOCHECKBOX;
constexpr DWORD kRadio = kBase | WS_TABSTOP | BS_AUTORADIOBUTTON;
constexpr DWORD kPushButton = kBase | WS_TABSTOP | BS_PUSHBUTTON;
// The list draws no children, so it clips only its siblings.
constexpr DWORD kCameraList =
    WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | LBS_MULTICOLUMN | LBS_NOTIFY;

constexpr int kMargin = 8;
constexpr int kRowHeight = 20;
constexpr int kStepSize = 20;
constexpr int kValueWidth = 60;
constexpr int kSliderX = 28;
constexpr int kSliderHeight = 32;
constexpr int kButtonHeight = 25;
constexpr int kListHeight = 140;

struct SliderBlock {
  int y;
  int slider, minus, plus, value;
  DWORD style;
  int32_t lo, hi, pos, ticEvery;
};

// Top to bottom; creation order is also the Tab order.
constexpr SliderBlock kZoomBlock = {
    56, IDC_ZOOM_SLIDER, IDC_ZOOM_MINUS, IDC_ZOOM_PLUS, IDC_ZOOM_VALUE, kSlider, 0, 90, 50, 10};
constexpr SliderBlock kSharpBlock = {
    142, IDC_SHARP_SLIDER, IDC_SHARP_MINUS, IDC_SHARP_PLUS, IDC_SHARP_VALUE, kSlider, 0, 15, 8, 1};
constexpr SliderBlock kBrightBlock = {
    228, IDC_BRIGHT_SLIDER, IDC_BRIGHT_MINUS, IDC_BRIGHT_PLUS, IDC_BRIGHT_VALUE, kSliderTab, 5, 23, 16, 1};
constexpr SliderBlock kLevelBlock = {
    286, IDC_LEVEL_SLIDER, IDC_LEVEL_MINUS, IDC_LEVEL_PLUS, IDC_LEVEL_VALUE, kSliderTab, 0, 14, 7, 1};
constexpr SliderBlock kFocusBlock = {
    372, IDC_FOCUS_SLIDER, IDC_FOCUS_MINUS, IDC_FOCUS_PLUS, IDC_FOCUS_VALUE, kSlider, 1, 99, 50, 5};

constexpr int kZoomCaptionY = 28;
constexpr int kSharpCaptionY = 114;
constexpr int kExposureRowY = 200;
constexpr int kLevelCaptionY = 264;
constexpr int kFocusRowY = 344;
constexpr int kRecallRowY = 414;
constexpr int kRecallCaptionWidth = 50;
constexpr int kRecallX = 80;
constexpr int kRecallPitch = 42;
constexpr int kRecallWidth = 40;

HWND Child(HWND parent, const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id) {
  return CreateWindowExA(0, cls, text, style, x, y, w, h, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         hInst, nullptr);
}

void StepButton(HWND page, int id, HBITMAP image, int x, int y) {
  HWND button = Child(page, "BUTTON", "", kStepButton, x, y, kStepSize, kStepSize, id);
  SendMessageA(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image));
}

void CreateSliderBlock(HWND page, const SliderBlock& b, int colW) {
  HWND slider = Child(page, TRACKBAR_CLASSA, "", b.style, kSliderX, b.y, colW - 40, kSliderHeight, b.slider);
  SendMessageA(slider, TBM_SETRANGE, TRUE, MAKELONG(b.lo, b.hi));
  SendMessageA(slider, TBM_SETPOS, TRUE, b.pos);
  SendMessageA(slider, TBM_SETTICFREQ, b.ticEvery, 0);
  StepSliderByWheel(slider);
  StepButton(page, b.minus, hbmMinus, kMargin, b.y);
  StepButton(page, b.plus, hbmPlus, colW - 12, b.y);
  Child(page, "EDIT", "", kValueBox, colW + 16, b.y, kValueWidth, kRowHeight, b.value);
}

// The logo's size plus its margin; the right column is laid out around it.
SIZE MeasureLogo() {
  SIZE size = {kLogoWidth + kLogoMargin, kLogoHeight + kLogoMargin};
  HBITMAP logo = LoadPanelBitmap(IDB_LOGO);
  if (!logo) {
    ErrorBox("ErrLoad");
    return size;
  }
  BITMAP info;
  if (GetObjectA(logo, sizeof info, &info)) size = {info.bmWidth + kLogoMargin, info.bmHeight + kLogoMargin};
  DeleteObject(logo);
  return size;
}

void CreateLeftColumn(HWND page, int colW, int halfW) {
  Child(page, "STATIC", "Optical Zoom", kCaption, kMargin, kZoomCaptionY, colW, kRowHeight, IDC_LABEL);
  CreateSliderBlock(page, kZoomBlock, colW);
  Child(page, "STATIC", "Sharpness", kCaption, kMargin, kSharpCaptionY, colW, kRowHeight, IDC_LABEL);
  CreateSliderBlock(page, kSharpBlock, colW);
  Child(page, "STATIC", "Brightness", kCaption, kMargin, kExposureRowY, halfW - 30, kRowHeight, IDC_BRIGHT_LABEL);
  Child(page, "BUTTON", "Auto", kCheckBox, kMargin + halfW - 30, kExposureRowY, halfW - 40, kRowHeight,
        IDC_EXPOSURE_AUTO);
  Child(page, "BUTTON", "Iris", kCheckBox, kMargin + 2 * halfW - 70, kExposureRowY, halfW - 30, kRowHeight, IDC_IRIS);
  CreateSliderBlock(page, kBrightBlock, colW);
  Child(page, "STATIC", "Bright/Iris Level", kCaption, kMargin, kLevelCaptionY, halfW, kRowHeight, IDC_LEVEL_LABEL);
  CreateSliderBlock(page, kLevelBlock, colW);
  Child(page, "STATIC", "Focus", kCaption, kMargin, kFocusRowY, halfW, kRowHeight, IDC_LABEL);
  Child(page, "BUTTON", "Auto", kCheckBox, kMargin + halfW + kMargin, kFocusRowY, halfW, kRowHeight, IDC_FOCUS_AUTO);
  CreateSliderBlock(page, kFocusBlock, colW);
  Child(page, "STATIC", "Recall", kCaption, kMargin, kRecallRowY, kRecallCaptionWidth, kRowHeight, IDC_LABEL);
  static const char* const kRecallCaptions[] = {"1", "2", "3", "4", "5"};
  for (int k = 0; k < 5; k++)
    Child(page, "BUTTON", kRecallCaptions[k], kRadio, kRecallX + kRecallPitch * k, kRecallRowY, kRecallWidth,
          kRowHeight, IDC_RECALL1 + k);
}

// Returns the y of the last button row ("Exit").
int CreateRightColumn(HWND page, int W, SIZE logo, int btnW) {
  Child(page, "LISTBOX", "", kCameraList, W - logo.cx - kMargin, logo.cy + 44, logo.cx, kListHeight, IDC_CAMERA_LIST);
  int x = W - kMargin - btnW;
  int y = logo.cy + 192;
  Child(page, "BUTTON", "On Top", kToggle, x, y, btnW, kButtonHeight, IDC_ON_TOP);
  y += 56;
  Child(page, "BUTTON", "Setup", kPushButton, x, y, btnW, kButtonHeight, IDC_SETUP);
  // The main window is created topmost; the toggle shows it.
  CheckDlgButton(page, IDC_ON_TOP, BST_CHECKED);
  y += 36;
  Child(page, "BUTTON", "Help", kPushButton, x, y, btnW, kButtonHeight, IDC_HELP);
  y += 36;
  Child(page, "BUTTON", "About", kPushButton, x, y, btnW, kButtonHeight, IDC_ABOUT);
  y += 56;
  Child(page, "BUTTON", "Power", kToggle, x, y, btnW, kButtonHeight, IDC_POWER);
  y += 36;
  Child(page, "BUTTON", "Exit", kPushButton, x, y, btnW, kButtonHeight, IDC_EXIT);
  // Left of "Power" and "Exit", as tall as both with the gap between them.
  Child(page, "BUTTON", "Freeze", kToggle, W - 16 - 2 * btnW - 28, y - 36, btnW, 2 * kButtonHeight + 12, IDC_FREEZE);
  return y;
}

void CreateReturnButton() {
  RECT client;
  GetClientRect(hPage[1], &client);
  Child(hPage[1], "BUTTON", "Return", kPushButton, client.right - 128, client.bottom - 36, 120, 28, IDC_RETURN);
}

}  // namespace

int CreatePanelControls() {
  HWND page = hPage[0];
  RECT client;
  GetClientRect(page, &client);
  int W = client.right;
  SIZE logo = MeasureLogo();
  hbmMinus = LoadPanelBitmap(IDB_MINUS);
  hbmPlus = LoadPanelBitmap(IDB_PLUS);
  int colW = (W - 24) / 2;
  int halfW = (colW - 8) / 2;
  int sideW = colW - logo.cx - 16;
  int btnW = sideW - 18;
  CreateLeftColumn(page, colW, halfW);
  int lastRowY = CreateRightColumn(page, W, logo, btnW);
  Child(page, "EDIT", "", kStatusBox, kMargin, lastRowY + 5, colW, kRowHeight, IDC_STATUS);
  CreateReturnButton();
  // No pad until a pan/tilt camera is selected.
  PadAttach(BuildPadColumn);
  ShowWindow(hMainWnd, SW_SHOW);
  UpdateWindow(hMainWnd);
  return 1;
}
