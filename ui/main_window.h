// The main window and its three pages.
#pragma once

// Creates the (still hidden) topmost main window and the page windows
// hPage[0..2], page 0 visible. Nonzero when the main window exists.
int CreateMainWindow();
