#include "net/ini_file.h"

#include <cstdio>

IniReadResult ReadIniFile(const char* path, char (&text)[kIniBufferBytes]) {
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return INI_MISSING;
  // One byte more than the largest file taken tells a file of exactly that
  // size from a larger one.
  const size_t n = std::fread(text, 1, kIniMaxFileBytes + 1, file);
  const bool whole = n <= kIniMaxFileBytes && std::ferror(file) == 0;
  std::fclose(file);
  text[whole ? n : 0] = 0;
  return whole ? INI_READ : INI_TOO_LARGE;
}
