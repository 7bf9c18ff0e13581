// The window program's names of cameras and presets: orvalix-names.ini in
// the folder it starts in (beside orvalix.ini), read at start-up and
// written only when the operator changes a name. The camera list, the
// Recall buttons' tooltips and the Presets window follow every change,
// whoever made it (a remote connection too).
#pragma once

#include <cstddef>

// Before the engine is created, after the panel's controls. What the file
// held that could not be read, for the status line; empty when all is well.
void OpenWindowNames(char* status, size_t size);
// The drain timer's look: redraws what shows names when they or the
// selection changed.
void FollowWindowNames();
// After the engine is destroyed.
void CloseWindowNames();
