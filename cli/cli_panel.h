// The panel of the programs that run the engine without a window
// (orvalix-cli, the soak, the benchmarks), as the engine's hooks: it keeps
// the status texts for the front end's thread, answers the two check-box
// reads from what the operator chose, keeps the camera list's marks, selects a camera as a click in the
// list would, and sets one event whenever there is something new to show.
#pragma once

#include "engine/camera_controller.h"
#include "platform/os.h"

#include <cstddef>
#include <cstdint>

// Installs the hooks; before the controller is created. False when the
// event could not be made.
bool InstallCliPanel();
// Set on every status text and, once wired, every notification (auto-reset).
OsEvent& CliPanelEvent();
// Makes every notification set the event too; before the worker starts.
void WakeOnNotifications(CameraController* c);

// The oldest status text not yet taken, cut to `size`; false when none
// waits. When the front end falls behind, the oldest texts give way.
bool TakeStatusText(char* out, size_t size);
// The latest status text, "" before the first.
void LastStatusText(char* out, size_t size);

// The camera list's entries so far (a duplicate counts too), and whether
// entry `index` reads "Camera N" rather than "Camera N (no answer)". Any thread.
int32_t CameraEntries();
bool EntryAnswering(int32_t index);

// The "Auto" and "Iris" boxes as the panel shows them for exposure mode `aeMode`.
void SetExposureChecks(int32_t aeMode);
// A click in the camera list: the boxes follow the camera's exposure mode,
// the engine makes it current and the status line announces it. Also the
// refresh of a re-reading. An index outside the list changes nothing.
void SelectInList(CameraController* c, int32_t index);
