#include "common/text.h"

HWND hPage[3];
int curPage;
HWND hSetupDlg;
