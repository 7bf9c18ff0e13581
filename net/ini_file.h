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

// A piece of a line, not terminated.
struct IniSpan {
  const char* text;
  size_t length;
};

bool IniIsSpace(char c);
// The text between begin and end without the spaces round it.
IniSpan IniTrim(const char* begin, const char* end);
// The first n characters of `text` equal `word`, ignoring case.
bool IniSameWord(const char* text, size_t n, const char* word);
// Hands each line of the sections named `section` (ignoring case) to
// `visit`, trimmed and cut by `withoutComment`, with its number in the file;
// a UTF-8 byte-order mark, as Notepad writes one, is passed over. Stops when
// `visit` returns false, and returns false then.
bool ForEachIniLine(const char* text, const char* section, IniSpan (*withoutComment)(IniSpan),
                    bool (*visit)(void* context, IniSpan line, int lineNumber), void* context);
