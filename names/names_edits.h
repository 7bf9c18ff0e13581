// The names set in this session, the last one for each camera and preset, so
// that they can be put again on the file when another program changed it.
#pragma once

#include "names/names_book.h"

#include <cstdint>

struct NamesEdit {
  char key[kNameChars];
  char value[kNameChars];  // "" for a name removed
  int32_t preset;          // 0 for the camera's name
};

struct NamesEdits {
  NamesEdit* edits = nullptr;
  int32_t count = 0, room = 0;
};

// False when memory ran out or as many edits are kept as a book holds lines.
bool RecordNamesEdit(NamesEdits* edits, const char* key, int32_t preset, const char* value);
// Every edit put on `book`; false when the book had no room for one.
bool ApplyNamesEdits(const NamesEdits& edits, NamesBook* book);
void FreeNamesEdits(NamesEdits* edits);
