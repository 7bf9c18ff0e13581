#include "ui/tool_window.h"

#include "ui/ui_globals.h"

namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

bool RegisterToolClass(const char* className, WNDPROC proc) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  if (GetClassInfoExA(hInst, className, &wc)) return true;
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = hInst;
  wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = className;
  return RegisterClassExA(&wc) != 0;
}

}  // namespace

HWND CreateToolWindow(const char* className, const char* title, WNDPROC proc, int width, int height, ToolPlace place) {
  if (!RegisterToolClass(className, proc)) return nullptr;
  RECT r = {0, 0, width, height};
  AdjustWindowRectEx(&r, kWindowStyle, FALSE, WS_EX_CONTROLPARENT);
  const int w = r.right - r.left, h = r.bottom - r.top;
  int x = CW_USEDEFAULT, y = CW_USEDEFAULT;
  RECT main = {};
  // Over the panel it serves, as a dialog opens.
  if (place == TOOL_PLACE_OVER_PANEL && GetWindowRect(hMainWnd, &main)) {
    x = main.left + (main.right - main.left - w) / 2;
    y = main.top + (main.bottom - main.top - h) / 2;
  }
  return CreateWindowExA(WS_EX_CONTROLPARENT, className, title, kWindowStyle, x, y, w, h, hMainWnd, nullptr, hInst,
                         nullptr);
}

void ShowToolWindow(HWND window) {
  ShowWindow(window, SW_RESTORE);
  SetForegroundWindow(window);
}

HWND MakeToolControl(HWND window, const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id,
                     DWORD exStyle, int font) {
  HWND control = CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), hInst, nullptr);
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(font)), FALSE);
  return control;
}

bool RouteToolMessage(HWND window, MSG* msg) {
  if (!window || (msg->hwnd != window && !IsChild(window, msg->hwnd))) return false;
  return IsDialogMessageA(window, msg) != 0;
}
