// Drives a running Orvalix from another process through its windows, the way
// a user would. Texts and numbers cross the process boundary with
// time-limited messages, so a hung program fails the caller instead of
// hanging it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

constexpr DWORD kMessageTimeoutMs = 2000;

// "/a/b" (a path of the machine Wine runs on) to "Z:\a\b"; others unchanged.
std::string WindowsPath(const std::string& path);
// Polls done every few milliseconds until it holds or timeoutMs has passed.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs);
// A message whose answer is a number (TBM_GETPOS, ...); -1 on failure.
LRESULT AskWindow(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// The window's text; empty when it cannot be read.
std::string WindowText(HWND window);
// Lets the program paint everything pending before a screenshot.
void RepaintWindow(HWND window);
// The lines of a list box of another process.
std::vector<std::string> ListBoxTexts(HWND list);

struct PanelDriver {
  HWND main = nullptr;  // the top-level window of class "Orvalix"
  HWND page = nullptr;  // the page holding the controls
  DWORD processId = 0;

  // Finds the panel of process pid (0: of any process) within timeoutMs.
  bool Attach(DWORD pid, DWORD timeoutMs);
  HWND Control(int id) const { return GetDlgItem(page, id); }
  std::string Text(int id) const { return WindowText(Control(id)); }
  std::vector<std::string> ListTexts(int id) const { return ListBoxTexts(Control(id)); }
  LRESULT Ask(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return AskWindow(Control(id), message, wParam, lParam);
  }
  // Sets the camera list's selection and tells page 0, as a click does.
  void SelectCamera(int index) const;
  // Moves slider id to position and lets go of its thumb; false when the
  // slider cannot be measured.
  bool ReleaseSlider(int id, int position) const;
  void Click(int id) const { PostMessageA(Control(id), BM_CLICK, 0, 0); }
  void PressKey(UINT virtualKey) const;
  // A key-down as the system posts it; `repeat` marks an auto-repeat of a key held.
  void HoldKey(UINT virtualKey, bool repeat = false) const;
  void ReleaseKey(UINT virtualKey) const;
  // The left mouse button pressed on button id, and let go.
  void PressButton(int id) const { PostMessageA(Control(id), WM_LBUTTONDOWN, MK_LBUTTON, 0); }
  void ReleaseButton(int id) const { PostMessageA(Control(id), WM_LBUTTONUP, 0, 0); }
  // Makes the main window the active one, or a window of this process, within timeoutMs.
  bool Activate(DWORD timeoutMs) const;
  bool Deactivate(DWORD timeoutMs) const;
  void Close() const { PostMessageA(main, WM_CLOSE, 0, 0); }
};

// The Setup dialog, opened with the panel's "Setup" command; controls are
// found inside their group boxes too, clicks are posted so that the dialog's
// own modal loop carries them out.
struct SetupDriver {
  HWND dialog = nullptr;

  bool Open(const PanelDriver& panel, DWORD timeoutMs);
  // Finds the Setup dialog the panel already shows; false when none is open.
  bool Attach(const PanelDriver& panel);
  HWND Control(int id) const;
  LRESULT Ask(int id, UINT message) const { return AskWindow(Control(id), message); }
  std::string Text(int id) const { return WindowText(Control(id)); }
  void Click(int id) const { PostMessageA(Control(id), BM_CLICK, 0, 0); }
  bool WaitClosed(DWORD timeoutMs) const {
    return WaitUntil([this] { return !IsWindow(dialog); }, timeoutMs);
  }
};

// The Traffic window, opened with "Traffic..." of the main window's system
// menu; its Save dialog is filled in as a user would.
struct TrafficDriver {
  HWND window = nullptr;

  // Chooses the menu item and waits for the window; false when none came.
  bool Open(const PanelDriver& panel, DWORD timeoutMs);
  HWND Control(int id) const { return GetDlgItem(window, id); }
  std::string Text(int id) const { return WindowText(Control(id)); }
  void Click(int id) const { PostMessageA(Control(id), BM_CLICK, 0, 0); }
  // Traffic windows the panel's process shows.
  static int Count(const PanelDriver& panel);
  // Types `text` into the edit box, one character message after another.
  void Type(const std::string& text) const;
  // Chooses "Save...", names `path` in the Save dialog and confirms.
  bool Save(const std::string& path, DWORD timeoutMs) const;
};

// The Presets window, opened with "Presets..." of the main window's system menu.
struct PresetsDriver {
  HWND window = nullptr;

  // Chooses the menu item and waits for the window; false when none came.
  bool Open(const PanelDriver& panel, DWORD timeoutMs);
  HWND Control(int id) const { return GetDlgItem(window, id); }
  std::string Text(int id) const { return WindowText(Control(id)); }
  std::vector<std::string> Rows() const;
  void Click(int id) const { PostMessageA(Control(id), BM_CLICK, 0, 0); }
  // Preset `n`'s row chosen as a click chooses it.
  void Choose(int n) const;
  void SetText(int id, const std::string& text) const;
  // Answers the window's question box with `button` (IDYES, IDNO).
  bool Answer(int button, DWORD timeoutMs) const;
};
