#include "names/names_edits.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace {

constexpr int32_t kFirstRoom = 16;

bool Grow(NamesEdits& e) {
  if (e.count < e.room) return true;
  if (e.count >= kNamesMaxLines) return false;
  const int32_t want = e.room == 0 ? kFirstRoom : e.room * 2;
  NamesEdit* bigger = new (std::nothrow) NamesEdit[want];
  if (bigger == nullptr) return false;
  if (e.count > 0) memcpy(bigger, e.edits, sizeof(NamesEdit) * static_cast<size_t>(e.count));
  delete[] e.edits;
  e.edits = bigger;
  e.room = want;
  return true;
}

}  // namespace

bool RecordNamesEdit(NamesEdits* edits, const char* key, int32_t preset, const char* value) {
  NamesEdits& e = *edits;
  int32_t i = 0;
  while (i < e.count && (e.edits[i].preset != preset || strcmp(e.edits[i].key, key) != 0)) i++;
  if (i == e.count && !Grow(e)) return false;
  NamesEdit& edit = e.edits[i];
  snprintf(edit.key, sizeof edit.key, "%s", key);
  snprintf(edit.value, sizeof edit.value, "%s", value);
  edit.preset = preset;
  if (i == e.count) e.count++;
  return true;
}

bool ApplyNamesEdits(const NamesEdits& edits, NamesBook* book) {
  for (int32_t i = 0; i < edits.count; i++) {
    const NamesEdit& edit = edits.edits[i];
    if (PutName(book, edit.key, edit.preset, edit.value) == NAMES_FULL) return false;
  }
  return true;
}

void FreeNamesEdits(NamesEdits* edits) {
  delete[] edits->edits;
  *edits = NamesEdits();
}
