// Resource identifiers, shared by the resource script and the program. Plain
// defines: the resource compiler's preprocessor knows no C++ constants.
#pragma once

#define IDB_MINUS 103    // step button "decrease": triangle pointing left, 16x16
#define IDB_PLUS 104     // step button "increase": triangle pointing right, 16x16
#define IDI_ORVALIX 109  // class icon, 32x32, 16 colours
#define IDB_LOGO 114     // logo, 136x40, 8 bits per pixel
#define IDD_SETUP 116    // empty Setup dialog template; its controls are made at run time
