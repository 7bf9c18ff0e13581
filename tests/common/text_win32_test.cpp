// The system error text from Windows' own messages.
#include "common/text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(SystemErrorTextWin32, MessageIsFollowedByTheCode) {
  SetLastError(2);
  const std::string text = GetSystemErrorText();
  EXPECT_EQ(std::string::npos, text.find_first_of("\r\n"));
  EXPECT_EQ("(2)", text.substr(text.size() < 3 ? 0 : text.size() - 3));
  SetLastError(0x2ABCDEF);
  EXPECT_STREQ("(44813807)", GetSystemErrorText());
}

}  // namespace
