// The error box: the caller's text cut to fit, the system's error text after it.
#include "common/text.h"

#include "platform/fakewin.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ErrorBoxTest, ShowsTextAndSystemErrorInATopmostErrorBox) {
  FakeReset();
  SetLastError(1813);
  ErrorBox("ErrLoad");
  auto boxes = FakeMessageBoxes();
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("ErrLoad\nThe specified resource type cannot be found in the image file.(1813)", boxes[0].text);
  EXPECT_EQ("Error", boxes[0].caption);
  EXPECT_EQ(0x00042010u, boxes[0].type);
  std::string huge(600, 'z');
  ErrorBox("%s", huge.c_str());
  boxes = FakeMessageBoxes();
  ASSERT_EQ(2u, boxes.size());
  EXPECT_EQ(std::string(510, 'z') + "\n", boxes[1].text) << "the caller's text is cut at 510 characters";
  FakeReset();
}

}  // namespace
