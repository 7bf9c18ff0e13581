// Every text the program shows outside fixed captions: formatted control
// texts, the status line, the last system error and the error box.
#pragma once

#include "platform/winapi.h"

#include <atomic>

// Page windows of the panel and the index of the one shown. Written by the
// application shell (user-interface thread); the status line lives on the page
// shown, so SetStatus reads them.
extern HWND hPage[3];
extern std::atomic<int> curPage;  // the worker's status texts read it while the UI switches pages
// The Setup dialog, set when it is created and stale after it closes; the
// window hooks reach its gain and preset controls through it.
extern std::atomic<HWND> hSetupDlg;

int SetItemTextF(HWND wnd, int id, const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 3, 4)))
#endif
    ;
void SetStatus(const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 1, 2)))
#endif
    ;
// `watch` hears each text the status line shows, on the thread that set
// it; null: none. Set before the threads that set texts start.
void WatchStatusLine(void (*watch)(const char* text));
// The calling thread's last error as text, followed directly by "(code)".
const char* GetSystemErrorText();
int ErrorBox(const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 1, 2)))
#endif
    ;
