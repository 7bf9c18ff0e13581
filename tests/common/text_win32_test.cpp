// The text routines against real user32 controls, created in-process.
#include "common/text.h"

#include "common/control_ids.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(StatusLineWin32, SetStatusWritesTheStatusEditOfThePageShown) {
  HWND page = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(nullptr, page);
  HWND status =
      CreateWindowExA(0, "EDIT", "", WS_CHILD | ES_READONLY, 0, 0, 200, 20, page,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUS)), GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(nullptr, status);
  hPage[0] = page;
  curPage = 0;
  SetStatus("Checking COM%d...", 3);
  char text[256];
  GetDlgItemTextA(page, IDC_STATUS, text, sizeof text);
  EXPECT_STREQ("Checking COM3...", text);
  DestroyWindow(page);
  hPage[0] = nullptr;
}

TEST(SystemErrorTextWin32, MessageIsFollowedByTheCode) {
  SetLastError(2);
  const std::string text = GetSystemErrorText();
  EXPECT_EQ(std::string::npos, text.find_first_of("\r\n"));
  EXPECT_EQ("(2)", text.substr(text.size() < 3 ? 0 : text.size() - 3));
  SetLastError(0x2ABCDEF);
  EXPECT_STREQ("(44813807)", GetSystemErrorText());
}

}  // namespace
