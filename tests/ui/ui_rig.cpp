#include "ui_rig.h"

#include "ui/app_main.h"
#include "ui/main_window.h"
#include "ui/message_loop.h"
#include "ui/panel_commands.h"
#include "ui/panel_layout.h"
#include "ui/setup/setup_dialog.h"
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

constexpr UINT kLimitMs = 20000;
constexpr INT_PTR kEndedByLimit = 99;

std::function<void(HWND)> pendingScript;
UINT_PTR scriptTimer;
UINT_PTR limitTimer;

void CALLBACK RunPendingScript(HWND, UINT, UINT_PTR, DWORD) {
  KillTimer(nullptr, scriptTimer);
  std::function<void(HWND)> script;
  script.swap(pendingScript);
  if (HWND dialog = hSetupDlg.load()) script(dialog);
}

bool HasClass(HWND window, const char* name) {
  char cls[64] = "";
  GetClassNameA(window, cls, sizeof cls);
  return lstrcmpiA(cls, name) == 0;
}

// Ends every dialog of this thread (a forgotten message box included).
BOOL CALLBACK EndThreadDialog(HWND window, LPARAM) {
  if (HasClass(window, "#32770")) EndDialog(window, kEndedByLimit);
  return TRUE;
}

void CALLBACK EndAtLimit(HWND, UINT, UINT_PTR, DWORD) {
  KillTimer(nullptr, limitTimer);
  ADD_FAILURE() << "the Setup dialog was still open after " << kLimitMs << " ms";
  EnumThreadWindows(GetCurrentThreadId(), EndThreadDialog, 0);
}

std::vector<Notice> notices;
HHOOK noticeHook;

// Fills the box's text and icon into the notice.
BOOL CALLBACK ReadBoxChild(HWND child, LPARAM param) {
  Notice* notice = reinterpret_cast<Notice*>(param);
  if (!HasClass(child, "Static")) return TRUE;
  if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
    HICON shown = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    notice->informationIcon = shown != nullptr && shown == LoadIconA(nullptr, IDI_INFORMATION);
    return TRUE;
  }
  std::string text = WindowText(child);
  if (!text.empty()) notice->text = text;
  return TRUE;
}

// After a message box has set itself up: note what it says, then press "OK".
LRESULT CALLBACK CatchMessageBox(int code, WPARAM wParam, LPARAM lParam) {
  const CWPRETSTRUCT* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && call->message == WM_INITDIALOG && call->hwnd != hSetupDlg.load()) {
    Notice notice = {WindowText(call->hwnd), "", GetWindow(call->hwnd, GW_OWNER), false, {}};
    EnumChildWindows(call->hwnd, ReadBoxChild, reinterpret_cast<LPARAM>(&notice));
    QueueMessage m;
    while (pController && pController->requestQueue->TryGet(m.cameraIndex, m.code, m.a, m.b))
      notice.requestsBefore.push_back({static_cast<int32_t>(m.cameraIndex), m.code, m.a, m.b});
    notices.push_back(notice);
    PostMessageA(call->hwnd, WM_COMMAND, IDOK, 0);
  }
  return CallNextHookEx(noticeHook, code, wParam, lParam);
}

}  // namespace

void ShellTest::SetUp() {
  ResetUiGlobals(GetModuleHandleA(nullptr));
  RegisterMainClass();  // the class stays registered from the first test on
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  ASSERT_TRUE(CreateMainWindow() != 0);
  CreatePanelControls();
  ShowPage(0);
  controller.requestQueue = &requestQueue;
  controller.notifyQueue = &notifyQueue;
  pController = &controller;
  hSetupDlg = nullptr;
  DrainQueue();
}

void ShellTest::TearDown() {
  if (HWND dialog = hSetupDlg.load()) DestroyWindow(dialog);
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
    if (inController) Camera(i, 0x4B);
  }
}

CameraRecord& ShellTest::Camera(int i, int32_t modelCode) {
  controller.cameras[i] = CameraRecord();
  controller.cameras[i].modelCode = modelCode;
  if (controller.cameraCount.load() <= i) controller.cameraCount = i + 1;
  return controller.cameras[i];
}

void ShellTest::Select(int index) { SendMessageA(Item(IDC_CAMERA_LIST), LB_SETCURSEL, static_cast<WPARAM>(index), 0); }

RequestList ShellTest::Requests() {
  RequestList out;
  uint32_t camera, code, a, b;
  while (requestQueue.TryGet(camera, code, a, b)) out.push_back({static_cast<int32_t>(camera), code, a, b});
  return out;
}

std::string WindowText(HWND window) {
  char text[256] = "";
  GetWindowTextA(window, text, sizeof text);
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

INT_PTR RunSetup(const std::function<void(HWND dialog)>& script) {
  pendingScript = script;
  scriptTimer = SetTimer(nullptr, 0, 0, RunPendingScript);
  limitTimer = SetTimer(nullptr, 0, kLimitMs, EndAtLimit);
  INT_PTR result = OpenSetupDialog(hPage[0]);
  KillTimer(nullptr, scriptTimer);
  KillTimer(nullptr, limitTimer);
  pendingScript = nullptr;
  return result;
}

HWND SetupItem(int id) {
  HWND dialog = hSetupDlg.load();
  if (HWND item = GetDlgItem(dialog, id)) return item;
  for (HWND group : {hWbGroup.load(), hEffectGroup.load(), hNirGroup.load(), hGammaGroup.load(), hVideoGroup.load()})
    if (HWND item = GetDlgItem(group, id)) return item;
  return nullptr;
}

NoticeWatch::NoticeWatch() {
  notices.clear();
  noticeHook = SetWindowsHookExA(WH_CALLWNDPROCRET, CatchMessageBox, nullptr, GetCurrentThreadId());
}

NoticeWatch::~NoticeWatch() { UnhookWindowsHookEx(noticeHook); }

std::vector<Notice> NoticeWatch::Take() {
  std::vector<Notice> taken;
  taken.swap(notices);
  return taken;
}

void ReleaseThumbAndTurn(HWND slider, int pos, std::initializer_list<int> wheel) {
  SendMessageA(slider, TBM_SETPOS, TRUE, pos);
  RECT thumb;
  SendMessageA(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
  LPARAM at = MAKELPARAM((thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2);
  PostMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(slider, WM_LBUTTONUP, 0, at);
  for (int delta : wheel) PostMessageA(slider, WM_MOUSEWHEEL, MAKEWPARAM(0, delta), at);
}
