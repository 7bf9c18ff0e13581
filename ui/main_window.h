// The main window and its three pages.
#pragma once

// The main window's size; the pad's column widens it while it is up.
constexpr int kMainWidth = 570;
constexpr int kMainHeight = 516;

// Creates the (still hidden) topmost main window and the page windows
// hPage[0..2], page 0 visible. Nonzero when the main window exists.
int CreateMainWindow();
