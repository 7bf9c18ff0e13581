// The pad as the panel holds it: the one hold-to-move machine, the camera
// the pad's column is up for, and its position text. The buttons and the
// keypad keys reach it through PadDirection. User-interface thread only.
#pragma once

#include "panel/pad_drive.h"

#include <cstdint>

// The window shell's part: puts up the pad's column with a Speed slider of
// 1..speedMax standing at its half, or takes it down (speedMax 0).
typedef void (*PadColumnBuilder)(int32_t speedMax);
// A new panel: the pad forgets everything and builds its column with `builder`.
void PadAttach(PadColumnBuilder builder);

// A heading of a pad button or a keypad key pressed (down) or let go, with
// Shift as it is now. Nothing moves while no pan/tilt camera has the pad.
void PadDirection(PadSource source, PadHeading heading, bool down, bool shift);
// "Home" clicked (or Enter on it): pressed and let go at once.
void PadPressHome();
// Shift went down or up, or the slider moved: a held drive follows.
void PadRefreshDrive(bool shift);
// Everything let go (deactivation, a selection about to change): the camera
// that was driven gets its stop.
void PadRelease();
// The selected camera looked at again (a selection, a camera found to pan
// and tilt or not): the column goes up or down, the position is shown.
void PadFollowSelection();
// A pan or tilt position notification of `camera`; other cameras' are not shown.
void PadShowPosition(uint32_t camera, uint32_t code, int32_t value);
// Whether the pad's column is up.
bool PadShown();
