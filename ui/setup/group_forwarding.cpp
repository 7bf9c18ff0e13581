#include "ui/setup/group_forwarding.h"

namespace {

// The group box's own procedure, kept on the window itself.
const char kOriginalProc[] = "OrvalixGroupProc";

WNDPROC OriginalProc(HWND groupBox) { return reinterpret_cast<WNDPROC>(GetPropA(groupBox, kOriginalProc)); }

LRESULT CALLBACK GroupBoxProc(HWND groupBox, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC original = OriginalProc(groupBox);
  switch (message) {
    case WM_COMMAND:
      return SendMessageA(GetParent(groupBox), WM_COMMAND, wParam, lParam);
    case WM_NCDESTROY:
      SetWindowLongPtrA(groupBox, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
      RemovePropA(groupBox, kOriginalProc);
      break;
    default:
      break;
  }
  return CallWindowProcA(original, groupBox, message, wParam, lParam);
}

}  // namespace

void ForwardCommandsToParent(HWND groupBox) {
  if (!groupBox) return;
  LONG_PTR original = GetWindowLongPtrA(groupBox, GWLP_WNDPROC);
  if (!SetPropA(groupBox, kOriginalProc, reinterpret_cast<HANDLE>(original))) return;
  SetWindowLongPtrA(groupBox, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GroupBoxProc));
}
