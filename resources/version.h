// The program's version, for the version resource, the status line at start
// and the release's name. Plain defines: the resource compiler's preprocessor
// knows no C++ constants. The manifest, plain XML, writes it out itself.
#pragma once

#define ORVALIX_VERSION_MAJOR 1
#define ORVALIX_VERSION_MINOR 3
#define ORVALIX_VERSION_PATCH 0

#define ORVALIX_QUOTED(text) #text
#define ORVALIX_DOTTED(major, minor, patch) ORVALIX_QUOTED(major.minor.patch)
// "1.3.0"
#define ORVALIX_VERSION_TEXT ORVALIX_DOTTED(ORVALIX_VERSION_MAJOR, ORVALIX_VERSION_MINOR, ORVALIX_VERSION_PATCH)
