#include "names/names_store.h"

#include "names/names_edits.h"
#include "names/names_file.h"
#include "platform/file_replace.h"
#include "platform/os.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

constexpr size_t kPathChars = 4096;
constexpr char kTempEnding[] = ".new";
constexpr size_t kShownChars = 40;  // of an odd line, in the status text
constexpr size_t kFileNameChars = 256;

enum FileState {
  FILE_NONE,      // names for the session only
  FILE_WRITABLE,  // written on each change
  FILE_LEFT,      // its names not read: never written over
  FILE_CHANGED,   // changed by another program into one not taken: no longer written
};

bool Printable(char c) { return c >= 0x20 && c < 0x7F; }

// The file as this program last read or wrote it, to tell another's change.
struct DiskMark {
  bool present;
  size_t length;
  uint64_t hash;
};

DiskMark MarkOf(const char* text, size_t length) {
  uint64_t h = 14695981039346656037ull;  // FNV-1a
  for (size_t i = 0; i < length; i++) h = (h ^ static_cast<uint8_t>(text[i])) * 1099511628211ull;
  return DiskMark{true, length, h};
}

bool operator==(DiskMark a, DiskMark b) { return a.present == b.present && a.length == b.length && a.hash == b.hash; }

}  // namespace

// `lock` guards the names and is never held while the disk works;
// `writeLock` keeps one write at a time, each with all changes before it.
struct NamesStore {
  OsLock lock, writeLock;
  NamesBook book;
  char* text = nullptr;        // the file's bytes, which the book's kept lines point into
  NamesEdits edits;            // this session's
  char path[kPathChars] = {};  // through any link: the file written
  char temp[kPathChars + sizeof kTempEnding] = {};
  char fileName[kFileNameChars] = {};  // the given path's last part, for the texts
  FileState file = FILE_NONE;
  bool told = false;                // the session-only text was given
  std::atomic<bool> behind{false};  // the last write failed: the file lacks a change
  // Under writeLock: the file as last seen, and the change the last write held.
  DiskMark disk = DiskMark{false, 0, 0};
  uint32_t written = 0;
  std::atomic<uint32_t> generation{0};  // also the number of the last change
};

namespace {

// "orvalix-names.ini line 7 skipped, kept as it is: TEXT... (and 2 more)"
void DescribeOddLines(const NamesStore& s, char* status, size_t size) {
  const NamesBook& b = s.book;
  char shown[kShownChars + 4];
  size_t n = 0;
  for (; n < b.firstOddLength && n < kShownChars; n++) {
    const char c = b.text[b.firstOddStart + n];
    shown[n] = Printable(c) ? c : '?';
  }
  snprintf(shown + n, sizeof shown - n, "%s", b.firstOddLength > kShownChars ? "..." : "");
  char more[32] = "";
  if (b.oddCount > 1) snprintf(more, sizeof more, " (and %d more)", static_cast<int>(b.oddCount - 1));
  snprintf(status, size, "%s line %d skipped, kept as it is: %s%s", s.fileName, static_cast<int>(b.firstOddNumber),
           shown, more);
}

// The file at s.path into the book; the status text says what was not taken.
void ReadFile(NamesStore& s, char* status, size_t size) {
  size_t length = 0;
  const NamesRead read = ReadNamesFile(s.path, &s.text, &length);
  NamesBook book;
  if (read == NAMES_MISSING || (read == NAMES_READ && ParseNamesBook(s.text, length, &book))) {
    s.file = FILE_WRITABLE;
    if (read == NAMES_MISSING) return;
    s.disk = MarkOf(s.text, length);
    FreeNamesBook(&s.book);
    s.book = book;
    if (book.oddCount > 0) DescribeOddLines(s, status, size);
    return;
  }
  delete[] s.text;
  s.text = nullptr;
  s.file = FILE_LEFT;
  const char* why = read == NAMES_TOO_LARGE ? "is larger than 1 MB"
                    : read == NAMES_READ    ? "holds too many sections or lines"
                                            : "cannot be read";
  snprintf(status, size, "%s %s: its names are not read, and it is left as it is", s.fileName, why);
}

// Another program's (or the operator's) change to the file is read and this
// session's names are put on it again. False when it cannot be read now, or
// was changed into one not taken: the names then stay for the session.
// Under writeLock.
bool TakeOtherChanges(NamesStore& s) {
  char* text = nullptr;
  size_t length = 0;
  const NamesRead read = ReadNamesFile(s.path, &text, &length);
  if (read == NAMES_UNREADABLE) return false;  // nor could it be written
  const bool readable = read != NAMES_TOO_LARGE;
  const DiskMark now = read == NAMES_READ ? MarkOf(text, length) : DiskMark{false, 0, 0};
  if (readable && now == s.disk) {
    delete[] text;
    return true;
  }
  NamesBook book;
  const bool parsed = readable && ParseNamesBook(text != nullptr ? text : "", length, &book);
  OsLockGuard guard(s.lock);
  if (!parsed || !ApplyNamesEdits(s.edits, &book)) {
    if (parsed) FreeNamesBook(&book);
    delete[] text;
    s.file = FILE_CHANGED;
    return false;
  }
  FreeNamesBook(&s.book);
  delete[] s.text;
  s.book = book, s.text = text, s.disk = now;
  s.generation++;
  return true;
}

// The book as it is now into the file, unless a write since `change` held it.
void Save(NamesStore& s, uint32_t change) {
  OsLockGuard writer(s.writeLock);
  if (static_cast<int32_t>(s.written - change) >= 0) return;
  if (!TakeOtherChanges(s)) {
    s.behind = true;
    return;
  }
  char* text = nullptr;
  size_t length = 0;
  {
    OsLockGuard guard(s.lock);
    length = RenderNamesBook(s.book, nullptr, 0);
    text = new (std::nothrow) char[length + 1];
    if (text != nullptr) RenderNamesBook(s.book, text, length);
    s.written = s.generation.load();
  }
  const bool saved = text != nullptr && WriteNamesFile(s.path, s.temp, text, length);
  if (saved) s.disk = MarkOf(text, length);
  s.behind = !saved;
  delete[] text;
}

void SessionOnlyText(const NamesStore& s, char* status, size_t size) {
  const char* head = "Names kept for this session only:";
  if (s.file == FILE_NONE) snprintf(status, size, "%s no names file", head);
  if (s.file == FILE_LEFT) snprintf(status, size, "%s %s is left as it is", head, s.fileName);
  if (s.file == FILE_WRITABLE) snprintf(status, size, "%s %s cannot be written", head, s.fileName);
  if (s.file == FILE_CHANGED) snprintf(status, size, "%s %s was changed by another program", head, s.fileName);
}

// The name as the file keeps it, the spaces round it dropped.
NameResult CleanName(const char* text, char (&value)[kNameChars]) {
  for (const char* p = text; *p != 0; p++)
    if (static_cast<unsigned char>(*p) < 0x20 || *p == 0x7F) return NAME_BAD_TEXT;
  while (*text == ' ') text++;
  size_t n = strlen(text);
  while (n > 0 && text[n - 1] == ' ') n--;
  if (n >= kNameChars) return NAME_TOO_LONG;
  memcpy(value, text, n);
  value[n] = 0;
  return NAME_SAVED;
}

// A key as NamesKey makes them: printable, no spaces round it, fits a section.
bool GoodKey(const char* key) {
  size_t n = 0;
  for (; key[n] != 0 && n < kNameChars; n++)
    if (!Printable(key[n])) return false;
  return n > 0 && n < kNameChars && key[0] != ' ' && key[n - 1] != ' ';
}

NameResult SetName(NamesStore* s, const char* key, int32_t preset, const char* text, char* status, size_t size) {
  if (size > 0) status[0] = 0;
  char value[kNameChars];
  const NameResult clean = CleanName(text, value);
  if (clean != NAME_SAVED) return clean;
  if (!GoodKey(key)) return NAME_BAD_TEXT;
  uint32_t change = 0;
  {
    OsLockGuard guard(s->lock);
    const NamesChange put =
        RecordNamesEdit(&s->edits, key, preset, value) ? PutName(&s->book, key, preset, value) : NAMES_FULL;
    if (put == NAMES_FULL) return NAME_NO_ROOM;
    if (put == NAMES_CHANGED) s->generation++;
    if (put == NAMES_CHANGED && s->file == FILE_WRITABLE) change = s->generation.load();
  }
  if (change != 0) Save(*s, change);
  OsLockGuard guard(s->lock);
  if (s->file == FILE_WRITABLE && !s->behind) return NAME_SAVED;
  if (!s->told) SessionOnlyText(*s, status, size);
  s->told = true;
  return NAME_SESSION_ONLY;
}

bool CopyName(NamesStore* s, const char* key, int32_t preset, char* out, size_t size) {
  OsLockGuard guard(s->lock);
  const char* name = FindName(s->book, key, preset);
  if (size > 0) snprintf(out, size, "%s", name != nullptr ? name : "");
  return name != nullptr;
}

bool GoodPreset(int32_t n) { return n >= 1 && n <= kNamesMaxPreset; }

}  // namespace

void NamesKey(const char* lineName, int32_t address, char* out, size_t size) {
  snprintf(out, size, "%s %d", lineName, static_cast<int>(address));
}

NamesStore* NamesOpen(const char* path, char* status, size_t size) {
  if (size > 0) status[0] = 0;
  NamesStore* s = new (std::nothrow) NamesStore;
  if (s != nullptr && (!s->lock.IsValid() || !s->writeLock.IsValid() || !ParseNamesBook("", 0, &s->book))) {
    delete s;
    s = nullptr;
  }
  if (s == nullptr || path == nullptr) return s;
  if (strlen(path) >= kPathChars) {
    snprintf(status, size, "The names file's path is too long: names are kept for this session only");
    return s;
  }
  OsFileBehindPath(path, s->path, sizeof s->path);
  snprintf(s->temp, sizeof s->temp, "%s%s", s->path, kTempEnding);
  const char* name = path;
  for (const char* p = path; *p != 0; p++)
    if (*p == '/' || *p == '\\') name = p + 1;
  snprintf(s->fileName, sizeof s->fileName, "%s", name);
  ReadFile(*s, status, size);
  return s;
}

void NamesClose(NamesStore* store) {
  if (store == nullptr) return;
  FreeNamesBook(&store->book);
  FreeNamesEdits(&store->edits);
  delete[] store->text;
  delete store;
}

bool NamesCamera(NamesStore* store, const char* key, char* out, size_t size) {
  return CopyName(store, key, 0, out, size);
}

bool NamesPreset(NamesStore* store, const char* key, int32_t n, char* out, size_t size) {
  if (!GoodPreset(n)) return false;
  return CopyName(store, key, n, out, size);
}

NameResult NamesSetCamera(NamesStore* store, const char* key, const char* text, char* status, size_t size) {
  return SetName(store, key, 0, text, status, size);
}

NameResult NamesSetPreset(NamesStore* store, const char* key, int32_t n, const char* text, char* status, size_t size) {
  if (!GoodPreset(n)) {
    if (size > 0) status[0] = 0;
    return NAME_BAD_TEXT;
  }
  return SetName(store, key, n, text, status, size);
}

int32_t NamesListPresets(NamesStore* store, const char* key, int32_t* numbers, char (*names)[kNameChars],
                         int32_t capacity) {
  OsLockGuard guard(store->lock);
  int32_t k = 0;
  for (int32_t n = 1; n <= kNamesMaxPreset && k < capacity; n++) {
    const char* name = FindName(store->book, key, n);
    if (name == nullptr) continue;
    numbers[k] = n;
    snprintf(names[k], kNameChars, "%s", name);
    k++;
  }
  return k;
}

uint32_t NamesGeneration(const NamesStore* store) { return store->generation.load(); }
