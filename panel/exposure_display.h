// The exposure controls of the panel, drawn here and nowhere else: the
// "Auto" and "Iris" check boxes, which of the brightness and level sliders
// are in use, their captions, ranges, positions and value boxes. A click on
// either box, an exposure request carried out by the engine and the panel
// refresh each show their part of it.
#pragma once

#include "engine/orvalix_engine.h"

// What the user did to one of the two exposure boxes.
enum ExposureClick { CLICK_AUTO_ON, CLICK_AUTO_OFF, CLICK_IRIS_ON, CLICK_IRIS_OFF };

// The checks and sliders in use right after a click; the box clicked keeps
// the check the click gave it. User-interface thread.
void ShowExposureClick(ExposureClick click);
// Captions and sliders of the mode an exposure request has just set in `r`
// (full auto, Bright or manual). The engine's hook, on the worker.
void ShowExposureOfRequest(const CameraSnapshot& r);
// The whole exposure display of a camera, as the panel refresh shows it; a
// mode the panel does not offer is shown as Bright.
void ShowExposureOfCamera(const CameraSnapshot& r);
