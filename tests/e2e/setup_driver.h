// The Setup dialog of a running Orvalix, driven from another process as
// PanelDriver drives the panel: opened with the panel's "Setup" command,
// controls found by id inside their group boxes too, clicks posted so that
// the dialog's own modal loop carries them out.
#pragma once

#include "tests/e2e/panel_driver.h"

#include <windows.h>

#include <string>

struct SetupDriver {
  HWND dialog = nullptr;

  // Asks the panel for the Setup dialog and waits until it shows.
  bool Open(const PanelDriver& panel, DWORD timeoutMs);
  // Finds the Setup dialog the panel already shows; false when none is open.
  bool Attach(const PanelDriver& panel);
  HWND Control(int id) const;
  LRESULT Ask(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  std::string Text(int id) const;
  void Click(int id) const;
  // True once the dialog has gone (within timeoutMs).
  bool WaitClosed(DWORD timeoutMs) const;
  // Lets the dialog paint everything pending before a screenshot.
  void Repaint() const;
};
