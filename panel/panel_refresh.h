// Mirrors one camera's record into the panel and the Setup dialog and makes
// it the selected camera.
#pragma once

#include "engine/orvalix_engine.h"

#include <cstdint>

// Sets every control that shows camera state from the record of cameraIndex
// (sliders, value boxes, check boxes, exposure captions, the Setup dialog's
// buttons and gains), selects that camera and announces it on the status
// line. An index outside the camera list changes nothing. Runs on the
// user-interface thread, and on the worker (the engine's refresh hook) when
// a re-reading begins; from there its control calls wait for the
// user-interface thread.
void RefreshPanel(CameraController* controller, int32_t cameraIndex);

// The focus slider and value box of a camera's record: the refresh's step,
// and the engine's hook when focus turns auto or manual.
void ShowFocus(const CameraSnapshot& r);
