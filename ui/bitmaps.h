// The program's bitmap resources as the panel shows them.
#pragma once

#include <windows.h>

// Loads bitmap resource `id` with its first pixel's colour and its greys
// mapped to the button face colours. Null when it cannot be loaded.
HBITMAP LoadPanelBitmap(int id);
