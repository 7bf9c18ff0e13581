// What the program's windows draw beyond their background and controls: on
// the panel, the logo, a prompt and a sunken frame round each borderless box.
#pragma once

#include <windows.h>

// Called between BeginPaint and EndPaint for every window of the class.
void PaintWindow(HWND hwnd, HDC hdc);
// A one-pixel sunken frame round control `id` of `parent`, if it is visible.
void FrameControl(HDC hdc, HWND parent, int id);
// A two-colour frame `thickness` wide just outside the rectangle: grey top
// and left with white right and bottom (sunken), or the reverse (raised).
void DrawFrame(HDC hdc, int left, int top, int right, int bottom, int thickness, int raised);
