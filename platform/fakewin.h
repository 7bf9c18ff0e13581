// Test access to the native build's in-memory window table: create a panel
// of controls, then read back what the code under test did to them.
#pragma once

#ifndef _WIN32
#include "platform/winapi.h"

#include <string>
#include <vector>

enum FakeClass { FAKE_WINDOW, FAKE_STATIC, FAKE_EDIT, FAKE_BUTTON, FAKE_LISTBOX, FAKE_TRACKBAR };

struct FakePosted {
  HWND wnd;
  UINT msg;
  WPARAM wp;
  LPARAM lp;
};

struct FakeMessageBox {
  std::string text;
  std::string caption;
  UINT type;
};

// Creates a window of the given class as a child of parent (null for a top
// level window) with control id `id`.
HWND FakeCreateWindow(FakeClass cls, HWND parent, int id, const char* text = "");
// Destroys a window and its children; later calls on it fail.
void FakeDestroyWindow(HWND wnd);
// Destroys every window and forgets posted messages and message boxes.
void FakeReset();

bool FakeIsWindow(HWND wnd);
std::string FakeGetText(HWND wnd);
// Every text the window was given, oldest first.
std::vector<std::string> FakeTextHistory(HWND wnd);
std::vector<std::string> FakeListItems(HWND wnd);
int FakeUpdateCount(HWND wnd);
// The window with the keyboard focus (null for none).
HWND FakeGetFocus();
std::vector<FakePosted> FakePostedMessages();
std::vector<FakeMessageBox> FakeMessageBoxes();
// Trackbar tick frequency as last set with TBM_SETTICFREQ.
int FakeTicFreq(HWND wnd);
// A window's own procedure: it gets the messages its class does not handle,
// as the shell's private messages to a page.
typedef LRESULT (*FakeWindowProc)(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
void FakeSetWindowProc(HWND wnd, FakeWindowProc proc);
#endif

#ifndef _WIN32
// Makes the calling thread the owner of every window, as the user-interface
// thread is on Windows: from then on a call from another thread waits until
// the owner runs DispatchIncomingSentMessages, like a cross-thread
// SendMessage. PostMessageA never waits. FakeReleaseOwner runs what is
// pending and returns to direct calls.
void FakeBecomeOwner();
void FakeReleaseOwner();
// Calls from other threads waiting for the owner now.
int FakePendingSentCount();
#endif
