// The window's remote control: the listener of orvalix.ini's [Remote]
// around the engine, its commands acting on the panel as clicks would, and
// the panel's status texts, selections and notifications as event lines.
#pragma once

// After the engine is created, on the user-interface thread. Without
// [Remote] nothing happens; a bad entry, a port taken or an address not on
// the machine is named on the status line and the program goes on without.
void StartWindowRemote(const char* iniFile);
// Before the engine is destroyed: closes every connection (a move a
// connection left going is stopped) and ends the listener's thread. False
// when the thread did not end in time: it is left to the process's end, and
// what it uses must be left too.
bool StopWindowRemote();
