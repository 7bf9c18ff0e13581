#include "ui_rig.h"

#include "ui/app_main.h"
#include "ui/main_window.h"
#include "ui/message_loop.h"
#include "ui/panel_commands.h"
#include "ui/panel_layout.h"
#include "ui/ui_globals.h"

#include <commctrl.h>

namespace {

// Dispatches what is left, a destroyed main window's WM_QUIT included, so no
// test sees another's messages.
void DrainQueue() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

void HoldShift(bool held) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_SHIFT] = held ? 0x80 : 0;
  SetKeyboardState(keys);
}

LRESULT CALLBACK RecordCreation(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    const CREATESTRUCTA* cs = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
    bool named = HIWORD(reinterpret_cast<uintptr_t>(cs->lpszClass)) != 0;
    created.push_back({cs->hwndParent, static_cast<int>(reinterpret_cast<intptr_t>(cs->hMenu)),
                       named ? cs->lpszClass : "", cs->lpszName ? cs->lpszName : "", static_cast<DWORD>(cs->style),
                       cs->dwExStyle, cs->x, cs->y, cs->cx, cs->cy});
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

std::vector<Created> created;

void ShellTest::SetUp() {
  ResetUiGlobals(GetModuleHandleA(nullptr));
  RegisterMainClass();  // the class stays registered from the first test on
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  created.clear();
  HHOOK hook = SetWindowsHookExA(WH_CBT, RecordCreation, nullptr, GetCurrentThreadId());
  bool made = CreateMainWindow() != 0;
  if (made) CreatePanelControls();
  UnhookWindowsHookEx(hook);
  ASSERT_TRUE(made);
  ShowPage(0);
  controller.requestQueue = &requestQueue;
  controller.notifyQueue = &notifyQueue;
  pController = &controller;
  DrainQueue();
}

void ShellTest::TearDown() {
  if (IsWindow(hMainWnd)) DestroyWindow(hMainWnd);
  DrainQueue();
  pController = nullptr;
  for (HWND& page : hPage) page = nullptr;
  DeleteObject(hbmMinus);
  DeleteObject(hbmPlus);
}

void ShellTest::AddCameras(int n, bool inController) {
  for (int i = 0; i < n; i++) {
    std::string name = "Camera " + std::to_string(i + 1);
    SendMessageA(Item(IDC_CAMERA_LIST), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    if (!inController) continue;
    CameraRecord& record = controller.cameras[i];
    record.modelCode = 0x4B;
    record.port = 2;
    record.address = i + 1;
    record.zoomPos = 0;
    record.aperture = 5;
    record.brightPos = 16;
    record.expCompPos = 7;
  }
  if (inController) controller.cameraCount = n;
}

void ShellTest::Select(int index) { SendMessageA(Item(IDC_CAMERA_LIST), LB_SETCURSEL, static_cast<WPARAM>(index), 0); }

RequestList ShellTest::Requests() {
  RequestList out;
  uint32_t camera, code, a, b;
  while (requestQueue.TryGet(camera, code, a, b)) out.push_back({static_cast<int32_t>(camera), code, a, b});
  return out;
}

std::string ShellTest::Text(int id) {
  char text[256] = "";
  GetWindowTextA(Item(id), text, sizeof text);
  return text;
}

int FocusId() {
  HWND focus = GetFocus();
  return focus ? static_cast<int>(GetWindowLongA(focus, GWL_ID)) : 0;
}

void RunLoop() {
  // WM_QUIT comes after every posted message, also those posted meanwhile.
  PostQuitMessage(0);
  RunMessageLoop();
}

void RouteWaiting() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) RouteMessage(msg);
}

void Press(int vk, bool shift) {
  HWND target = GetFocus() ? GetFocus() : hMainWnd;
  LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(static_cast<UINT>(vk), MAPVK_VK_TO_VSC)) << 16;
  HoldShift(shift);
  PostMessageA(target, WM_KEYDOWN, static_cast<WPARAM>(vk), scan | 1);
  PostMessageA(target, WM_KEYUP, static_cast<WPARAM>(vk), scan | 1 | (3u << 30));
  RunLoop();
  HoldShift(false);
}

bool operator==(const Request& x, const Request& y) {
  return x.camera == y.camera && x.code == y.code && x.a == y.a && x.b == y.b;
}

void PrintTo(const Request& r, std::ostream* out) {
  *out << "(" << r.camera << ", " << r.code << ", " << r.a << ", " << r.b << ")";
}
