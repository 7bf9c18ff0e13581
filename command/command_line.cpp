#include "command/command_line.h"

#include <cstring>

namespace {

bool Blank(char c) { return c == ' ' || c == '\t'; }

bool Printable(uint8_t b) { return b == '\t' || (b >= 0x20 && b < 0x7F); }

}  // namespace

CommandLineCheck SplitCommandLine(const char* line, size_t length, CommandWords* out) {
  out->word = out->arg = "";
  out->badByte = 0;
  if (length > 0 && line[length - 1] == '\n') length--;
  if (length > 0 && line[length - 1] == '\r') length--;
  if (length > kCommandLineChars) return COMMAND_LINE_TOO_LONG;
  for (size_t i = 0; i < length; i++) {
    const uint8_t b = static_cast<uint8_t>(line[i]);
    if (Printable(b)) continue;
    out->badByte = b;
    return COMMAND_LINE_BAD_BYTE;
  }
  memcpy(out->text, line, length);
  out->text[length] = 0;
  char* p = out->text;
  while (Blank(*p)) p++;
  out->word = p;
  while (*p && !Blank(*p)) p++;
  if (*p) *p++ = 0;
  while (Blank(*p)) p++;
  out->arg = p;
  return COMMAND_LINE_OK;
}
