#include "names/names_book.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace {

constexpr int32_t kFirstRoom = 64;
constexpr char kLineEnd[] = "\r\n";                    // as Notepad writes them
const char* const kEnds[] = {"", "\n", "\r\n", "\r"};  // by NamesEnd
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr size_t kPresetWord = 6;    // "Preset"
constexpr size_t kPresetDigits = 2;  // 1..63

struct Span {
  const char* p;
  size_t n;
};

// Doubles the room of `array` up to `most` entries; false when it is full.
template <typename T>
bool Grow(T** array, int32_t* room, int32_t count, int32_t most) {
  if (count < *room) return true;
  if (count >= most) return false;
  const int32_t want = *room == 0 ? kFirstRoom : (*room > most / 2 ? most : *room * 2);
  T* bigger = new (std::nothrow) T[want];
  if (bigger == nullptr) return false;
  if (count > 0) memcpy(bigger, *array, sizeof(T) * static_cast<size_t>(count));
  delete[] * array;
  *array = bigger;
  *room = want;
  return true;
}

bool Blank(char c) { return c == ' ' || c == '\t'; }

// Bytes no name holds; a tab only between a key and its value.
bool Control(char c) { return (static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F; }

Span Trim(const char* begin, const char* end) {
  while (begin < end && Blank(*begin)) begin++;
  while (end > begin && Blank(end[-1])) end--;
  return Span{begin, static_cast<size_t>(end - begin)};
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameWord(Span a, const char* word) {
  if (strlen(word) != a.n) return false;
  for (size_t i = 0; i < a.n; i++)
    if (Lower(a.p[i]) != Lower(word[i])) return false;
  return true;
}

// 0 for Name, n for Preset1..Preset63, -1 for a key the program does not know.
int32_t KeyPreset(Span key) {
  if (SameWord(key, "name")) return 0;
  if (key.n <= kPresetWord || key.n > kPresetWord + kPresetDigits || !SameWord(Span{key.p, kPresetWord}, "preset"))
    return -1;
  int32_t n = 0;
  for (size_t i = kPresetWord; i < key.n; i++) {
    if (key.p[i] < '0' || key.p[i] > '9') return -1;
    n = n * 10 + (key.p[i] - '0');
  }
  return n >= 1 && n <= kNamesMaxPreset ? n : -1;
}

// FNV-1a of the key in lower case.
uint32_t KeyHash(Span key) {
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < key.n; i++) h = (h ^ static_cast<uint8_t>(Lower(key.p[i]))) * 16777619u;
  return h;
}

int32_t FindSection(const NamesBook& b, Span key) {
  const uint32_t hash = KeyHash(key);
  for (int32_t i = 0; key.n > 0 && i < b.sectionCount; i++) {
    const NamesSection& s = b.sections[i];
    if (s.hash == hash && s.key[0] != 0 && SameWord(key, s.key)) return i;
  }
  return -1;
}

int32_t FindLine(const NamesBook& b, int32_t section, int32_t preset) {
  for (int32_t k = b.sections[section].first; k >= 0; k = b.lines[k].next)
    if (b.lines[k].kind == NAMES_LINE_NAME && b.lines[k].preset == preset) return k;
  return -1;
}

// A key too long for any camera's gives a section that matches none.
int32_t AddSection(NamesBook& b, Span key, uint32_t start, uint32_t length, NamesEnd end, bool asRead) {
  if (!Grow(&b.sections, &b.sectionRoom, b.sectionCount, kNamesMaxSections)) return -1;
  NamesSection& s = b.sections[b.sectionCount];
  s = NamesSection();
  if (key.n < kNameChars) memcpy(s.key, key.p, key.n);
  s.hash = KeyHash(key);
  s.rawStart = start, s.rawLength = length, s.end = end, s.asRead = asRead;
  s.first = s.last = -1;
  return b.sectionCount++;
}

// `value` is shorter than kNameChars.
bool AddLine(NamesBook& b, int32_t section, NamesLineKind kind, int32_t preset, Span value, uint32_t start,
             uint32_t length, NamesEnd end, bool asRead) {
  if (!Grow(&b.lines, &b.lineRoom, b.lineCount, kNamesMaxLines)) return false;
  const int32_t i = b.lineCount++;
  NamesLine& l = b.lines[i];
  l = NamesLine();
  l.next = -1;
  l.rawStart = start, l.rawLength = length, l.end = end, l.kind = kind, l.asRead = asRead;
  l.preset = static_cast<uint8_t>(preset);
  if (kind == NAMES_LINE_NAME) memcpy(l.value, value.p, value.n);
  NamesSection& s = b.sections[section];
  if (s.last >= 0)
    b.lines[s.last].next = i;
  else
    s.first = i;
  s.last = i;
  return true;
}

enum LineRead { LINE_QUIET, LINE_ODD, LINE_HEADER, LINE_BAD_HEADER, LINE_NAME };

struct Reading {
  LineRead kind;
  int32_t preset;
  Span part;  // a header's key, a name's value
};

// What a line says, wherever it stands. Blank lines and comments are kept
// without a word.
Reading Classify(Span line) {
  const Reading odd{LINE_ODD, 0, Span{"", 0}};
  bool control = false;
  for (size_t i = 0; i < line.n; i++) control = control || Control(line.p[i]);
  const Span t = Trim(line.p, line.p + line.n);
  // A header not read still ends the section above it.
  if (t.n > 0 && t.p[0] == '[' && !control && t.n >= 2 && t.p[t.n - 1] == ']')
    return Reading{LINE_HEADER, 0, Trim(t.p + 1, t.p + t.n - 1)};
  if (t.n > 0 && t.p[0] == '[') return Reading{LINE_BAD_HEADER, 0, t};
  if (control) return odd;
  if (t.n == 0 || t.p[0] == ';' || t.p[0] == '#') return Reading{LINE_QUIET, 0, t};
  const char* eq = static_cast<const char*>(memchr(t.p, '=', t.n));
  if (eq == nullptr) return odd;
  const int32_t preset = KeyPreset(Trim(t.p, eq));
  const Span value = Trim(eq + 1, t.p + t.n);
  if (preset < 0 || value.n >= kNameChars || memchr(value.p, '\t', value.n) != nullptr) return odd;
  return Reading{LINE_NAME, preset, value};
}

struct Reader {
  NamesBook& book;
  int32_t section;  // 0: before the first header
  int32_t number;
};

void CountOdd(NamesBook& b, int32_t number, uint32_t start, uint32_t length) {
  if (b.oddCount++ > 0) return;
  b.firstOddNumber = number;
  b.firstOddStart = start, b.firstOddLength = length;
}

// A header not read, one without a key that fits a camera's, or one named
// again opens a section that matches none: its lines stay where they stand,
// never read as names. A name given twice in a section is an odd line.
bool Take(Reader& r, Reading x, uint32_t start, uint32_t length, NamesEnd end) {
  NamesBook& b = r.book;
  if (x.kind == LINE_HEADER || x.kind == LINE_BAD_HEADER) {
    const bool opens = x.kind == LINE_HEADER && x.part.n > 0 && x.part.n < kNameChars && FindSection(b, x.part) < 0;
    if (!opens) CountOdd(b, r.number, start, length);
    r.section = AddSection(b, opens ? x.part : Span{"", 0}, start, length, end, true);
    return r.section >= 0;
  }
  if (x.kind == LINE_NAME && (b.sections[r.section].key[0] == 0 || FindLine(b, r.section, x.preset) >= 0))
    x.kind = LINE_ODD;
  if (x.kind == LINE_ODD) CountOdd(b, r.number, start, length);
  const NamesLineKind kind = x.kind == LINE_NAME ? NAMES_LINE_NAME : NAMES_LINE_KEPT;
  return AddLine(b, r.section, kind, x.preset, x.part, start, length, end, true);
}

struct Out {
  char* p;
  size_t size, n;
  // The last line put has no whole end (it was the file's last, without an
  // LF): what a line after it needs first, or null.
  const char* open;
};

void Put(Out& o, const char* s, size_t n) {
  if (n > 0 && o.n < o.size) memcpy(o.p + o.n, s, n < o.size - o.n ? n : o.size - o.n);
  o.n += n;
}

void PutText(Out& o, const char* s) { Put(o, s, strlen(s)); }

// A line and its end; one after a line without an end begins a line of its own.
void PutLine(Out& o, const char* s, size_t n, NamesEnd end) {
  if (o.open != nullptr) PutText(o, o.open);
  Put(o, s, n);
  PutText(o, kEnds[end]);
  // A lone CR ends no line when read: an LF after it makes it CRLF.
  o.open = end == NAMES_END_NONE ? kLineEnd : end == NAMES_END_CR ? "\n" : nullptr;
}

void RenderLine(Out& o, const NamesBook& b, const NamesLine& l) {
  if (l.asRead) return PutLine(o, b.text + l.rawStart, l.rawLength, l.end);
  if (l.value[0] == 0) return;  // a name removed
  char line[kNameChars + 16];
  const int n = l.preset > 0 ? snprintf(line, sizeof line, "Preset%d=%s", l.preset, l.value)
                             : snprintf(line, sizeof line, "Name=%s", l.value);
  PutLine(o, line, static_cast<size_t>(n), l.end);
}

}  // namespace

bool ParseNamesBook(const char* text, size_t length, NamesBook* book) {
  *book = NamesBook();
  book->text = text;
  Reader r{*book, 0, 0};
  // Section 0 holds the lines before the first header.
  bool ok = length <= UINT32_MAX && AddSection(*book, Span{"", 0}, 0, 0, NAMES_END_NONE, false) == 0;
  book->markLength = length >= 3 && memcmp(text, kByteOrderMark, 3) == 0 ? 3 : 0;
  for (size_t p = book->markLength; ok && p < length;) {
    const char* lf = static_cast<const char*>(memchr(text + p, '\n', length - p));
    size_t end = lf != nullptr ? static_cast<size_t>(lf - text) : length;
    const size_t next = lf != nullptr ? end + 1 : length;
    NamesEnd ending = lf != nullptr ? NAMES_END_LF : NAMES_END_NONE;
    if (end > p && text[end - 1] == '\r') end--, ending = lf != nullptr ? NAMES_END_CRLF : NAMES_END_CR;
    r.number++;
    ok = Take(r, Classify(Span{text + p, end - p}), static_cast<uint32_t>(p), static_cast<uint32_t>(end - p), ending);
    p = next;
  }
  if (!ok) FreeNamesBook(book);
  return ok;
}

void FreeNamesBook(NamesBook* book) {
  delete[] book->sections;
  delete[] book->lines;
  *book = NamesBook();
}

const char* FindName(const NamesBook& book, const char* key, int32_t preset) {
  const int32_t s = FindSection(book, Span{key, strlen(key)});
  const int32_t line = s >= 0 ? FindLine(book, s, preset) : -1;
  return line >= 0 && book.lines[line].value[0] != 0 ? book.lines[line].value : nullptr;
}

NamesChange PutName(NamesBook* book, const char* key, int32_t preset, const char* value) {
  const Span k{key, strlen(key)};
  int32_t s = FindSection(*book, k);
  const int32_t line = s >= 0 ? FindLine(*book, s, preset) : -1;
  if (strcmp(line >= 0 ? book->lines[line].value : "", value) == 0) return NAMES_SAME;
  if (line >= 0) {
    NamesLine& l = book->lines[line];
    snprintf(l.value, sizeof l.value, "%s", value);
    l.asRead = false;
    return NAMES_CHANGED;
  }
  // Room for the line first: no new header without its line.
  if (!Grow(&book->lines, &book->lineRoom, book->lineCount, kNamesMaxLines)) return NAMES_FULL;
  if (s < 0 && (s = AddSection(*book, k, 0, 0, NAMES_END_CRLF, false)) < 0) return NAMES_FULL;
  AddLine(*book, s, NAMES_LINE_NAME, preset, Span{value, strlen(value)}, 0, 0, NAMES_END_CRLF, false);
  return NAMES_CHANGED;
}

size_t RenderNamesBook(const NamesBook& book, char* out, size_t size) {
  Out o{out, size, 0, nullptr};
  Put(o, book.text, book.markLength);
  for (int32_t i = 0; i < book.sectionCount; i++) {
    const NamesSection& s = book.sections[i];
    char header[kNameChars + 2];
    if (i > 0 && s.asRead) PutLine(o, book.text + s.rawStart, s.rawLength, s.end);
    if (i > 0 && !s.asRead)
      PutLine(o, header, static_cast<size_t>(snprintf(header, sizeof header, "[%s]", s.key)), s.end);
    for (int32_t k = s.first; k >= 0; k = book.lines[k].next) RenderLine(o, book, book.lines[k]);
  }
  return o.n;
}
