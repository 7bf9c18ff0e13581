#include "common/text.h"

HWND hPage[3];
std::atomic<int> curPage{0};
std::atomic<HWND> hSetupDlg{nullptr};
