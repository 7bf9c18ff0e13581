#include "tests/e2e/panel_driver.h"

#include "common/control_ids.h"

#include <commctrl.h>

namespace {

constexpr char kClassName[] = "Orvalix";
constexpr DWORD kPollMs = 20;

bool HasClass(HWND window, const char* name) {
  char cls[64] = "";
  GetClassNameA(window, cls, sizeof cls);
  return lstrcmpA(cls, name) == 0;
}

struct MainSearch {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindMain(HWND window, LPARAM param) {
  MainSearch* search = reinterpret_cast<MainSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if ((search->pid != 0 && pid != search->pid) || !HasClass(window, kClassName) || !IsWindowVisible(window)) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

// Page 0 is the child of the program's own class that holds the camera list.
BOOL CALLBACK FindPage(HWND window, LPARAM param) {
  if (!HasClass(window, kClassName) || GetDlgItem(window, IDC_CAMERA_LIST) == nullptr) return TRUE;
  *reinterpret_cast<HWND*>(param) = window;
  return FALSE;
}

// Where the thumb of a slider shaped like the remote one sits: a twin in a
// hidden window of our own answers TBM_GETTHUMBRECT, which cannot cross
// processes.
bool ThumbCentre(HWND slider, POINT* centre) {
  RECT client;
  if (!GetClientRect(slider, &client)) return false;
  DWORD_PTR lo = 0, hi = 0, pos = 0;
  const UINT flags = SMTO_ABORTIFHUNG;
  const UINT limit = PanelDriver::kMessageTimeoutMs;
  if (!SendMessageTimeoutA(slider, TBM_GETRANGEMIN, 0, 0, flags, limit, &lo) ||
      !SendMessageTimeoutA(slider, TBM_GETRANGEMAX, 0, 0, flags, limit, &hi) ||
      !SendMessageTimeoutA(slider, TBM_GETPOS, 0, 0, flags, limit, &pos)) {
    return false;
  }
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  HINSTANCE inst = GetModuleHandleA(nullptr);
  HWND host =
      CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, client.right, client.bottom, nullptr, nullptr, inst, nullptr);
  const DWORD style = static_cast<DWORD>(GetWindowLongA(slider, GWL_STYLE));
  HWND twin =
      CreateWindowExA(0, TRACKBAR_CLASSA, "", style, 0, 0, client.right, client.bottom, host, nullptr, inst, nullptr);
  bool ok = twin != nullptr;
  if (ok) {
    SendMessageA(twin, TBM_SETRANGEMIN, FALSE, static_cast<LPARAM>(lo));
    SendMessageA(twin, TBM_SETRANGEMAX, FALSE, static_cast<LPARAM>(hi));
    SendMessageA(twin, TBM_SETPOS, TRUE, static_cast<LPARAM>(pos));
    RECT thumb = {};
    SendMessageA(twin, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    centre->x = (thumb.left + thumb.right) / 2;
    centre->y = (thumb.top + thumb.bottom) / 2;
    ok = thumb.right > thumb.left;
  }
  if (host != nullptr) DestroyWindow(host);
  return ok;
}

}  // namespace

std::string WindowsPath(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  std::string result = "Z:" + path;
  for (char& c : result) {
    if (c == '/') c = '\\';
  }
  return result;
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(kPollMs);
  }
}

bool PanelDriver::Attach(DWORD pid, DWORD timeoutMs) {
  processId = pid;
  return WaitUntil(
      [this] {
        MainSearch search = {processId, nullptr};
        EnumWindows(FindMain, reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr) return false;
        HWND found = nullptr;
        EnumChildWindows(search.found, FindPage, reinterpret_cast<LPARAM>(&found));
        if (found == nullptr) return false;
        main = search.found;
        page = found;
        GetWindowThreadProcessId(main, &processId);
        return true;
      },
      timeoutMs);
}

std::string PanelDriver::Text(int id) const {
  char text[256] = "";
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutA(Control(id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                           kMessageTimeoutMs, &copied)) {
    return std::string();
  }
  return std::string(text, copied < sizeof text ? copied : sizeof text - 1);
}

// List texts come back as UTF-16 across processes, whatever the call's flavour.
std::vector<std::string> PanelDriver::ListTexts(int id) const {
  std::vector<std::string> texts;
  const LRESULT count = Ask(id, LB_GETCOUNT);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = Ask(id, LB_GETTEXTLEN, static_cast<WPARAM>(i));
    if (length < 0 || length >= 256) break;
    wchar_t wide[256] = L"";
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(Control(id), LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide),
                             SMTO_ABORTIFHUNG, kMessageTimeoutMs, &copied)) {
      break;
    }
    char narrow[256] = "";
    WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
    texts.push_back(narrow);
  }
  return texts;
}

LRESULT PanelDriver::Ask(int id, UINT message, WPARAM wParam, LPARAM lParam) const {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(Control(id), message, wParam, lParam, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result)) {
    return -1;
  }
  return static_cast<LRESULT>(result);
}

void PanelDriver::SelectCamera(int index) const {
  Ask(IDC_CAMERA_LIST, LB_SETCURSEL, static_cast<WPARAM>(index));
  PostMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_CAMERA_LIST, LBN_SELCHANGE),
               reinterpret_cast<LPARAM>(Control(IDC_CAMERA_LIST)));
}

// The slider tells its parent NM_RELEASEDCAPTURE when a press on its thumb ends.
bool PanelDriver::ReleaseSlider(int id, int position) const {
  HWND slider = Control(id);
  if (Ask(id, TBM_SETPOS, TRUE, position) < 0) return false;
  POINT centre;
  if (!ThumbCentre(slider, &centre)) return false;
  const LPARAM at = MAKELPARAM(centre.x, centre.y);
  PostMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(slider, WM_LBUTTONUP, 0, at);
  return true;
}

void PanelDriver::Click(int id) const { PostMessageA(Control(id), BM_CLICK, 0, 0); }

void PanelDriver::PressKey(UINT virtualKey) const {
  const UINT scan = MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
  const LPARAM down = 1 | static_cast<LPARAM>(scan << 16);
  const LPARAM up = down | static_cast<LPARAM>(0xC0000000u);
  PostMessageA(main, WM_KEYDOWN, virtualKey, down);
  PostMessageA(main, WM_KEYUP, virtualKey, up);
}

void PanelDriver::Close() const { PostMessageA(main, WM_CLOSE, 0, 0); }

// A sent message is answered only between the program's other messages, and
// Wine copies a window's pixels to the screen before its thread waits again;
// so two round trips around a forced paint leave the screen up to date.
void PanelDriver::Repaint() const {
  DWORD_PTR unused = 0;
  SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &unused);
  RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &unused);
}
