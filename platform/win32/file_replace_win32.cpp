#include "platform/file_replace.h"

#include <io.h>
#include <windows.h>

#include <cstdio>

bool OsFlushToDisk(FILE* file) {
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  return handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle) != 0;
}

// Write-through: the call returns once the move is on the disk.
bool OsReplaceFile(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool OsMayReplaceFile(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0;
}

// A link needs rights to make on Windows and is rare: the path is taken as it is.
void OsFileBehindPath(const char* path, char* out, size_t size) { snprintf(out, size, "%s", path); }
