// The engine's side of the front end's hooks (the table is in
// engine/orvalix_engine.h): each controller keeps its own.
#pragma once

#include "engine/orvalix_engine.h"

struct CameraRecord;

// The table in force when a controller has been given none: nothing shown,
// every read false or 0.
extern const PanelHooks kNoPanelHooks;

// Puts `hooks` in force for `c`; an entry left null does nothing. Not while
// its worker runs.
void InstallPanelHooks(CameraController* c, const PanelHooks& hooks);
// The hooks of `c`; every entry is callable.
const PanelHooks& Hooks(const CameraController* c);
// The status line of `c` through its hook, printf-style, cut at 255 characters.
void ShowStatus(CameraController* c, const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 2, 3)))
#endif
    ;
// A record as the hooks and front ends see it.
CameraSnapshot SnapshotOf(const CameraRecord& r);
