#include "ui/painting.h"

#include "common/control_ids.h"
#include "common/text.h"
#include "resources/resource_ids.h"
#include "ui/bitmaps.h"
#include "ui/pad_column.h"

namespace {

constexpr int kEdgeMargin = 8;
constexpr int kLogoTop = 10;
constexpr int kPromptGap = 22;
// The prompt shows its first two words only.
constexpr char kPrompt[] = "Highlight Camera Please";
constexpr int kPromptShown = 16;

const int kFramedBoxes[] = {IDC_STATUS,       IDC_CAMERA_LIST, IDC_ZOOM_VALUE, IDC_SHARP_VALUE,
                            IDC_BRIGHT_VALUE, IDC_FOCUS_VALUE, IDC_LEVEL_VALUE};

// The logo centred over the camera list and the prompt below it. Loaded
// afresh each time; nothing is held between paints. Without the logo only
// the prompt is drawn.
void PaintLogo(HDC hdc, int W) {
  HBITMAP logo = LoadPanelBitmap(IDB_LOGO);
  BITMAP info = {};
  info.bmWidth = kLogoWidth;
  info.bmHeight = kLogoHeight;
  if (logo) GetObjectA(logo, sizeof info, &info);
  int w = info.bmWidth + kLogoMargin;
  int h = info.bmHeight + kLogoMargin;
  int cx = W - w / 2 - kEdgeMargin;
  if (logo) {
    HDC memory = CreateCompatibleDC(hdc);
    HGDIOBJ previous = SelectObject(memory, logo);
    BitBlt(hdc, cx - w / 2 + 2, kLogoTop, w - kLogoMargin, h - kLogoMargin, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(logo);
  }
  TextOutA(hdc, cx - w / 2, h + kPromptGap, kPrompt, kPromptShown);
}

}  // namespace

void PaintWindow(HWND hwnd, HDC hdc) {
  RECT client;
  GetClientRect(hwnd, &client);
  SetBkMode(hdc, TRANSPARENT);
  if (hwnd != hPage[0]) return;
  PaintLogo(hdc, PanelWidthWithoutPad());
  for (int id : kFramedBoxes) FrameControl(hdc, hPage[0], id);
}

void FrameControl(HDC hdc, HWND parent, int id) {
  HWND control = GetDlgItem(parent, id);
  if (!IsWindowVisible(control)) return;
  RECT r;
  GetWindowRect(control, &r);
  POINT topLeft = {r.left, r.top};
  POINT bottomRight = {r.right, r.bottom};
  ScreenToClient(parent, &topLeft);
  ScreenToClient(parent, &bottomRight);
  DrawFrame(hdc, topLeft.x, topLeft.y, bottomRight.x, bottomRight.y, 1, 0);
}

void DrawFrame(HDC hdc, int left, int top, int right, int bottom, int thickness, int raised) {
  int t = thickness;
  HGDIOBJ previous = SelectObject(hdc, GetStockObject(raised ? WHITE_BRUSH : GRAY_BRUSH));
  PatBlt(hdc, left - t, top - t, right - left + 2 * t, t, PATCOPY);
  PatBlt(hdc, left - t, top - t, t, bottom - top + 2 * t, PATCOPY);
  SelectObject(hdc, GetStockObject(raised ? GRAY_BRUSH : WHITE_BRUSH));
  PatBlt(hdc, right, top - 1, t, bottom - top + 2 * t - 1, PATCOPY);
  PatBlt(hdc, left - 1, bottom, right - left + 2 * t - 1, t, PATCOPY);
  SelectObject(hdc, previous);
}
