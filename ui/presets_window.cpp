#include "ui/presets_window.h"

#include "common/control_ids.h"
#include "common/text.h"
#include "names/names_store.h"
#include "panel/camera_names.h"
#include "panel/panel_controls.h"
#include "panel/panel_globals.h"
#include "requests/preset_numbers.h"
#include "requests/request_codes.h"
#include "ui/panel_commands.h"
#include "ui/tool_window.h"
#include "ui/ui_globals.h"

#include <cstdio>
#include <initializer_list>

namespace {

const char kClassName[] = "OrvalixPresets";
const char kTitle[] = "Orvalix Presets";

constexpr int kClientWidth = 380;
constexpr int kClientHeight = 420;
constexpr int kMargin = 10;
constexpr int kGap = 10;
constexpr int kRowHeight = 24;
constexpr int kButtonWidth = 90;
constexpr int kLabelWidth = 80;
constexpr int kListHeight = 250;
constexpr int kMessageChars = 200;
// The list's tab stop between the number and the name, in dialog units.
constexpr int kNameTabStop = 20;

HWND window = nullptr;
int32_t shownCamera = -1;      // the camera the window shows, -1 for none
uint32_t shownGeneration = 0;  // the names' generation it shows
int32_t shownLimit = 0;        // its last preset number

HWND Control(int id) { return GetDlgItem(window, id); }

void Make(const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id, DWORD exStyle = 0) {
  MakeToolControl(window, cls, text, style, x, y, w, h, id, exStyle);
}

void CreateControls() {
  const int inner = kClientWidth - 2 * kMargin;
  const int right = kClientWidth - kMargin - kButtonWidth;
  int y = kMargin;
  Make("STATIC", "", SS_CENTERIMAGE, kMargin, y, kLabelWidth, kRowHeight, IDC_PRESETS_CAMERA);
  Make("EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, kMargin + kLabelWidth, y, right - kGap - kMargin - kLabelWidth,
       kRowHeight, IDC_PRESETS_CAMERA_NAME, WS_EX_CLIENTEDGE);
  Make("BUTTON", "Rename Camera", WS_TABSTOP | BS_PUSHBUTTON, right, y, kButtonWidth, kRowHeight,
       IDC_PRESETS_CAMERA_RENAME);
  y += kRowHeight + kGap;
  Make("LISTBOX", "", WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT, kMargin, y, inner,
       kListHeight, IDC_PRESETS_LIST, WS_EX_CLIENTEDGE);
  const int tabStop = kNameTabStop;
  SendMessageA(Control(IDC_PRESETS_LIST), LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tabStop));
  y += kListHeight + kGap;
  Make("EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, kMargin, y, right - kGap - kMargin, kRowHeight, IDC_PRESETS_NAME,
       WS_EX_CLIENTEDGE);
  Make("BUTTON", "Rename", WS_TABSTOP | BS_PUSHBUTTON, right, y, kButtonWidth, kRowHeight, IDC_PRESETS_RENAME);
  y += kRowHeight + kGap;
  Make("BUTTON", "Recall", WS_TABSTOP | BS_DEFPUSHBUTTON, kMargin, y, kButtonWidth, kRowHeight, IDC_PRESETS_RECALL);
  Make("BUTTON", "Store", WS_TABSTOP | BS_PUSHBUTTON, kMargin + kButtonWidth + kGap, y, kButtonWidth, kRowHeight,
       IDC_PRESETS_STORE);
  y += kRowHeight + kGap / 2;
  Make("STATIC", "", 0, kMargin, y, inner, kRowHeight, IDC_PRESETS_MESSAGE);
  for (int id : {IDC_PRESETS_CAMERA_NAME, IDC_PRESETS_NAME}) SendMessageA(Control(id), EM_LIMITTEXT, kNameChars - 1, 0);
}

void Say(const char* text) { SetDlgItemTextA(window, IDC_PRESETS_MESSAGE, text); }

// The preset number the list has selected, 0 for none.
int32_t SelectedPreset() {
  const LRESULT row = SendMessageA(Control(IDC_PRESETS_LIST), LB_GETCURSEL, 0, 0);
  return row == LB_ERR ? 0 : static_cast<int32_t>(row) + 1;
}

bool ShownKey(char* key, size_t size) {
  return shownCamera >= 0 && CameraNamesKey(pController, shownCamera, key, size);
}

// A name field shows `text`; with keepTyping one the operator is typing in
// keeps what it holds (a name changed elsewhere, by a connection, must not
// wipe it).
void ShowField(int id, const char* text, bool keepTyping) {
  HWND field = Control(id);
  if (keepTyping && (GetFocus() == field || SendMessageA(field, EM_GETMODIFY, 0, 0))) return;
  SetWindowTextA(field, text);
  SendMessageA(field, EM_SETMODIFY, FALSE, 0);
}

// The selected preset's name into the name field.
void ShowPresetName(bool keepTyping) {
  char key[kNameChars];
  char name[kNameChars] = "";
  NamesStore* names = pNames.load();
  if (names != nullptr && ShownKey(key, sizeof key)) NamesPreset(names, key, SelectedPreset(), name, sizeof name);
  ShowField(IDC_PRESETS_NAME, name, keepTyping);
}

// Numbers 1..limit, each with its name; the selection stays on its number.
void FillList(const char* key, int32_t limit) {
  HWND list = Control(IDC_PRESETS_LIST);
  const LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
  NamesStore* names = pNames.load();
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  for (int32_t n = 1; n <= limit; n++) {
    char name[kNameChars] = "";
    char row[kNameChars + 16];
    if (names != nullptr && key != nullptr && NamesPreset(names, key, n, name, sizeof name))
      snprintf(row, sizeof row, "%d\t%s", static_cast<int>(n), name);
    else
      snprintf(row, sizeof row, "%d", static_cast<int>(n));
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row));
  }
  SendMessageA(list, LB_SETCURSEL, selected != LB_ERR && selected < limit ? selected : 0, 0);
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

// The camera selected now, its name and its presets; all off without one.
void Fill() {
  const bool sameCamera = SelectedCamera() == shownCamera;
  shownCamera = SelectedCamera();
  NamesStore* names = pNames.load();
  shownGeneration = names != nullptr ? NamesGeneration(names) : 0;
  CameraSnapshot r;
  const bool have = pController != nullptr && shownCamera >= 0 && EngineCamera(pController, shownCamera, &r);
  char key[kNameChars];
  char name[kNameChars] = "";
  char label[32] = "No camera";
  const bool keyed = have && ShownKey(key, sizeof key);
  if (have) snprintf(label, sizeof label, "Camera %d", static_cast<int>(shownCamera + 1));
  if (keyed && names != nullptr) NamesCamera(names, key, name, sizeof name);
  SetDlgItemTextA(window, IDC_PRESETS_CAMERA, label);
  ShowField(IDC_PRESETS_CAMERA_NAME, name, sameCamera);
  shownLimit = have ? PresetLimit(r.panTilt == 1) : 0;
  FillList(keyed ? key : nullptr, shownLimit);
  ShowPresetName(sameCamera);
  for (int id : {IDC_PRESETS_CAMERA_NAME, IDC_PRESETS_CAMERA_RENAME, IDC_PRESETS_LIST, IDC_PRESETS_NAME,
                 IDC_PRESETS_RENAME, IDC_PRESETS_RECALL, IDC_PRESETS_STORE})
    EnableWindow(Control(id), have);
}

// As a Recall button: 1..5 are the panel's own buttons, checked as a click
// checks them; beyond them the recall goes out twice, as theirs does.
void Recall() {
  const int32_t n = SelectedPreset();
  if (n < 1 || shownCamera < 0) return;
  if (n <= kRecallButtons) {
    PostMessageA(hPage[0], WM_COMMAND, static_cast<WPARAM>(IDC_RECALL1 + n - 1), 0);
    CheckRadioButton(hPage[0], IDC_RECALL1, IDC_RECALL5, IDC_RECALL1 + n - 1);
  } else {
    PutRequest(REQ_PRESET_RECALL, static_cast<uint32_t>(n));
    PutRequest(REQ_PRESET_RECALL, static_cast<uint32_t>(n));
  }
  char text[kMessageChars];
  snprintf(text, sizeof text, "Recalling preset %d.", static_cast<int>(n));
  Say(text);
}

// The camera and number asked about are the ones stored: the panel keeps
// running while the question is up, and another camera may be selected.
void Store() {
  const int32_t n = SelectedPreset(), camera = shownCamera;
  if (n < 1 || camera < 0) return;
  char text[kMessageChars];
  snprintf(text, sizeof text, "Store the camera's present picture as preset %d?", static_cast<int>(n));
  // "No" is the default: a stored preset cannot be had back.
  if (MessageBoxA(window, text, kTitle, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) return;
  const bool put = pController != nullptr &&
                   EnginePut(pController, static_cast<uint32_t>(camera), REQ_PRESET_STORE, static_cast<uint32_t>(n), 0);
  if (put)
    snprintf(text, sizeof text, "Storing preset %d on camera %d.", static_cast<int>(n), static_cast<int>(camera + 1));
  else
    snprintf(text, sizeof text, "The camera is busy; preset %d was not stored.", static_cast<int>(n));
  Say(text);
}

// A name's outcome in the window; the store's one text on the status line.
void ShowNameResult(NameResult result, const char* status) {
  if (status[0] != 0) SetStatus("%s", status);
  switch (result) {
    case NAME_SAVED:
      Say("Name saved.");
      break;
    case NAME_SESSION_ONLY:
      Say("Name kept until the program ends; it could not be saved.");
      break;
    case NAME_TOO_LONG:
      Say("A name has 31 characters at most.");
      break;
    case NAME_BAD_TEXT:
      Say("A name cannot hold that character.");
      break;
    case NAME_NO_ROOM:
      Say("No room for more names.");
      break;
  }
}

// The camera's name (preset 0) or the selected preset's, from its field.
void Rename(bool camera) {
  char key[kNameChars];
  NamesStore* names = pNames.load();
  const int32_t n = SelectedPreset();
  if (names == nullptr || !ShownKey(key, sizeof key) || (!camera && n < 1)) return;
  char text[kNameChars] = "";
  GetDlgItemTextA(window, camera ? IDC_PRESETS_CAMERA_NAME : IDC_PRESETS_NAME, text, sizeof text);
  char status[kNamesStatusChars] = "";
  const NameResult result = camera ? NamesSetCamera(names, key, text, status, sizeof status)
                                   : NamesSetPreset(names, key, n, text, status, sizeof status);
  // Typed and taken: the field shows the name as kept from now on.
  SendMessageA(Control(camera ? IDC_PRESETS_CAMERA_NAME : IDC_PRESETS_NAME), EM_SETMODIFY, FALSE, 0);
  ShowNameResult(result, status);
}

// Enter in a name field names; anywhere else it recalls.
void OnEnter() {
  const HWND focus = GetFocus();
  if (focus == Control(IDC_PRESETS_NAME) || focus == Control(IDC_PRESETS_CAMERA_NAME))
    Rename(focus == Control(IDC_PRESETS_CAMERA_NAME));
  else
    Recall();
}

void OnCommand(int id, int notifyCode) {
  switch (id) {
    case IDC_PRESETS_LIST:
      if (notifyCode == LBN_SELCHANGE) ShowPresetName(false);
      if (notifyCode == LBN_DBLCLK) Recall();
      break;
    case IDC_PRESETS_RECALL:
      OnEnter();
      break;
    case IDC_PRESETS_STORE:
      Store();
      break;
    case IDC_PRESETS_RENAME:
    case IDC_PRESETS_CAMERA_RENAME:
      Rename(id == IDC_PRESETS_CAMERA_RENAME);
      break;
    case IDCANCEL:
      DestroyWindow(window);
      break;
    default:
      break;
  }
}

LRESULT CALLBACK PresetsWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_DESTROY:
      window = nullptr;
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

}  // namespace

void AddPresetsMenuItem(HWND mainWindow) {
  HMENU menu = GetSystemMenu(mainWindow, FALSE);
  if (menu) AppendMenuA(menu, MF_STRING, kPresetsMenuCommand, "Presets...");
}

void OpenPresetsWindow() {
  if (window) {
    ShowToolWindow(window);
    return;
  }
  window = CreateToolWindow(kClassName, kTitle, PresetsWndProc, kClientWidth, kClientHeight, TOOL_PLACE_OVER_PANEL);
  if (!window) return;
  CreateControls();
  Fill();
  ShowWindow(window, SW_SHOW);
  SetFocus(Control(IDC_PRESETS_LIST));
}

void FollowPresetsWindow() {
  if (!window) return;
  NamesStore* names = pNames.load();
  const uint32_t generation = names != nullptr ? NamesGeneration(names) : 0;
  CameraSnapshot r;
  const int32_t camera = SelectedCamera();
  // A camera found to pan and tilt after the window showed it keeps more presets.
  const int32_t limit =
      pController != nullptr && camera >= 0 && EngineCamera(pController, camera, &r) ? PresetLimit(r.panTilt == 1) : 0;
  if (camera != shownCamera || generation != shownGeneration || limit != shownLimit) Fill();
}

bool RoutePresetsMessage(MSG* msg) { return RouteToolMessage(window, msg); }
