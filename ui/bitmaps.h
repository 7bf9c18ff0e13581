// The program's bitmap resources as the panel shows them.
#pragma once

#include <windows.h>

// The logo's nominal size and the margin kept around it; the layout and the
// painting use these when the bitmap cannot be loaded.
constexpr int kLogoWidth = 136;
constexpr int kLogoHeight = 40;
constexpr int kLogoMargin = 4;

// Loads bitmap resource `id` with its first pixel's colour and its greys
// mapped to the button face colours. Null when it cannot be loaded.
HBITMAP LoadPanelBitmap(int id);
