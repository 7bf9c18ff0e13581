// orvalix-names.ini as the program holds it: its sections in order, each
// with its lines in order. A line the program reads (Name=, PresetN=) has its
// value; every other line is kept as it was read, so writing the book back
// loses nothing the operator wrote. Pure: the text is given, the text is
// made.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kNameChars = 32;  // 31 characters and the NUL
constexpr int32_t kNamesMaxPreset = 63;
// A file holding more than this is not taken: memory stays bounded.
constexpr int32_t kNamesMaxSections = 16384;
constexpr int32_t kNamesMaxLines = 131072;

enum NamesLineKind : uint8_t { NAMES_LINE_KEPT, NAMES_LINE_NAME };
// How a line ends: as it was read, CRLF for a line the program adds.
enum NamesEnd : uint8_t { NAMES_END_NONE, NAMES_END_LF, NAMES_END_CRLF, NAMES_END_CR };

struct NamesLine {
  int32_t next;                  // the section's next line, -1 for none
  uint32_t rawStart, rawLength;  // the line as read, in the book's text, without its end
  NamesEnd end;
  NamesLineKind kind;
  uint8_t preset;  // 0 for the camera's Name=, else the preset's number
  bool asRead;     // written back as read; else from `preset` and `value` ("" is none)
  char value[kNameChars];
};

struct NamesSection {
  // "COM1 2"; "" matches nothing (before the first header, a header not
  // read or read before): its lines are kept, never read as names.
  char key[kNameChars];
  uint32_t hash;                 // of the key: most keys are told apart by it alone
  uint32_t rawStart, rawLength;  // the header as read, without its end
  NamesEnd end;
  bool asRead;          // else a new section, written from `key`
  int32_t first, last;  // its lines, -1 for none
};

struct NamesBook {
  const char* text = nullptr;  // the bytes read; the caller keeps them while the book lives
  uint32_t markLength = 0;     // of a UTF-8 byte-order mark before the first line, written back
  NamesSection* sections = nullptr;
  int32_t sectionCount = 0, sectionRoom = 0;
  NamesLine* lines = nullptr;
  int32_t lineCount = 0, lineRoom = 0;
  // Lines the program cannot read: how many, the first one's number and bytes.
  int32_t oddCount = 0, firstOddNumber = 0;
  uint32_t firstOddStart = 0, firstOddLength = 0;
};

// Reads `length` bytes of `text` into an empty book. False when the text
// holds more sections or lines than a book keeps, or memory ran out: the
// book is then empty again.
bool ParseNamesBook(const char* text, size_t length, NamesBook* book);
void FreeNamesBook(NamesBook* book);

// The name of camera `key` (preset 0) or of one of its presets; null for none.
const char* FindName(const NamesBook& book, const char* key, int32_t preset);

enum NamesChange { NAMES_SAME, NAMES_CHANGED, NAMES_FULL };
// Sets a name ("" removes it); `value` is one the file can hold.
NamesChange PutName(NamesBook* book, const char* key, int32_t preset, const char* value);

// The book as the file's text, cut to `size` (not terminated); returns the
// whole text's length.
size_t RenderNamesBook(const NamesBook& book, char* out, size_t size);
