// Reading orvalix.ini whole, for each section's own parser.
#pragma once

#include <cstddef>

// An ini file is a few lines; anything far larger is not one.
constexpr size_t kIniMaxFileBytes = 65536;
// Room for the largest file taken, the byte that tells a larger one, and the
// terminating zero.
constexpr size_t kIniBufferBytes = kIniMaxFileBytes + 2;

enum IniReadResult {
  INI_READ,
  INI_MISSING,    // cannot be opened: no error for the caller to show
  INI_TOO_LARGE,  // larger than kIniMaxFileBytes, or a read failed
};

// The file's bytes into `text` (kIniBufferBytes), terminated.
IniReadResult ReadIniFile(const char* path, char (&text)[kIniBufferBytes]);
