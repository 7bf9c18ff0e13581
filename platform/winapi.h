// The window-system seam. The panel code reaches controls only through these
// Win32 names (the engine reaches none: it has its hooks). On Windows they are the real calls; in the native
// build an in-memory window table (platform/posix/fakewin.cpp) implements
// them, and tests inspect it through platform/fakewin.h.
#pragma once

#ifdef _WIN32
#include <windows.h>  // first: commctrl.h builds on it

#include <commctrl.h>
#else
#define ORVALIX_FAKE_WINDOWS 1
#include <cstdint>

typedef struct FakeWindow* HWND;
typedef int BOOL;
typedef unsigned int UINT;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef const char* LPCSTR;
typedef char* LPSTR;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

#define MAKELONG(lo, hi) ((LPARAM)(((uint32_t)(uint16_t)(lo)) | (((uint32_t)(uint16_t)(hi)) << 16)))

enum : UINT {
  WM_SETTEXT = 0x000C,
  WM_GETTEXT = 0x000D,
  WM_CLOSE = 0x0010,
  WM_USER = 0x0400,
  WM_APP = 0x8000,

  BM_GETCHECK = 0x00F0,
  BM_SETCHECK = 0x00F1,

  LB_ADDSTRING = 0x0180,
  LB_INSERTSTRING = 0x0181,
  LB_DELETESTRING = 0x0182,
  LB_RESETCONTENT = 0x0184,
  LB_SETCURSEL = 0x0186,
  LB_GETCURSEL = 0x0188,
  LB_GETTEXT = 0x0189,
  LB_GETCOUNT = 0x018B,

  TBM_GETPOS = WM_USER,
  TBM_GETRANGEMIN = WM_USER + 1,
  TBM_GETRANGEMAX = WM_USER + 2,
  TBM_SETPOS = WM_USER + 5,
  TBM_SETRANGE = WM_USER + 6,
  TBM_SETTICFREQ = WM_USER + 20,
};

enum : int { LB_ERR = -1 };
enum : int { GWL_ID = -12 };
enum : UINT { BST_UNCHECKED = 0, BST_CHECKED = 1 };
enum : UINT { MB_OK = 0x0, MB_ICONHAND = 0x10, MB_TASKMODAL = 0x2000, MB_TOPMOST = 0x40000 };
enum : DWORD { FORMAT_MESSAGE_FROM_SYSTEM = 0x1000, FORMAT_MESSAGE_IGNORE_INSERTS = 0x200 };

BOOL SetDlgItemTextA(HWND dlg, int id, LPCSTR text);
UINT GetDlgItemTextA(HWND dlg, int id, LPSTR buf, int size);
HWND GetDlgItem(HWND dlg, int id);
LRESULT SendMessageA(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT SendDlgItemMessageA(HWND dlg, int id, UINT msg, WPARAM wp, LPARAM lp);
BOOL PostMessageA(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
BOOL EnableWindow(HWND wnd, BOOL enable);
BOOL IsWindowEnabled(HWND wnd);
UINT IsDlgButtonChecked(HWND dlg, int id);
BOOL CheckDlgButton(HWND dlg, int id, UINT check);
LONG GetWindowLongA(HWND wnd, int index);
HWND SetFocus(HWND wnd);
BOOL UpdateWindow(HWND wnd);
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
DWORD GetLastError();
void SetLastError(DWORD code);
DWORD FormatMessageA(DWORD flags, const void* source, DWORD code, DWORD lang, LPSTR buf, DWORD size, void* args);
#endif

// Handles the window messages that other threads have sent to this thread's
// windows and are waiting on. A user-interface thread that waits for the
// worker calls it in its wait loop, so the worker's synchronous control
// updates cannot deadlock against that wait.
void DispatchIncomingSentMessages();
