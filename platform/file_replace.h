// The two steps of replacing a file that only the operating system can make
// safe against a crash or a pulled plug: written bytes forced onto the disk,
// and a finished file moved over the old one in one step.
#pragma once

#include <cstdio>

// What was written to `file` and flushed from its buffer is on the disk, not
// in a cache. False when the system could not say so.
bool OsFlushToDisk(FILE* file);
// `from` takes the place of `to` in one step (an existing `to` is replaced),
// and the move itself is on the disk when this returns true.
bool OsReplaceFile(const char* from, const char* to);
