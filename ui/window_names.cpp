#include "ui/window_names.h"

#include "common/control_ids.h"
#include "common/text.h"
#include "names/names_store.h"
#include "panel/camera_names.h"
#include "panel/panel_controls.h"
#include "panel/panel_globals.h"
#include "panel/window_hooks.h"
#include "ui/presets_window.h"
#include "ui/recall_tips.h"

#include <cstring>

namespace {

constexpr char kNamesFile[] = "orvalix-names.ini";
constexpr char kNoAnswer[] = " (no answer)";

uint32_t shownGeneration = 0;
int32_t shownSelection = -1;

bool EndsInNoAnswer(const char* text) {
  const size_t n = strlen(text), tail = sizeof kNoAnswer - 1;
  return n >= tail && strcmp(text + n - tail, kNoAnswer) == 0;
}

// Each entry of the camera list with its camera's name as it stands now.
void RelabelCameraList() {
  HWND page = hPage[0];
  const LRESULT entries = SendDlgItemMessageA(page, IDC_CAMERA_LIST, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < entries; i++) {
    char shown[kCameraEntryChars] = "";
    if (SendDlgItemMessageA(page, IDC_CAMERA_LIST, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0) >=
        static_cast<LRESULT>(sizeof shown))
      continue;
    SendDlgItemMessageA(page, IDC_CAMERA_LIST, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(shown));
    char text[kCameraEntryChars];
    CameraEntryText(pController, static_cast<int32_t>(i), !EndsInNoAnswer(shown), text, sizeof text);
    if (strcmp(text, shown) != 0)
      ReplaceCameraEntry(page, kCameraEntryMessage, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
  }
}

}  // namespace

void OpenWindowNames(char* status, size_t size) {
  // The folder as it is now: a file dialog later must not move the file.
  char path[MAX_PATH];
  const DWORD n = GetFullPathNameA(kNamesFile, sizeof path, path, nullptr);
  pNames = NamesOpen(n > 0 && n < sizeof path ? path : nullptr, status, size);
  CreateRecallTips();
}

void FollowWindowNames() {
  NamesStore* names = pNames.load();
  FollowPresetsWindow();
  if (names == nullptr) return;
  const uint32_t generation = NamesGeneration(names);
  const int32_t selection = SelectedCamera();
  if (generation != shownGeneration) RelabelCameraList();
  if (generation != shownGeneration || selection != shownSelection) ShowRecallTips(selection);
  shownGeneration = generation;
  shownSelection = selection;
}

void CloseWindowNames() {
  NamesStore* names = pNames.exchange(nullptr);
  NamesClose(names);
}
