#include "ui/keyboard.h"

#include "common/control_ids.h"
#include "common/text.h"
#include "panel/pad_panel.h"
#include "panel/panel_controls.h"
#include "panel/panel_globals.h"
#include "panel/panel_refresh.h"
#include "requests/request_codes.h"
#include "ui/pad_column.h"
#include "ui/panel_commands.h"
#include "ui/slider_steps.h"

#include <windows.h>

namespace {

// Bounds the walk round the siblings should the list change under it.
constexpr int kMaxSiblings = 1024;
constexpr int kDigitOne = '1';
constexpr int kRecallCount = 5;

// Where Up or Down goes: `whenClear` while check box `box` is unchecked (or
// always when box is 0), else `whenChecked`. So the travel skips a slider
// that its "Auto" box has disabled.
struct FocusTarget {
  int box, whenClear, whenChecked;
};

struct PanelRow {
  int members[4];  // 0 fills unused places
  FocusTarget down, up;
};

const PanelRow kRows[] = {
    {{IDC_ZOOM_SLIDER, IDC_ZOOM_VALUE, IDC_ZOOM_PLUS, IDC_ZOOM_MINUS},
     {0, IDC_SHARP_SLIDER, IDC_SHARP_SLIDER},
     {IDC_FOCUS_AUTO, IDC_FOCUS_SLIDER, IDC_FOCUS_AUTO}},
    {{IDC_SHARP_SLIDER, IDC_SHARP_VALUE, IDC_SHARP_MINUS, IDC_SHARP_PLUS},
     {0, IDC_EXPOSURE_AUTO, IDC_EXPOSURE_AUTO},
     {0, IDC_ZOOM_SLIDER, IDC_ZOOM_SLIDER}},
    {{IDC_EXPOSURE_AUTO, 0, 0, 0},
     {IDC_EXPOSURE_AUTO, IDC_BRIGHT_SLIDER, IDC_LEVEL_SLIDER},
     {0, IDC_SHARP_SLIDER, IDC_SHARP_SLIDER}},
    {{IDC_BRIGHT_SLIDER, IDC_BRIGHT_VALUE, IDC_BRIGHT_PLUS, IDC_BRIGHT_MINUS},
     {0, IDC_FOCUS_AUTO, IDC_FOCUS_AUTO},
     {0, IDC_EXPOSURE_AUTO, IDC_EXPOSURE_AUTO}},
    {{IDC_LEVEL_SLIDER, IDC_LEVEL_VALUE, IDC_LEVEL_PLUS, IDC_LEVEL_MINUS},
     {0, IDC_FOCUS_AUTO, IDC_FOCUS_AUTO},
     {IDC_EXPOSURE_AUTO, IDC_BRIGHT_SLIDER, IDC_SHARP_SLIDER}},
    {{IDC_FOCUS_AUTO, 0, 0, 0},
     {IDC_FOCUS_AUTO, IDC_FOCUS_SLIDER, IDC_ZOOM_SLIDER},
     {IDC_EXPOSURE_AUTO, IDC_BRIGHT_SLIDER, IDC_LEVEL_SLIDER}},
    {{IDC_FOCUS_SLIDER, IDC_FOCUS_VALUE, IDC_FOCUS_PLUS, IDC_FOCUS_MINUS},
     {0, IDC_ZOOM_SLIDER, IDC_ZOOM_SLIDER},
     {0, IDC_FOCUS_AUTO, IDC_FOCUS_AUTO}},
};

// The check boxes and the toggle that Enter flips before their command runs.
const int kFlippedByEnter[] = {IDC_EXPOSURE_AUTO, IDC_FOCUS_AUTO, IDC_ON_TOP, IDC_IRIS};

int FocusedId() {
  HWND focus = GetFocus();
  return focus ? static_cast<int>(GetWindowLongA(focus, GWL_ID)) : 0;
}

void PostPanelCommand(int id) { PostMessageA(hPage[0], WM_COMMAND, static_cast<WPARAM>(id), 0); }

// Only the panel's sliders: the Setup dialog's keys are the dialog's own.
const SliderSteps* FocusedSlider() {
  HWND focus = GetFocus();
  return focus && GetParent(focus) == hPage[0] ? StepsOfSlider(FocusedId()) : nullptr;
}

const PanelRow* FocusedRow() {
  int id = FocusedId();
  if (id == 0) return nullptr;
  for (const PanelRow& row : kRows)
    for (int member : row.members)
      if (member == id) return &row;
  return nullptr;
}

void MoveFocus(const FocusTarget& target) {
  int id = (target.box == 0 || !IsChecked(hPage[0], target.box)) ? target.whenClear : target.whenChecked;
  SetFocus(GetDlgItem(hPage[0], id));
}

// As if entry `index` were chosen in the list; nothing when there is none.
void SelectCameraByKey(int index) {
  LRESULT result = SendDlgItemMessageA(hPage[0], IDC_CAMERA_LIST, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  if (result != LB_ERR) SelectCamera(index);
}

bool ShiftHeld() { return GetKeyState(VK_SHIFT) < 0; }

// Keypad 1..9 as Windows reports them with NumLock on and Shift held.
const int kShiftedKeypad[] = {VK_END, VK_DOWN, VK_NEXT, VK_LEFT, VK_CLEAR, VK_RIGHT, VK_HOME, VK_UP, VK_PRIOR};

// Keypad keys drive only while the pad is up; Space holds a focused pad button.
bool OnPadKey(int virtualKey, int down) {
  const int key = PadHeadingOfKey(virtualKey);
  const int button = virtualKey == VK_SPACE ? FocusedPadHeading() : kNoHeading;
  if (virtualKey == VK_SHIFT && down) PadRefreshDrive(true);
  if (key != kNoHeading && PadShown()) {
    if (down) PadDirection(PAD_FROM_KEY, static_cast<PadHeading>(key), true, ShiftHeld());
    return true;
  }
  if (button == kNoHeading) return false;
  if (down) PadDirection(PAD_FROM_BUTTON, static_cast<PadHeading>(button), true, ShiftHeld());
  return true;
}

void RecallByKey(int k) {
  PostPanelCommand(IDC_RECALL1 + k);
  CheckRadioButton(hPage[0], IDC_RECALL1, IDC_RECALL5, IDC_RECALL1 + k);
}

}  // namespace

void NextTabStop(int forward) {
  HWND start = GetFocus();
  // Only controls take part: a page or the main window has no siblings to
  // tab to (a top-level "sibling" would be any other window on the desktop).
  if (!start || !(GetWindowLongA(start, GWL_STYLE) & WS_CHILD)) return;
  HWND w = start;
  for (int i = 0; i < kMaxSiblings; i++) {
    w = GetWindow(w, forward ? GW_HWNDNEXT : GW_HWNDPREV);
    if (!w) w = GetWindow(start, forward ? GW_HWNDFIRST : GW_HWNDLAST);
    if (!w || w == start) return;
    if (!(GetWindowLongA(w, GWL_STYLE) & WS_TABSTOP)) continue;
    if (IsWindowEnabled(w)) {
      SetFocus(w);
      return;
    }
  }
}

void ToggleFreeze() {
  bool frozen = IsChecked(hPage[0], IDC_FREEZE);
  PutRequest(REQ_FREEZE, frozen ? 0 : 1);
  SetChecked(hPage[0], IDC_FREEZE, !frozen);
}

void PressFocusedControl() {
  int id = FocusedId();
  for (int flipped : kFlippedByEnter) {
    if (flipped != id) continue;
    SetChecked(hPage[0], id, !IsChecked(hPage[0], id));
  }
  PostPanelCommand(id);
}

void ReleaseKey(int virtualKey) {
  const int key = PadHeadingOfKey(virtualKey);
  if (key != kNoHeading) PadDirection(PAD_FROM_KEY, static_cast<PadHeading>(key), false, ShiftHeld());
  if (virtualKey == VK_SHIFT) PadRefreshDrive(false);
  // Space holds whichever pad button had the focus as it went down.
  if (virtualKey != VK_SPACE) return;
  for (int h = 0; h < PAD_HEADINGS; h++) PadDirection(PAD_FROM_BUTTON, static_cast<PadHeading>(h), false, ShiftHeld());
}

int ShiftedKeypadKey(int virtualKey, bool extended) {
  if (extended || !(GetKeyState(VK_NUMLOCK) & 1) || !PadShown()) return 0;
  for (int k = 0; k < PAD_HEADINGS; k++)
    if (kShiftedKeypad[k] == virtualKey) return VK_NUMPAD1 + k;
  return 0;
}

void OnShiftedKeypadKey(int keypadKey, int down) {
  const int key = PadHeadingOfKey(keypadKey);
  if (key != kNoHeading) PadDirection(PAD_FROM_KEY, static_cast<PadHeading>(key), down != 0, true);
}

int OnKey(int virtualKey, int down) {
  if (OnPadKey(virtualKey, down)) return 1;
  if (virtualKey == VK_LEFT || virtualKey == VK_RIGHT) {
    const SliderSteps* steps = FocusedSlider();
    if (steps) {
      if (down) PostPanelCommand(virtualKey == VK_LEFT ? steps->minus : steps->plus);
      return 1;
    }
  }
  if (virtualKey == VK_UP || virtualKey == VK_DOWN) {
    const PanelRow* row = FocusedRow();
    if (row) {
      if (down) MoveFocus(virtualKey == VK_DOWN ? row->down : row->up);
      return 1;
    }
  }
  if (virtualKey >= VK_F1 && virtualKey <= VK_F24) {
    if (down) SelectCameraByKey(virtualKey - VK_F1);
    return 1;
  }
  if (virtualKey >= kDigitOne && virtualKey < kDigitOne + kRecallCount) {
    if (down) RecallByKey(virtualKey - kDigitOne);
    return 1;
  }
  return 0;
}
