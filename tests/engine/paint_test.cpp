// Painting basics: canvas colour, positioned and static boxes, premultiplied alpha, and dirty
// tracking.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "test_host.h"

using namespace testhost;

namespace {

struct Pixel {
  int b, g, r, a;
};

class EnginePaint : public ::testing::Test {
 protected:
  static constexpr int kWidth = 100, kHeight = 50;
  void SetUp() override { ASSERT_EQ(Engine().missing, 0); }
  void Draw(View& v) {
    pixels_.assign(static_cast<size_t>(kWidth * kHeight * 4), 0x5A);
    Engine().wkePaint(v.get(), pixels_.data(), kWidth * 4);
  }
  Pixel At(int x, int y) const {
    const uint8_t* p = &pixels_[static_cast<size_t>((y * kWidth + x) * 4)];
    return {p[0], p[1], p[2], p[3]};
  }
  std::vector<uint8_t> pixels_;
};

void ExpectPixel(const Pixel& p, int b, int g, int r, int a, const char* where) {
  EXPECT_NEAR(p.b, b, 1) << where;
  EXPECT_NEAR(p.g, g, 1) << where;
  EXPECT_NEAR(p.r, r, 1) << where;
  EXPECT_NEAR(p.a, a, 1) << where;
}

TEST_F(EnginePaint, TransparentPageWithHalfTransparentRedBox) {
  View v(kWidth, kHeight);
  Engine().wkeSetTransparent(v.get(), true);
  v.Load(L"paint/boxes.html");
  Draw(v);
  ExpectPixel(At(15, 15), 0, 0, 128, 128, "inside the rgba(255,0,0,0.5) box");
  ExpectPixel(At(10, 10), 0, 0, 128, 128, "its top-left pixel");
  ExpectPixel(At(29, 19), 0, 0, 128, 128, "its bottom-right pixel");
  ExpectPixel(At(30, 15), 0, 0, 0, 0, "right of the box");
  ExpectPixel(At(15, 20), 0, 0, 0, 0, "below the box");
  ExpectPixel(At(0, 0), 0, 0, 0, 0, "unpainted corner");
  ExpectPixel(At(45, 5), 255, 0, 0, 255, "opaque blue box");
  ExpectPixel(At(65, 5), 0, 0, 0, 0, "display:none box");
  ExpectPixel(At(62, 22), 0, 0, 0, 0, "child of a display:none box");
  ExpectPixel(At(85, 5), 128, 128, 128, 128, "white at opacity 0.5");
  ExpectPixel(At(83, 13), 0, 0, 0, 128, "black child of the faded box, placed in it");
  ExpectPixel(At(5, 40), 0, 255, 0, 255, "a static box in the flow");
  ExpectPixel(At(7, 40), 0, 0, 0, 0, "right of the static box");
}

TEST_F(EnginePaint, OpaqueViewIsWhiteWhereNothingPaints) {
  View v(kWidth, kHeight);
  v.Load(L"paint/boxes.html");
  Draw(v);
  ExpectPixel(At(0, 0), 255, 255, 255, 255, "background");
  // Half red over white: 255 * 0.5 + 255 * 0.5 for red, 255 * 0.5 for the others.
  ExpectPixel(At(15, 15), 127, 127, 255, 255, "red box over white");
}

TEST_F(EnginePaint, BodyBackgroundAndBoxesFromTheRightAndBottom) {
  View v(kWidth, kHeight);
  Engine().wkeSetTransparent(v.get(), true);
  v.Load(L"paint/body.html");
  Draw(v);
  ExpectPixel(At(0, 0), 0x99, 0x66, 0x33, 255, "body background #369");
  ExpectPixel(At(kWidth - 1, kHeight - 1), 0, 255, 255, 255, "yellow box at the bottom right");
  ExpectPixel(At(kWidth - 11, kHeight - 1), 0x99, 0x66, 0x33, 255, "left of the yellow box");
  // The style attribute paints as well, and rgba() on the body keeps its alpha.
  v.Run(L"document.body.style.backgroundColor = 'rgba(0, 0, 255, 0.25)'");
  Draw(v);
  ExpectPixel(At(0, 0), 64, 0, 0, 64, "body rgba(0,0,255,0.25)");
  v.Run(L"document.documentElement.style.background = '#f00 none'");
  Draw(v);
  ExpectPixel(At(0, 0), 0, 0, 255, 255, "the root's background wins over the body's");
}

TEST_F(EnginePaint, DirtyAfterLoadResizeChangesAndRequest) {
  Api& api = Engine();
  View v(kWidth, kHeight);
  v.Load(L"paint/boxes.html");
  EXPECT_TRUE(api.wkeIsDirty(v.get()));
  Draw(v);
  EXPECT_FALSE(api.wkeIsDirty(v.get()));
  v.Run(L"1 + 1");
  EXPECT_FALSE(api.wkeIsDirty(v.get())) << "a script that changes nothing";
  v.Run(L"document.getElementById('blue').style.left = '0px'");
  EXPECT_TRUE(api.wkeIsDirty(v.get())) << "style change";
  Draw(v);
  ExpectPixel(At(5, 5), 255, 0, 0, 255, "the moved blue box");
  v.Run(L"document.getElementById('blue').className = 'hidden'");
  EXPECT_TRUE(api.wkeIsDirty(v.get())) << "class change";
  Draw(v);
  ExpectPixel(At(5, 5), 255, 255, 255, 255, "the hidden blue box");
  v.Run(L"document.body.appendChild(document.createElement('div'))");
  EXPECT_TRUE(api.wkeIsDirty(v.get())) << "tree change";
  Draw(v);
  api.wkeResize(v.get(), kWidth, kHeight);
  EXPECT_TRUE(api.wkeIsDirty(v.get())) << "resize";
  Draw(v);
  api.wkeSetDirty(v.get(), true);
  EXPECT_TRUE(api.wkeIsDirty(v.get())) << "explicit request";
  Draw(v);
  EXPECT_FALSE(api.wkeIsDirty(v.get()));
}

TEST_F(EnginePaint, PaintRespectsThePitchAndTheViewSize) {
  Api& api = Engine();
  View v(4, 2);
  api.wkeSetTransparent(v.get(), true);
  ServePage("solid.html", "<body style='background: #0000ff'></body>");
  v.Load(L"solid.html");
  // Rows 8 pixels apart: the 4 pixels after each row stay untouched. Blue is B=255, A=255.
  std::vector<uint32_t> buffer(16, 0x11223344u);
  api.wkePaint(v.get(), buffer.data(), 8 * 4);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(buffer[static_cast<size_t>(y * 8 + x)], x < 4 ? 0xFF0000FFu : 0x11223344u) << x << "," << y;
  }
}

}  // namespace
