// The names of cameras and presets the front ends show and change, kept in
// orvalix-names.ini: one section per camera by its line and address
// ("[COM1 2]") with Name= and Preset12=. Every call may come from any thread.
#pragma once

#include "names/names_book.h"

#include <cstddef>
#include <cstdint>

// A camera's key: its line's name and address, "COM1 2", "IP3 1" (the section name).
void NamesKey(const char* lineName, int32_t address, char* out, size_t size);

struct NamesStore;

// Room for any status text of the store.
constexpr size_t kNamesStatusChars = 160;

// `path` null: names kept for the session only, no file. Reads the file if it
// exists; lines it cannot read, a file too large or unreadable are described
// in `status` (empty when all is well). A file whose names are not read is
// never written over; one another program changed since is read again before
// a write, and this session's names put on it. A link names the file written.
// Null only when memory ran out.
NamesStore* NamesOpen(const char* path, char* status, size_t size);
void NamesClose(NamesStore* store);

// False: no name.
bool NamesCamera(NamesStore* store, const char* key, char* out, size_t size);
bool NamesPreset(NamesStore* store, const char* key, int32_t n, char* out, size_t size);

enum NameResult {
  NAME_SAVED,         // in the file (or it was already)
  NAME_SESSION_ONLY,  // kept in memory only: no file, or it could not be written
  NAME_TOO_LONG,      // over 31 characters
  NAME_BAD_TEXT,      // a control character (CR, LF, TAB ...), a bad key or preset number
  NAME_NO_ROOM,       // the store holds as many sections or lines as it keeps
};

// An empty text removes the name; spaces round it are dropped. Writes the
// file when the name changed (not when it is the same). With
// NAME_SESSION_ONLY, `status` says so the first time in the session, and is
// empty otherwise.
NameResult NamesSetCamera(NamesStore* store, const char* key, const char* text, char* status, size_t size);
NameResult NamesSetPreset(NamesStore* store, const char* key, int32_t n, const char* text, char* status, size_t size);

// The named presets of `key` in ascending order, at most `capacity`; returns how many.
int32_t NamesListPresets(NamesStore* store, const char* key, int32_t* numbers, char (*names)[kNameChars],
                         int32_t capacity);

// Grows by one each time any name changes (front ends redraw on it).
uint32_t NamesGeneration(const NamesStore* store);
