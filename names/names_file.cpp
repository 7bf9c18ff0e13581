#include "names/names_file.h"

#include "platform/file_replace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

NamesWriteStep stopAfter = NAMES_STEPS;
void (*flushHook)() = nullptr;

// A crash after `step`: the system closes the file, the temporary one stays.
bool Stops(NamesWriteStep step, FILE* file) {
  if (step != stopAfter) return false;
  if (file != nullptr) fclose(file);
  return true;
}

bool Undo(FILE* file, const char* temp) {
  if (file != nullptr) fclose(file);
  remove(temp);
  return false;
}

}  // namespace

NamesRead ReadNamesFile(const char* path, char** text, size_t* length) {
  *text = nullptr;
  *length = 0;
  FILE* file = fopen(path, "rb");
  // No file, or a path through a file: nothing of the operator's is there.
  if (file == nullptr) return errno == ENOENT || errno == ENOTDIR ? NAMES_MISSING : NAMES_UNREADABLE;
  // One byte more than the largest file taken tells a file of exactly that
  // size from a larger one.
  char* all = new (std::nothrow) char[kNamesMaxFileBytes + 1];
  const size_t n = all != nullptr ? fread(all, 1, kNamesMaxFileBytes + 1, file) : 0;
  const bool failed = all == nullptr || ferror(file) != 0;
  fclose(file);
  const NamesRead result = failed ? NAMES_UNREADABLE : n > kNamesMaxFileBytes ? NAMES_TOO_LARGE : NAMES_READ;
  if (result == NAMES_READ && (*text = new (std::nothrow) char[n + 1]) != nullptr) {
    memcpy(*text, all, n);
    *length = n;
  }
  delete[] all;
  return result == NAMES_READ && *text == nullptr ? NAMES_UNREADABLE : result;
}

bool WriteNamesFile(const char* path, const char* temp, const char* text, size_t length) {
  if (!OsMayReplaceFile(path)) return false;
  FILE* file = fopen(temp, "wb");
  if (file == nullptr) return false;
  if (Stops(NAMES_STEP_CREATE, file)) return false;
  if (fwrite(text, 1, length, file) != length) return Undo(file, temp);
  if (Stops(NAMES_STEP_WRITE, file)) return false;
  if (fflush(file) != 0 || !OsFlushToDisk(file)) return Undo(file, temp);
  if (flushHook != nullptr) flushHook();
  if (Stops(NAMES_STEP_FLUSH, file)) return false;
  const bool closed = fclose(file) == 0;
  if (!closed || !OsReplaceFile(temp, path)) return Undo(nullptr, temp);
  return !Stops(NAMES_STEP_REPLACE, nullptr);
}

void StopNamesWritesForTest(NamesWriteStep step) { stopAfter = step; }

void OnNamesFlushForTest(void (*hook)()) { flushHook = hook; }
