// The hit-test mask by which frameless pages mark drag and resize regions.
#include <windows.h>
#include <gtest/gtest.h>

#include "bridge/web_view_window.h"
#include "bridge/window_functions.h"

namespace {

uint8_t At(const WebViewWindow& record, int x, int y) {
  return record.hitTestMask[static_cast<size_t>(y) * static_cast<size_t>(record.width) + static_cast<size_t>(x)];
}

TEST(HitTestMask, DragRectangleIsClippedToTheWindow) {
  WebViewWindow record;
  hit_test::InitMask(&record, 10, 8);
  hit_test::FillRect(&record, 2, 1, 50, 3, HTCAPTION);
  EXPECT_EQ(At(record, 1, 1), 0);
  EXPECT_EQ(At(record, 2, 1), HTCAPTION);
  EXPECT_EQ(At(record, 9, 2), HTCAPTION);
  EXPECT_EQ(At(record, 9, 3), 0);
  hit_test::FillRect(&record, 4, 0, 6, 8, 0);  // a no-drag hole
  EXPECT_EQ(At(record, 4, 1), 0);
  EXPECT_EQ(At(record, 6, 1), HTCAPTION);
}

TEST(HitTestMask, EmptyOrInvertedRectanglesWriteNothing) {
  WebViewWindow record;
  hit_test::InitMask(&record, 4, 4);
  hit_test::FillRect(&record, 3, 0, 1, 4, HTCAPTION);  // right smaller than left
  hit_test::FillRect(&record, -5, -5, 0, 4, HTCAPTION);
  for (uint8_t byte : record.hitTestMask) EXPECT_EQ(byte, 0);
}

TEST(HitTestMask, NothingHappensBeforeTheMaskExists) {
  WebViewWindow record;
  record.width = 10;
  record.height = 10;
  hit_test::FillRect(&record, 0, 0, 10, 10, HTCAPTION);
  EXPECT_TRUE(record.hitTestMask.empty());
  hit_test::SetThickFrame(&record, 5, 5, 5, 5);  // the widths are still kept for the frame rules
  EXPECT_EQ(record.thickFrame.left, 5);
  EXPECT_TRUE(record.hitTestMask.empty());
}

TEST(HitTestMask, ThickFrameWritesBorderCodes) {
  WebViewWindow record;
  hit_test::InitMask(&record, 6, 5);
  hit_test::SetThickFrame(&record, 1, 1, 2, 1);
  EXPECT_EQ(At(record, 0, 0), HTTOPLEFT);
  EXPECT_EQ(At(record, 2, 0), HTTOP);
  EXPECT_EQ(At(record, 4, 0), HTTOPRIGHT);
  EXPECT_EQ(At(record, 5, 0), HTTOPRIGHT);
  EXPECT_EQ(At(record, 0, 2), HTLEFT);
  EXPECT_EQ(At(record, 2, 2), 0);
  EXPECT_EQ(At(record, 4, 2), HTRIGHT);
  EXPECT_EQ(At(record, 0, 4), HTBOTTOMLEFT);
  EXPECT_EQ(At(record, 3, 4), HTBOTTOM);
  EXPECT_EQ(At(record, 5, 4), HTBOTTOMRIGHT);
}

TEST(HitTestMask, AGrownWindowNeverWritesPastTheMask) {
  WebViewWindow record;
  hit_test::InitMask(&record, 4, 4);
  // The window grew (WM_SIZE updates the size) without the page remaking the mask.
  record.width = 40;
  record.height = 40;
  hit_test::FillRect(&record, 0, 0, 40, 40, HTCAPTION);
  hit_test::SetThickFrame(&record, 3, 3, 3, 3);
  EXPECT_EQ(record.hitTestMask.size(), 16u);
}

TEST(HitTestMask, RemakingForASmallerWindowKeepsTheBlockAndClearsIt) {
  WebViewWindow record;
  hit_test::InitMask(&record, 8, 8);
  hit_test::FillRect(&record, 0, 0, 8, 8, HTCAPTION);
  hit_test::InitMask(&record, 4, 4);
  EXPECT_EQ(record.hitTestMask.size(), 64u);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(record.hitTestMask[i], 0);
}

}  // namespace
