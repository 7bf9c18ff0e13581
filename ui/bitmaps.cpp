#include "ui/bitmaps.h"

#include "ui/ui_globals.h"

HBITMAP LoadPanelBitmap(int id) {
  return static_cast<HBITMAP>(
      LoadImageA(hInst, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_LOADTRANSPARENT | LR_LOADMAP3DCOLORS));
}
