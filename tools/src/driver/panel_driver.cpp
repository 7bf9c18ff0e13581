#include "tools/src/driver/panel_driver.h"

#include "common/control_ids.h"
#include "ui/presets_window.h"
#include "ui/traffic_window.h"

#include <commctrl.h>

namespace {

constexpr char kClassName[] = "Orvalix";
constexpr DWORD kPollMs = 20;
// A key message's lParam: the repeat count 1 and the key's scan code, and the
// flags of a key that was already down and of a key going up.
constexpr LPARAM kWasDown = static_cast<LPARAM>(1) << 30;
constexpr LPARAM kGoingUp = static_cast<LPARAM>(1) << 31;

LPARAM KeyParam(UINT virtualKey) { return 1 | static_cast<LPARAM>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC) << 16); }

bool HasClass(HWND window, const char* name) {
  char cls[64] = "";
  GetClassNameA(window, cls, sizeof cls);
  return lstrcmpA(cls, name) == 0;
}

struct Search {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindMain(HWND window, LPARAM param) {
  Search* search = reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if ((search->pid != 0 && pid != search->pid) || !HasClass(window, kClassName) || !IsWindowVisible(window))
    return TRUE;
  search->found = window;
  return FALSE;
}

// Page 0 is the child of the program's own class that holds the camera list.
BOOL CALLBACK FindPage(HWND window, LPARAM param) {
  if (!HasClass(window, kClassName) || GetDlgItem(window, IDC_CAMERA_LIST) == nullptr) return TRUE;
  *reinterpret_cast<HWND*>(param) = window;
  return FALSE;
}

// A visible top-level window of process `pid` and class `cls`, owned by `owner` when given.
struct OwnedSearch {
  DWORD pid;
  const char* cls;
  HWND owner;
  HWND found;
  BOOL counting;  // go on past the first one found
  int count;
};

BOOL CALLBACK FindOwned(HWND window, LPARAM param) {
  OwnedSearch* search = reinterpret_cast<OwnedSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != search->pid || !HasClass(window, search->cls) || !IsWindowVisible(window) ||
      (search->owner != nullptr && GetWindow(window, GW_OWNER) != search->owner))
    return TRUE;
  search->found = window;
  search->count++;
  return search->counting;
}

HWND FindOwnedWindow(DWORD pid, const char* cls, HWND owner) {
  OwnedSearch search = {pid, cls, owner, nullptr, FALSE, 0};
  EnumWindows(FindOwned, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

BOOL CALLBACK FindSetup(HWND window, LPARAM param) {
  Search* search = reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char title[16] = "";
  GetWindowTextA(window, title, sizeof title);
  if (pid != search->pid || !HasClass(window, "#32770") || lstrcmpA(title, "Setup") != 0 || !IsWindowVisible(window))
    return TRUE;
  search->found = window;
  return FALSE;
}

// Every descendant: the radio buttons lie inside group boxes. pid holds the id.
BOOL CALLBACK FindControl(HWND window, LPARAM param) {
  Search* search = reinterpret_cast<Search*>(param);
  if (GetDlgCtrlID(window) != static_cast<int>(search->pid)) return TRUE;
  search->found = window;
  return FALSE;
}

// Where the thumb of a slider shaped like the remote one sits: a twin in a
// hidden window of our own answers TBM_GETTHUMBRECT, which cannot cross
// processes.
bool ThumbCentre(HWND slider, POINT* centre) {
  RECT client;
  const LRESULT lo = AskWindow(slider, TBM_GETRANGEMIN), hi = AskWindow(slider, TBM_GETRANGEMAX),
                pos = AskWindow(slider, TBM_GETPOS);
  if (!GetClientRect(slider, &client) || lo < 0 || hi < 0 || pos < 0) return false;
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  HINSTANCE inst = GetModuleHandleA(nullptr);
  HWND host =
      CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, client.right, client.bottom, nullptr, nullptr, inst, nullptr);
  const DWORD style = static_cast<DWORD>(GetWindowLongA(slider, GWL_STYLE));
  HWND twin =
      CreateWindowExA(0, TRACKBAR_CLASSA, "", style, 0, 0, client.right, client.bottom, host, nullptr, inst, nullptr);
  RECT thumb = {};
  if (twin != nullptr) {
    SendMessageA(twin, TBM_SETRANGEMIN, FALSE, lo);
    SendMessageA(twin, TBM_SETRANGEMAX, FALSE, hi);
    SendMessageA(twin, TBM_SETPOS, TRUE, pos);
    SendMessageA(twin, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    centre->x = (thumb.left + thumb.right) / 2;
    centre->y = (thumb.top + thumb.bottom) / 2;
  }
  if (host != nullptr) DestroyWindow(host);
  return thumb.right > thumb.left;
}

}  // namespace

std::string WindowsPath(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  std::string result = "Z:" + path;
  for (char& c : result)
    if (c == '/') c = '\\';
  return result;
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  for (const DWORD start = GetTickCount(); !done(); Sleep(kPollMs))
    if (GetTickCount() - start >= timeoutMs) return false;
  return true;
}

LRESULT AskWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result)) return -1;
  return static_cast<LRESULT>(result);
}

std::string WindowText(HWND window) {
  char text[256] = "";
  const LRESULT copied = AskWindow(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return copied < 0 ? std::string() : std::string(text, copied < LRESULT(sizeof text) ? copied : sizeof text - 1);
}

// A sent message is answered only between the program's other messages, and
// Wine copies a window's pixels to the screen before its thread waits again;
// so two round trips around a forced paint leave the screen up to date.
void RepaintWindow(HWND window) {
  AskWindow(window, WM_NULL);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  AskWindow(window, WM_NULL);
}

bool PanelDriver::Attach(DWORD pid, DWORD timeoutMs) {
  processId = pid;
  return WaitUntil(
      [this] {
        Search search = {processId, nullptr};
        EnumWindows(FindMain, reinterpret_cast<LPARAM>(&search));
        HWND found = nullptr;
        if (search.found != nullptr) EnumChildWindows(search.found, FindPage, reinterpret_cast<LPARAM>(&found));
        if (found == nullptr) return false;
        main = search.found;
        page = found;
        GetWindowThreadProcessId(main, &processId);
        return true;
      },
      timeoutMs);
}

// List texts come back as UTF-16 across processes, whatever the call's flavour.
std::vector<std::string> ListBoxTexts(HWND list) {
  std::vector<std::string> texts;
  const LRESULT count = AskWindow(list, LB_GETCOUNT);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = AskWindow(list, LB_GETTEXTLEN, static_cast<WPARAM>(i));
    wchar_t wide[256] = L"";
    DWORD_PTR copied = 0;
    if (length < 0 || length >= 256 ||
        !SendMessageTimeoutW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide), SMTO_ABORTIFHUNG,
                             kMessageTimeoutMs, &copied))
      break;
    char narrow[256] = "";
    WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
    texts.push_back(narrow);
  }
  return texts;
}

void PanelDriver::SelectCamera(int index) const {
  Ask(IDC_CAMERA_LIST, LB_SETCURSEL, static_cast<WPARAM>(index));
  PostMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_CAMERA_LIST, LBN_SELCHANGE),
               reinterpret_cast<LPARAM>(Control(IDC_CAMERA_LIST)));
}

// The slider tells its parent NM_RELEASEDCAPTURE when a press on its thumb ends.
bool PanelDriver::ReleaseSlider(int id, int position) const {
  POINT centre = {};
  if (Ask(id, TBM_SETPOS, TRUE, position) < 0 || !ThumbCentre(Control(id), &centre)) return false;
  const LPARAM at = MAKELPARAM(centre.x, centre.y);
  PostMessageA(Control(id), WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(Control(id), WM_LBUTTONUP, 0, at);
  return true;
}

void PanelDriver::PressKey(UINT virtualKey) const {
  HoldKey(virtualKey);
  ReleaseKey(virtualKey);
}

void PanelDriver::HoldKey(UINT virtualKey, bool repeat) const {
  PostMessageA(main, WM_KEYDOWN, virtualKey, KeyParam(virtualKey) | (repeat ? kWasDown : 0));
}

void PanelDriver::ReleaseKey(UINT virtualKey) const {
  PostMessageA(main, WM_KEYUP, virtualKey, KeyParam(virtualKey) | kWasDown | kGoingUp);
}

bool PanelDriver::Activate(DWORD timeoutMs) const {
  return WaitUntil([this] { return SetForegroundWindow(main) && GetForegroundWindow() == main; }, timeoutMs);
}

// A small window of this process takes the activation away, as a click on
// another program would.
bool PanelDriver::Deactivate(DWORD timeoutMs) const {
  static HWND other = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "orvalix driver", WS_POPUP | WS_VISIBLE, 0, 0, 8, 8,
                                      nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  return WaitUntil([] { return SetForegroundWindow(other) && GetForegroundWindow() == other; }, timeoutMs);
}

bool SetupDriver::Open(const PanelDriver& panel, DWORD timeoutMs) {
  PostMessageA(panel.page, WM_COMMAND, MAKEWPARAM(IDC_SETUP, BN_CLICKED),
               reinterpret_cast<LPARAM>(panel.Control(IDC_SETUP)));
  return WaitUntil([&] { return Attach(panel); }, timeoutMs);
}

bool SetupDriver::Attach(const PanelDriver& panel) {
  Search search = {panel.processId, nullptr};
  EnumWindows(FindSetup, reinterpret_cast<LPARAM>(&search));
  dialog = search.found;
  // Filled once its last control exists.
  return dialog != nullptr && Control(IDC_VIDEO_PAL) != nullptr;
}

HWND SetupDriver::Control(int id) const {
  Search search = {static_cast<DWORD>(id), nullptr};
  EnumChildWindows(dialog, FindControl, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool TrafficDriver::Open(const PanelDriver& panel, DWORD timeoutMs) {
  PostMessageA(panel.main, WM_SYSCOMMAND, kTrafficMenuCommand, 0);
  return WaitUntil([&] { return (window = FindOwnedWindow(panel.processId, "OrvalixTraffic", nullptr)) != nullptr; },
                   timeoutMs);
}

int TrafficDriver::Count(const PanelDriver& panel) {
  OwnedSearch search = {panel.processId, "OrvalixTraffic", nullptr, nullptr, TRUE, 0};
  EnumWindows(FindOwned, reinterpret_cast<LPARAM>(&search));
  return search.count;
}

void TrafficDriver::Type(const std::string& text) const {
  for (char c : text) PostMessageA(Control(IDC_TRAFFIC_EDIT), WM_CHAR, static_cast<unsigned char>(c), 1);
}

// The file name box of the common dialog: an edit (edt1) or a combo box with one (cmb13).
bool TrafficDriver::Save(const std::string& path, DWORD timeoutMs) const {
  constexpr int kFileNameEdit = 0x480, kFileNameCombo = 0x47C;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  PostMessageA(Control(IDC_TRAFFIC_SAVE), BM_CLICK, 0, 0);
  HWND dialog = nullptr;
  if (!WaitUntil([&] { return (dialog = FindOwnedWindow(pid, "#32770", window)) != nullptr; }, timeoutMs)) return false;
  HWND name =
      GetDlgItem(dialog, kFileNameCombo) ? GetDlgItem(dialog, kFileNameCombo) : GetDlgItem(dialog, kFileNameEdit);
  if (AskWindow(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str())) < 0) return false;
  PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  return WaitUntil([&] { return !IsWindow(dialog); }, timeoutMs);
}

bool PresetsDriver::Open(const PanelDriver& panel, DWORD timeoutMs) {
  PostMessageA(panel.main, WM_SYSCOMMAND, kPresetsMenuCommand, 0);
  return WaitUntil([&] { return (window = FindOwnedWindow(panel.processId, "OrvalixPresets", nullptr)) != nullptr; },
                   timeoutMs);
}

std::vector<std::string> PresetsDriver::Rows() const { return ListBoxTexts(Control(IDC_PRESETS_LIST)); }

void PresetsDriver::Choose(int n) const {
  AskWindow(Control(IDC_PRESETS_LIST), LB_SETCURSEL, static_cast<WPARAM>(n - 1));
  AskWindow(window, WM_COMMAND, MAKEWPARAM(IDC_PRESETS_LIST, LBN_SELCHANGE),
            reinterpret_cast<LPARAM>(Control(IDC_PRESETS_LIST)));
}

// As typed: the field's text, marked as changed by the operator.
void PresetsDriver::SetText(int id, const std::string& text) const {
  SendMessageA(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageA(Control(id), EM_SETMODIFY, TRUE, 0);
}

bool PresetsDriver::Answer(int button, DWORD timeoutMs) const {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HWND box = nullptr;
  if (!WaitUntil([&] { return (box = FindOwnedWindow(pid, "#32770", window)) != nullptr; }, timeoutMs)) return false;
  PostMessageA(GetDlgItem(box, button), BM_CLICK, 0, 0);
  return WaitUntil([&] { return !IsWindow(box); }, timeoutMs);
}
