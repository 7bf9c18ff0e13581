// The panel's own keyboard rules. The message loop hands them every key-down
// and key-up and the Tab, Space and Enter characters; no control sees those.
#pragma once

// Moves the focus to the next (forward 1) or previous (0) enabled sibling
// with a tab stop, wrapping around; the window order is the creation order.
void NextTabStop(int forward);
// Space: toggles "Freeze" and asks the selected camera for the new state,
// whichever window has the focus.
void ToggleFreeze();
// Enter: runs the focused control's command as a click would; the check
// boxes and "On Top" flip first, "Power" and "Freeze" resend what they show.
void PressFocusedControl();
// Keypad 1..9 drive the pad while it is up, Space holds a focused pad
// button (both act on key-down only; ReleaseKey lets go). Arrows step sliders and move between rows, F1..F24 select a
// camera, 1..5 recall a preset. Key-ups of those keys do nothing. Returns 1 for a key of these rules, 0 for any other.
int OnKey(int virtualKey, int down);
// With NumLock on, Windows reports a keypad key held with Shift as its
// navigation key (keypad 8 as VK_UP, 5 as VK_CLEAR) without the extended bit
// of the dedicated keys, after a Shift key-up of its own. While the pad is up
// such a key is its keypad key (VK_NUMPAD1..VK_NUMPAD9, returned), 0 for
// any other key.
int ShiftedKeypadKey(int virtualKey, bool extended);
// That keypad key pressed (down 1) or let go (0) with Shift held: the maximum speed.
void OnShiftedKeypadKey(int keypadKey, int down);
// Any key let go, whichever window of the thread had it and with Alt or
// not: a held keypad key or Space lets the pad go, Shift drops the maximum.
void ReleaseKey(int virtualKey);
