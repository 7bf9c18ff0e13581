// One command line checked and cut into its first word and the rest.
#pragma once

#include <cstddef>
#include <cstdint>

// Longest line taken, its line end not counted.
constexpr size_t kCommandLineChars = 4096;

enum CommandLineCheck { COMMAND_LINE_OK, COMMAND_LINE_TOO_LONG, COMMAND_LINE_BAD_BYTE };

struct CommandWords {
  char text[kCommandLineChars + 1];
  const char* word;  // "" for a blank line
  const char* arg;   // after the spaces that follow the word, to the line's end; "" for none
  uint8_t badByte;   // on COMMAND_LINE_BAD_BYTE
};

// `length` bytes of `line`; a line end (LF, CR LF) at its end is dropped.
// Anything but printable ASCII and tabs is a bad byte.
CommandLineCheck SplitCommandLine(const char* line, size_t length, CommandWords* out);
