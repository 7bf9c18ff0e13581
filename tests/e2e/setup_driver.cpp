#include "tests/e2e/setup_driver.h"

#include "common/control_ids.h"

namespace {

struct DialogSearch {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindSetup(HWND window, LPARAM param) {
  DialogSearch* search = reinterpret_cast<DialogSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char cls[16] = "", title[16] = "";
  GetClassNameA(window, cls, sizeof cls);
  GetWindowTextA(window, title, sizeof title);
  if (pid != search->pid || lstrcmpA(cls, "#32770") != 0 || lstrcmpA(title, "Setup") != 0 || !IsWindowVisible(window))
    return TRUE;
  search->found = window;
  return FALSE;
}

struct ControlSearch {
  int id;
  HWND found;
};

// Every descendant: the radio buttons lie inside group boxes.
BOOL CALLBACK FindControl(HWND window, LPARAM param) {
  ControlSearch* search = reinterpret_cast<ControlSearch*>(param);
  if (GetDlgCtrlID(window) != search->id) return TRUE;
  search->found = window;
  return FALSE;
}

}  // namespace

bool SetupDriver::Open(const PanelDriver& panel, DWORD timeoutMs) {
  PostMessageA(panel.page, WM_COMMAND, MAKEWPARAM(IDC_SETUP, BN_CLICKED),
               reinterpret_cast<LPARAM>(panel.Control(IDC_SETUP)));
  return WaitUntil([&] { return Attach(panel); }, timeoutMs);
}

bool SetupDriver::Attach(const PanelDriver& panel) {
  DialogSearch search = {panel.processId, nullptr};
  EnumWindows(FindSetup, reinterpret_cast<LPARAM>(&search));
  dialog = search.found;
  // Filled once its last control exists.
  return dialog != nullptr && Control(IDC_VIDEO_PAL) != nullptr;
}

HWND SetupDriver::Control(int id) const {
  ControlSearch search = {id, nullptr};
  EnumChildWindows(dialog, FindControl, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

LRESULT SetupDriver::Ask(int id, UINT message, WPARAM wParam, LPARAM lParam) const {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(Control(id), message, wParam, lParam, SMTO_ABORTIFHUNG, PanelDriver::kMessageTimeoutMs,
                           &result))
    return -1;
  return static_cast<LRESULT>(result);
}

std::string SetupDriver::Text(int id) const {
  char text[64] = "";
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutA(Control(id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                           PanelDriver::kMessageTimeoutMs, &copied))
    return std::string();
  return std::string(text, copied < sizeof text ? copied : sizeof text - 1);
}

void SetupDriver::Click(int id) const { PostMessageA(Control(id), BM_CLICK, 0, 0); }

bool SetupDriver::WaitClosed(DWORD timeoutMs) const {
  return WaitUntil([this] { return !IsWindow(dialog); }, timeoutMs);
}

void SetupDriver::Repaint() const {
  DWORD_PTR unused = 0;
  SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, PanelDriver::kMessageTimeoutMs, &unused);
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, PanelDriver::kMessageTimeoutMs, &unused);
}
