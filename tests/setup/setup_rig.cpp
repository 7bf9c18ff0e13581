#include "setup_rig.h"

#include "ui/setup/setup_dialog.h"

namespace {

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
  char text[256] = "";
  GetWindowTextA(child, text, sizeof text);
  if (text[0] != '\0') notice->text = text;
  return TRUE;
}

// After a message box has set itself up: note what it says, then press "OK".
LRESULT CALLBACK CatchMessageBox(int code, WPARAM wParam, LPARAM lParam) {
  const CWPRETSTRUCT* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && call->message == WM_INITDIALOG && call->hwnd != hSetupDlg.load()) {
    char caption[256] = "";
    GetWindowTextA(call->hwnd, caption, sizeof caption);
    Notice notice = {caption, "", GetWindow(call->hwnd, GW_OWNER), false, {}};
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

void SetupTest::SetUp() {
  ShellTest::SetUp();
  hSetupDlg = nullptr;
}

void SetupTest::TearDown() {
  if (HWND dialog = hSetupDlg.load()) DestroyWindow(dialog);
  ShellTest::TearDown();
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

std::string SetupText(int id) {
  char text[256] = "";
  GetWindowTextA(SetupItem(id), text, sizeof text);
  return text;
}

CameraRecord& SetupTest::Camera(int i, int32_t modelCode) {
  controller.cameras[i] = CameraRecord();
  controller.cameras[i].modelCode = modelCode;
  if (controller.cameraCount.load() <= i) controller.cameraCount = i + 1;
  return controller.cameras[i];
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
