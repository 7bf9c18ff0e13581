#include "common/text.h"

#include "common/control_ids.h"
#include "platform/fakewin.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class StatusLine : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeReset();
    for (int i = 0; i < 3; i++) hPage[i] = FakeCreateWindow(FAKE_WINDOW, nullptr, 0);
    status0 = FakeCreateWindow(FAKE_EDIT, hPage[0], IDC_STATUS);
    status1 = FakeCreateWindow(FAKE_EDIT, hPage[1], IDC_STATUS);
    curPage = 0;
  }
  void TearDown() override {
    FakeReset();
    for (HWND& h : hPage) h = nullptr;
    curPage = 0;
  }
  HWND status0 = nullptr;
  HWND status1 = nullptr;
};

TEST_F(StatusLine, ShowsTheFormattedTextOnThePageShownAndPaintsIt) {
  SetStatus("Checking COM%d...", 3);
  EXPECT_EQ("Checking COM3...", FakeGetText(status0));
  EXPECT_EQ(1, FakeUpdateCount(status0));
  curPage = 1;
  SetStatus("Found %d camer%s", 2, "as");
  EXPECT_EQ("Found 2 cameras", FakeGetText(status1));
  EXPECT_EQ("Checking COM3...", FakeGetText(status0));
  SetStatus("%s", std::string(300, 'a').c_str());
  EXPECT_EQ(std::string(255, 'a'), FakeGetText(status1)) << "cut at 255 characters";
  SetStatus("%s", "100% done %d");
  EXPECT_EQ("100% done %d", FakeGetText(status1)) << "percent signs in values stay";
  for (int page : {2, 7}) {  // no status control, no such page
    curPage = page;
    SetStatus("Camera %d selected", 1);
  }
  EXPECT_EQ(1u, FakeTextHistory(status0).size());
  EXPECT_EQ(3u, FakeTextHistory(status1).size());
}

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
