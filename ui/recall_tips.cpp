#include "ui/recall_tips.h"

#include "common/control_ids.h"
#include "common/text.h"
#include "names/names_store.h"
#include "panel/camera_names.h"
#include "panel/panel_globals.h"
#include "requests/preset_numbers.h"
#include "ui/ui_globals.h"

#include <commctrl.h>

namespace {

HWND tips = nullptr;

TOOLINFOA ToolOf(int n, char* text) {
  TOOLINFOA tool = {};
  // The size comctl32 5.8 takes as well as 6: the program asks for no particular version.
  tool.cbSize = TTTOOLINFOA_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = hPage[0];
  tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(hPage[0], IDC_RECALL1 + n - 1));
  tool.lpszText = text;
  return tool;
}

}  // namespace

void CreateRecallTips() {
  tips = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                         CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hMainWnd, nullptr, hInst, nullptr);
  if (!tips) return;
  char empty[] = "";
  for (int n = 1; n <= kRecallButtons; n++) {
    TOOLINFOA tool = ToolOf(n, empty);
    SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void ShowRecallTips(int32_t index) {
  if (!tips) return;
  NamesStore* names = pNames.load();
  char key[kNameChars];
  const bool keyed = names != nullptr && index >= 0 && CameraNamesKey(pController, index, key, sizeof key);
  for (int n = 1; n <= kRecallButtons; n++) {
    char name[kNameChars] = "";
    if (keyed) NamesPreset(names, key, n, name, sizeof name);
    TOOLINFOA tool = ToolOf(n, name);
    SendMessageA(tips, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
  }
}
