#include "net/ini_file.h"

#include <cstdio>
#include <cstring>

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

bool IniIsSpace(char c) { return c == ' ' || c == '\t' || c == '\r'; }

IniSpan IniTrim(const char* begin, const char* end) {
  while (begin < end && IniIsSpace(*begin)) begin++;
  while (end > begin && IniIsSpace(end[-1])) end--;
  return IniSpan{begin, static_cast<size_t>(end - begin)};
}

bool IniSameWord(const char* text, size_t n, const char* word) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  if (std::strlen(word) != n) return false;
  for (size_t i = 0; i < n; i++)
    if (lower(text[i]) != lower(word[i])) return false;
  return true;
}

bool ForEachIniLine(const char* text, const char* section, IniSpan (*withoutComment)(IniSpan),
                    bool (*visit)(void* context, IniSpan line, int lineNumber), void* context) {
  bool inSection = false;
  if (std::strncmp(text, "\xEF\xBB\xBF", 3) == 0) text += 3;
  int lineNumber = 0;
  for (const char* p = text; *p != 0;) {
    const char* end = std::strchr(p, '\n');
    if (end == nullptr) end = p + std::strlen(p);
    lineNumber++;
    const IniSpan line = withoutComment(IniTrim(p, end));
    p = *end != 0 ? end + 1 : end;
    if (line.length == 0) continue;
    if (line.text[0] == '[') {
      const bool closed = line.text[line.length - 1] == ']';
      const IniSpan name = closed ? IniTrim(line.text + 1, line.text + line.length - 1) : IniSpan{"", 0};
      inSection = IniSameWord(name.text, name.length, section);
      continue;
    }
    if (inSection && !visit(context, line, lineNumber)) return false;
  }
  return true;
}
