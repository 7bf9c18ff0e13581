#include "common/text.h"

#include "common/control_ids.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

char systemErrorText[264];  // 250 characters of message and "(code)"
std::atomic<void (*)(const char*)> statusWatcher{nullptr};

}  // namespace

int SetItemTextF(HWND wnd, int id, const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return SetDlgItemTextA(wnd, id, text);
}

void SetStatus(const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  int page = curPage.load(std::memory_order_acquire);
  if (page < 0 || page >= 3) return;
  HWND status = GetDlgItem(hPage[page], IDC_STATUS);
  if (!status) return;
  // The text is passed as data, never as a format: a '%' it carries stays.
  SetDlgItemTextA(hPage[page], IDC_STATUS, text);
  if (void (*watch)(const char*) = statusWatcher.load()) watch(text);
  // Start-up and discovery keep their thread busy; paint the text now.
  UpdateWindow(status);
}

void WatchStatusLine(void (*watch)(const char* text)) { statusWatcher = watch; }

const char* GetSystemErrorText() {
  DWORD code = GetLastError();
  systemErrorText[0] = 0;
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0x400, systemErrorText, 250, nullptr);
  if (n > 250) n = 0;
  systemErrorText[n] = 0;
  // Drop the message's line end so the code follows its full stop directly.
  size_t len = strlen(systemErrorText);
  while (len > 0 &&
         (systemErrorText[len - 1] == '\r' || systemErrorText[len - 1] == '\n' || systemErrorText[len - 1] == ' '))
    len--;
  snprintf(systemErrorText + len, sizeof systemErrorText - len, "(%d)", static_cast<int>(code));
  return systemErrorText;
}

int ErrorBox(const char* format, ...) {
  const char* systemText = GetSystemErrorText();
  char text[512];
  va_list args;
  va_start(args, format);
  vsnprintf(text, 511, format, args);
  va_end(args);
  size_t n = strlen(text);
  snprintf(text + n, sizeof text - n, "\n%s", systemText);
  // Task-modal and topmost, so the box is seen even with the panel on top.
  return MessageBoxA(nullptr, text, "Error", MB_OK | MB_ICONHAND | MB_TASKMODAL | MB_TOPMOST);
}
