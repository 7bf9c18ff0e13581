// Every control of the panel (page 0) and the "Return" button of page 1.
#pragma once

// Creates the controls, loads the step-button images into hbmMinus and
// hbmPlus, then shows the main window. Returns 1.
int CreatePanelControls();
