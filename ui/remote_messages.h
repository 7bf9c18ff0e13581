// What a remote command does to the panel, posted to the main window so the
// listener never waits for the user-interface thread; handled there as the
// click it stands for.
#pragma once

#include <windows.h>

// wParam: the camera's index in the list.
constexpr UINT kRemoteSelectMessage = WM_APP + 2;
// wParam: the Recall button's number, 1..5; lParam: the camera's index.
constexpr UINT kRemoteRecallMessage = WM_APP + 3;
// wParam: MAKEWPARAM(a request's code, the camera's index); lParam: its argument.
constexpr UINT kRemoteMirrorMessage = WM_APP + 4;

bool IsRemoteMessage(UINT message);
// User-interface thread.
void OnRemoteMessage(UINT message, WPARAM wParam, LPARAM lParam);
