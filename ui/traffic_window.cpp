#include "ui/traffic_window.h"

#include "engine/orvalix_engine.h"
#include "panel/panel_controls.h"
#include "panel/panel_globals.h"
#include "ui/panel_commands.h"
#include "ui/tool_window.h"
#include "ui/ui_globals.h"

#include <commdlg.h>

#include <cstdio>

namespace {

const char kClassName[] = "OrvalixTraffic";
const char kTitle[] = "Orvalix Traffic";

constexpr int kClientWidth = 600;
constexpr int kClientHeight = 410;
constexpr int kMargin = 10;
constexpr int kListHeight = 300;
constexpr int kRowHeight = 24;
constexpr int kButtonWidth = 80;
constexpr int kGap = 10;
constexpr UINT_PTR kRefreshTimerId = 1;
constexpr UINT kRefreshMs = 100;
// The list keeps the newest lines; the trace itself keeps no more.
constexpr LRESULT kMaxLines = kEngineTraceEntries;
constexpr int kLineChars = kTraceLineChars;
// The edit box takes a long paste whole; the parser says what is wrong with it.
constexpr int kRawTextChars = 16000;
constexpr int kMessageChars = 160;
// Room beyond the widest line's text: the list's margin before it, a little after.
constexpr int kLinePaddingPx = 6;

HWND window = nullptr;
uint32_t nextId = 1;  // the next trace entry the list shows
int widestPx = 0;     // the widest line listed, which the list scrolls to

HWND Control(int id) { return GetDlgItem(window, id); }

void Make(const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id, DWORD exStyle = 0) {
  MakeToolControl(window, cls, text, style, x, y, w, h, id, exStyle,
                  id == IDC_TRAFFIC_LIST ? ANSI_FIXED_FONT : DEFAULT_GUI_FONT);
}

void CreateControls() {
  const int inner = kClientWidth - 2 * kMargin;
  int y = kMargin;
  Make("LISTBOX", "", WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT, kMargin, y, inner, kListHeight,
       IDC_TRAFFIC_LIST, WS_EX_CLIENTEDGE);
  y += kListHeight + kGap;
  Make("BUTTON", "Pause", WS_TABSTOP | BS_AUTOCHECKBOX, kMargin, y, kButtonWidth, kRowHeight, IDC_TRAFFIC_PAUSE);
  Make("BUTTON", "Clear", WS_TABSTOP | BS_PUSHBUTTON, kMargin + kButtonWidth + kGap, y, kButtonWidth, kRowHeight,
       IDC_TRAFFIC_CLEAR);
  Make("BUTTON", "Save...", WS_TABSTOP | BS_PUSHBUTTON, kMargin + 2 * (kButtonWidth + kGap), y, kButtonWidth,
       kRowHeight, IDC_TRAFFIC_SAVE);
  y += kRowHeight + kGap;
  Make("EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, kMargin, y, inner - kButtonWidth - kGap, kRowHeight, IDC_TRAFFIC_EDIT,
       WS_EX_CLIENTEDGE);
  SendMessageA(Control(IDC_TRAFFIC_EDIT), EM_LIMITTEXT, kRawTextChars, 0);
  Make("BUTTON", "Send", WS_TABSTOP | BS_DEFPUSHBUTTON, kClientWidth - kMargin - kButtonWidth, y, kButtonWidth,
       kRowHeight, IDC_TRAFFIC_SEND);
  y += kRowHeight + kGap / 2;
  Make("STATIC", "", 0, kMargin, y, inner, kRowHeight, IDC_TRAFFIC_MESSAGE);
}

// Lets the list scroll as far as its widest line (0 after a clear).
void SetScrollWidth(HWND list, int px) {
  widestPx = px;
  SendMessageA(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(px > 0 ? px + kLinePaddingPx : 0), 0);
}

// `dc` holds the list's font.
void AddLine(HWND list, HDC dc, const char* text) {
  SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  if (SendMessageA(list, LB_GETCOUNT, 0, 0) > kMaxLines) SendMessageA(list, LB_DELETESTRING, 0, 0);
  SIZE size;
  if (GetTextExtentPoint32A(dc, text, lstrlenA(text), &size) && size.cx > widestPx) SetScrollWidth(list, size.cx);
}

// The newest trace entry; none without an engine.
uint32_t Newest() { return pController ? EngineTraceNewest(pController) : 0; }

// New trace entries into the list, which follows them; nothing while paused.
void Refresh() {
  if (IsDlgButtonChecked(window, IDC_TRAFFIC_PAUSE) == BST_CHECKED) return;
  HWND list = Control(IDC_TRAFFIC_LIST);
  const uint32_t newest = Newest();
  if (newest < nextId) return;
  HDC dc = GetDC(list);
  HGDIOBJ font = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0)));
  char line[kLineChars];
  if (newest - nextId >= kEngineTraceEntries) {
    const uint32_t oldest = newest - kEngineTraceEntries + 1;
    snprintf(line, sizeof line, "... %u entries not shown", oldest - nextId);
    AddLine(list, dc, line);
    nextId = oldest;
  }
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  for (; nextId <= newest; nextId++) {
    TraceLines entry;
    if (EngineTraceRead(pController, nextId, &entry)) AddLine(list, dc, entry.named);
  }
  SelectObject(dc, font);
  ReleaseDC(list, dc);
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  SendMessageA(list, LB_SETTOPINDEX, static_cast<WPARAM>(SendMessageA(list, LB_GETCOUNT, 0, 0) - 1), 0);
}

void Send() {
  static char text[kRawTextChars + 1];
  char message[kMessageChars];
  GetDlgItemTextA(window, IDC_TRAFFIC_EDIT, text, sizeof text);
  RawPacket packet;
  if (ParseRawPacket(text, &packet, message, sizeof message) == RAW_OK) {
    const int32_t camera = SelectedCamera();
    if (pController && EnginePutRaw(pController, camera, packet, message, sizeof message) == RAW_SEND_PUT)
      snprintf(message, sizeof message, "Queued for camera %d.", static_cast<int>(camera + 1));
  }
  SetDlgItemTextA(window, IDC_TRAFFIC_MESSAGE, message);
}

// The list's lines, each ended as Windows text files end them.
long WriteLines(FILE* file) {
  HWND list = Control(IDC_TRAFFIC_LIST);
  const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
  char line[kLineChars];
  for (LRESULT i = 0; i < count; i++) {
    if (SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0) >= kLineChars) continue;
    SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line));
    fprintf(file, "%s\r\n", line);
  }
  return static_cast<long>(count);
}

// The lines shown, as a plain text file the user names.
void Save() {
  char path[MAX_PATH] = "traffic.txt";
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = window;
  ofn.lpstrFilter = "Text files (*.txt)\0*.txt\0All files\0*.*\0";
  ofn.lpstrFile = path;
  ofn.nMaxFile = sizeof path;
  ofn.lpstrDefExt = "txt";
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
  if (!GetSaveFileNameA(&ofn)) return;
  FILE* file = fopen(path, "wb");
  char message[kMessageChars];
  if (!file) {
    snprintf(message, sizeof message, "Cannot write %.100s.", path);
    SetDlgItemTextA(window, IDC_TRAFFIC_MESSAGE, message);
    return;
  }
  const long count = WriteLines(file);
  if (fclose(file) == 0)
    snprintf(message, sizeof message, "Saved %ld lines to %.100s.", count, path);
  else
    snprintf(message, sizeof message, "Cannot write %.100s.", path);
  SetDlgItemTextA(window, IDC_TRAFFIC_MESSAGE, message);
}

void OnCommand(int id) {
  switch (id) {
    case IDC_TRAFFIC_CLEAR:
      SendMessageA(Control(IDC_TRAFFIC_LIST), LB_RESETCONTENT, 0, 0);
      SetScrollWidth(Control(IDC_TRAFFIC_LIST), 0);
      nextId = Newest() + 1;
      break;
    case IDC_TRAFFIC_SAVE:
      Save();
      break;
    case IDC_TRAFFIC_SEND:
      Send();
      break;
    case IDCANCEL:
      DestroyWindow(window);
      break;
    default:
      break;
  }
}

LRESULT CALLBACK TrafficWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      return 0;
    case WM_TIMER:
      if (wParam == kRefreshTimerId) Refresh();
      return 0;
    case WM_DESTROY:
      KillTimer(hwnd, kRefreshTimerId);
      window = nullptr;
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

}  // namespace

void AddTrafficMenuItem(HWND mainWindow) {
  HMENU menu = GetSystemMenu(mainWindow, FALSE);
  if (!menu) return;
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, kTrafficMenuCommand, "Traffic...");
}

void OpenTrafficWindow() {
  if (window) {
    ShowToolWindow(window);
    return;
  }
  window = CreateToolWindow(kClassName, kTitle, TrafficWndProc, kClientWidth, kClientHeight, TOOL_PLACE_DEFAULT);
  if (!window) return;
  CreateControls();
  // The trace from its start, as far as the ring still holds it.
  nextId = 1;
  widestPx = 0;
  Refresh();
  SetTimer(window, kRefreshTimerId, kRefreshMs, nullptr);
  ShowWindow(window, SW_SHOW);
  SetFocus(Control(IDC_TRAFFIC_EDIT));
}

bool RouteTrafficMessage(MSG* msg) { return RouteToolMessage(window, msg); }
