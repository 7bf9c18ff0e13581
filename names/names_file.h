// orvalix-names.ini on the disk: read whole with a cap, and replaced whole
// so that a crash or a pulled plug at any moment leaves the old file or the
// new one, never a broken one.
#pragma once

#include <cstddef>

// A names file is a few kilobytes; anything far larger is not one.
constexpr size_t kNamesMaxFileBytes = 1 << 20;

enum NamesRead {
  NAMES_READ,
  NAMES_MISSING,     // no such file: none written yet
  NAMES_TOO_LARGE,   // over kNamesMaxFileBytes
  NAMES_UNREADABLE,  // there, but it could not be opened or read
};

// The file's bytes into a new array `*text` (the caller deletes it) of
// `*length` bytes; on anything but NAMES_READ, `*text` is null.
NamesRead ReadNamesFile(const char* path, char** text, size_t* length);

// The steps of a write, in order.
enum NamesWriteStep { NAMES_STEP_CREATE, NAMES_STEP_WRITE, NAMES_STEP_FLUSH, NAMES_STEP_REPLACE, NAMES_STEPS };

// `length` bytes of `text` become the file at `path`: written to `temp`
// beside it, flushed to the disk, then moved over `path` in one step. False
// when a step failed, or `path` is a file the user may not write (read-only);
// `path` is then as it was and `temp` is gone.
bool WriteNamesFile(const char* path, const char* temp, const char* text, size_t length);

// Tests: every write from now on stops right after `step` as a crash there
// would (its handle closed, nothing undone) and returns false; NAMES_STEPS
// lets writes finish again.
void StopNamesWritesForTest(NamesWriteStep step);

// Tests: `hook` runs in each write once its bytes are flushed (null: none).
void OnNamesFlushForTest(void (*hook)());
