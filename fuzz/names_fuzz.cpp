// The names file's parser: any bytes are read into a book; a name set in it
// is found again once the book is written and read back; and a written book
// is a fixed point: read and written again, it gives the same text. Every
// name held is short and plain. A break traps with a line on stderr.
#include "names/names_book.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

[[noreturn]] void Broken(const char* what) {
  fprintf(stderr, "names fuzz: %s\n", what);
  __builtin_trap();
}

std::string Render(const NamesBook& book) {
  std::string text(RenderNamesBook(book, nullptr, 0), '\0');
  if (RenderNamesBook(book, &text[0], text.size()) != text.size()) Broken("two renderings differ in length");
  return text;
}

void CheckNames(const NamesBook& book) {
  for (int32_t i = 0; i < book.lineCount; i++) {
    const NamesLine& l = book.lines[i];
    const void* end = memchr(l.value, 0, sizeof l.value);
    if (end == nullptr) Broken("a name is not terminated");
    for (const char* p = l.value; p < static_cast<const char*>(end); p++)
      if (static_cast<unsigned char>(*p) < 0x20 || *p == 0x7F) Broken("a name holds a control character");
    if (l.kind == NAMES_LINE_NAME && l.preset > kNamesMaxPreset) Broken("a preset number over 63");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size copy: AddressSanitizer catches a read past the bytes.
  std::vector<char> bytes(data, data + size);
  NamesBook first;
  if (!ParseNamesBook(bytes.data(), bytes.size(), &first)) Broken("a small file was not taken");
  CheckNames(first);
  const int32_t preset = size > 0 ? data[0] % (kNamesMaxPreset + 1) : 0;
  if (PutName(&first, "COM1 2", preset, "Fuzz") == NAMES_FULL) Broken("no room for one name");
  const std::string written = Render(first);
  NamesBook second;
  if (!ParseNamesBook(written.data(), written.size(), &second)) Broken("a written book was not taken");
  CheckNames(second);
  const char* name = FindName(second, "COM1 2", preset);
  if (name == nullptr || strcmp(name, "Fuzz") != 0) Broken("the name set was not read back");
  if (Render(second) != written) Broken("a written book read back writes another text");
  FreeNamesBook(&first);
  FreeNamesBook(&second);
  return 0;
}
