// The Setup dialog's controls, made at run time on its empty template, and
// the handles through which the rest of the program reaches them.
#pragma once

#include <windows.h>

// Keeps `dialog` in hSetupDlg, creates every control in tab order (the radio
// buttons and "NIR Vision" inside their group boxes, which forward their
// commands to the dialog), keeps the five group boxes, sets up the gain
// sliders and step images, grows the dialog where its font leaves the
// controls no room, then shows and paints it.
void CreateSetupControls(HWND dialog);
