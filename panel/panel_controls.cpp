#include "panel/panel_controls.h"

#include "common/control_ids.h"
#include "common/text.h"

void SetSliderRange(HWND parent, int id, int32_t lo, int32_t hi) {
  SendDlgItemMessageA(parent, id, TBM_SETRANGE, TRUE, MAKELONG(lo, hi));
}

void SetSliderPos(HWND parent, int id, int32_t pos) { SendDlgItemMessageA(parent, id, TBM_SETPOS, TRUE, pos); }

void SetSliderTicks(HWND parent, int id, int32_t every) {
  SendDlgItemMessageA(parent, id, TBM_SETTICFREQ, static_cast<WPARAM>(every), 0);
}

int32_t SliderPos(HWND parent, int id) {
  return static_cast<int32_t>(SendDlgItemMessageA(parent, id, TBM_GETPOS, 0, 0));
}

void ShowText(HWND parent, int id, const ValueText& text) { SetDlgItemTextA(parent, id, text.text); }

void SetChecked(HWND parent, int id, bool checked) {
  CheckDlgButton(parent, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool IsChecked(HWND parent, int id) { return IsDlgButtonChecked(parent, id) == BST_CHECKED; }

void EnableControl(HWND parent, int id, bool enabled) { EnableWindow(GetDlgItem(parent, id), enabled ? TRUE : FALSE); }

void SetCaption(HWND parent, int id, const char* text, bool enabled) {
  SetDlgItemTextA(parent, id, text);
  EnableControl(parent, id, enabled);
}

int32_t SelectedCamera() {
  return static_cast<int32_t>(SendDlgItemMessageA(hPage[0], IDC_CAMERA_LIST, LB_GETCURSEL, 0, 0));
}
