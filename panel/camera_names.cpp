#include "panel/camera_names.h"

#include "names/names_store.h"

#include <cstdio>

std::atomic<NamesStore*> pNames{nullptr};

bool CameraNamesKey(const CameraController* c, int32_t index, char* key, size_t size) {
  CameraSnapshot r;
  if (c == nullptr || !EngineCamera(c, index, &r)) return false;
  NamesKey(NameOfLine(r.line).text, r.address, key, size);
  return true;
}

void CameraEntryText(const CameraController* c, int32_t index, bool answering, char* out, size_t size) {
  const char* absent = answering ? "" : " (no answer)";
  char key[kNameChars];
  char name[kNameChars];
  NamesStore* names = pNames.load();
  if (names != nullptr && CameraNamesKey(c, index, key, sizeof key) && NamesCamera(names, key, name, sizeof name))
    snprintf(out, size, "Camera %d: %s%s", static_cast<int>(index + 1), name, absent);
  else
    snprintf(out, size, "Camera %d%s", static_cast<int>(index + 1), absent);
}
