// What a listener outside the panel hears of it (the remote control's
// events): each camera the panel refresh selects and each notification the
// drain takes, on the thread that does it. Null: nobody listens. Set before
// the engine is created.
#pragma once

#include "engine/orvalix_engine.h"

#include <cstdint>

void WatchPanelSelection(void (*watch)(int32_t index));
void WatchNotifications(void (*watch)(const Notification& n));
void TellPanelSelection(int32_t index);
void TellNotification(const Notification& n);
