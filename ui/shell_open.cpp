#include "ui/shell_open.h"

#include <windows.h>

#include <shellapi.h>

namespace {

// ShellExecuteA reports success with a value above this.
constexpr INT_PTR kShellErrorLimit = 32;

}  // namespace

const char kMakerWebAddress[] = "https://orvalix.example.org";
const char kHelpDocument[] = "QuickHelp.mht";

bool OpenWithShell(const char* target, const char* parameters) {
  HINSTANCE result = ShellExecuteA(GetDesktopWindow(), "open", target, parameters, nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result) > kShellErrorLimit;
}
