// The two steps of replacing a file that only the operating system can make
// safe against a crash or a pulled plug: written bytes forced onto the disk,
// and a finished file moved over the old one in one step.
#pragma once

#include <cstddef>
#include <cstdio>

// What was written to `file` and flushed from its buffer is on the disk, not
// in a cache. False when the system could not say so.
bool OsFlushToDisk(FILE* file);
// `from` takes the place of `to` in one step (an existing `to` is replaced,
// and its mode carried over), and the move itself is on the disk when this
// returns true.
bool OsReplaceFile(const char* from, const char* to);
// Whether the file at `path` may be replaced: true when there is none; false
// when the user may not write it or it is marked read-only (even where the
// system would let its owner or an administrator write it anyway).
bool OsMayReplaceFile(const char* path);
// The file `path` names, through any symbolic links, into `out`: a link is
// replaced by writing its target. The path itself where it names no file, or
// the target does not fit.
void OsFileBehindPath(const char* path, char* out, size_t size);
