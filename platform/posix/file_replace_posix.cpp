#include "platform/file_replace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

namespace {

constexpr size_t kFolderChars = 4096;

// The folder's own entry table holds the rename: it is flushed as a file's
// bytes are. A file system that cannot flush a folder has already done so.
void FlushFolderOf(const char* path) {
  const char* slash = strrchr(path, '/');
  char folder[kFolderChars] = ".";
  if (slash == path) snprintf(folder, sizeof folder, "/");
  if (slash != nullptr && slash != path) snprintf(folder, sizeof folder, "%.*s", static_cast<int>(slash - path), path);
  const int fd = open(folder, O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

bool OsFlushToDisk(FILE* file) { return fsync(fileno(file)) == 0; }

bool OsReplaceFile(const char* from, const char* to) {
  if (rename(from, to) != 0) return false;
  FlushFolderOf(to);
  return true;
}
