// Drives a running Orvalix from another process through its windows, the way
// a user would: finds the panel, reads what its controls show, selects a
// camera, lets go of a slider, clicks and presses keys. Texts cross the
// process boundary with time-limited messages, so a hung program fails the
// caller instead of hanging it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// "/a/b" (a path of the machine Wine runs on) to "Z:\a\b"; others unchanged.
std::string WindowsPath(const std::string& path);

// Polls done every few milliseconds until it holds or timeoutMs has passed.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs);

struct PanelDriver {
  static constexpr DWORD kMessageTimeoutMs = 2000;

  HWND main = nullptr;  // the top-level window of class "Orvalix"
  HWND page = nullptr;  // the page holding the controls
  DWORD processId = 0;

  // Finds the panel of process pid (0: of any process) within timeoutMs.
  bool Attach(DWORD pid, DWORD timeoutMs);

  HWND Control(int id) const { return GetDlgItem(page, id); }
  // The text of control id; empty when it cannot be read.
  std::string Text(int id) const;
  std::vector<std::string> ListTexts(int id) const;
  // A message whose answer is a number (LB_GETCOUNT, TBM_GETPOS, ...); -1 on failure.
  LRESULT Ask(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

  // Sets the camera list's selection and tells page 0, as a click does.
  void SelectCamera(int index) const;
  // Moves slider id to position and lets go of its thumb; false when the
  // slider cannot be measured.
  bool ReleaseSlider(int id, int position) const;
  void Click(int id) const;
  void PressKey(UINT virtualKey) const;
  void Close() const;
  // Lets the program paint everything pending before a screenshot.
  void Repaint() const;
};
