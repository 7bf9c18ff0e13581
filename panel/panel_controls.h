// The control calls of the panel code, named by what they do to a child
// control of `parent`. A parent that is null or no longer exists is left
// alone by every one of them; reads from it give 0.
#pragma once

#include "platform/winapi.h"
#include "requests/value_text.h"

#include <cstdint>

// Slider range, position (both with redraw) and tick frequency.
void SetSliderRange(HWND parent, int id, int32_t lo, int32_t hi);
void SetSliderPos(HWND parent, int id, int32_t pos);
void SetSliderTicks(HWND parent, int id, int32_t every);
int32_t SliderPos(HWND parent, int id);

void ShowText(HWND parent, int id, const ValueText& text);
void SetChecked(HWND parent, int id, bool checked);
bool IsChecked(HWND parent, int id);
void EnableControl(HWND parent, int id, bool enabled);
// An exposure caption: its text and whether it is drawn as in use.
void SetCaption(HWND parent, int id, const char* text, bool enabled);

// The camera list's selection, -1 when nothing is selected. Every request
// carries it; it is read afresh each time.
int32_t SelectedCamera();
