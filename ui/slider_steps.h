// Each slider's minus and plus buttons. The arrow keys and the mouse wheel
// move a slider by pressing those buttons, so they step, guard and send
// exactly as a click on them does.
#pragma once

#include <windows.h>

struct SliderSteps {
  int slider, minus, plus;
};

// The buttons of slider `id` (the panel's and the Setup dialog's); null for
// any other id.
const SliderSteps* StepsOfSlider(int id);

// Installed on a slider as it is created: each wheel notch over it (forward:
// plus, back: minus) posts that button's command to the slider's parent,
// instead of the trackbar moving its thumb without sending anything.
void StepSliderByWheel(HWND slider);
