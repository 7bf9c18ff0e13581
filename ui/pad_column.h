// The pad's column right of the panel: eight direction buttons round
// "Home", the Speed slider with its caption and the position text. It is up
// only while a pan/tilt camera is selected, and the main window is wider by
// it while it is; otherwise none of it exists.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr int kPadColumnWidth = 180;

// The pad's builder (PadAttach): puts the column up with a Speed slider of
// 1..speedMax at its half, rounded up, or takes it down (speedMax 0).
void BuildPadColumn(int32_t speedMax);
// Page 0's width without the column: the panel's own layout and painting.
int PanelWidthWithoutPad();
// The heading (PadHeading) of the focused pad button, -1 when the focus is
// on none.
int FocusedPadHeading();
