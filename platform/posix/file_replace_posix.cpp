#include "platform/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
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
  struct stat old;
  if (stat(to, &old) == 0 && chmod(from, old.st_mode & 07777) != 0) return false;
  if (rename(from, to) != 0) return false;
  FlushFolderOf(to);
  return true;
}

bool OsMayReplaceFile(const char* path) {
  struct stat st;
  if (stat(path, &st) != 0) return true;  // none, or the write will say why
  constexpr mode_t kAnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;
  return (st.st_mode & kAnyWrite) != 0 && access(path, W_OK) == 0;
}

void OsFileBehindPath(const char* path, char* out, size_t size) {
  char* target = realpath(path, nullptr);
  snprintf(out, size, "%s", target != nullptr && strlen(target) < size ? target : path);
  free(target);
}
