#include "ui/ui_globals.h"

#include "common/text.h"

#include <cstdio>

int32_t bCleanupPending = 1;
HINSTANCE hInst;
HWND hMainWnd;
HWND hAboutWnd;
HBITMAP hbmMinus;
HBITMAP hbmPlus;
char szClassName[kClassNameSize];

void ResetUiGlobals(HINSTANCE instance) {
  hMainWnd = nullptr;
  hAboutWnd = nullptr;
  hbmMinus = nullptr;
  hbmPlus = nullptr;
  for (HWND& page : hPage) page = nullptr;
  curPage = 0;
  hSetupDlg = nullptr;
  hInst = instance;
  snprintf(szClassName, sizeof szClassName, "%s", "Orvalix");
}
