// Drawing: rounded corners, clipping, opacity, images (PNG with alpha, JPEG, GIF, BMP, scaled,
// as backgrounds with repeat, position and size), text with correct premultiplied alpha in
// every script, and hover/active states that restyle.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>

#include "render.h"
#include "test_host.h"

using namespace testhost;

namespace {

class EngineDrawing : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(Engine().missing, 0); }
  void Open(View& v, const std::string& body, const std::string& css = "", bool transparent = true) {
    static int serial = 0;
    // Served beside the test images, so that "quad.png" names pages/layout/quad.png.
    std::string name = "layout/drawing" + std::to_string(++serial) + ".html";
    ServePage(name, "<!DOCTYPE html><html><head><style>body { margin: 0 } " + css + "</style></head><body>" + body +
                        "</body></html>");
    if (transparent) Engine().wkeSetTransparent(v.get(), true);
    v.Load(std::wstring(name.begin(), name.end()));
  }
};

void ExpectPixel(const Pixel& p, int b, int g, int r, int a, const char* where, int tolerance = 1) {
  EXPECT_NEAR(p.b, b, tolerance) << where;
  EXPECT_NEAR(p.g, g, tolerance) << where;
  EXPECT_NEAR(p.r, r, tolerance) << where;
  EXPECT_NEAR(p.a, a, tolerance) << where;
}

TEST_F(EngineDrawing, RoundedCornersAreTransparentAndSmooth) {
  View v(100, 50);
  Open(v,
       "<div style='width: 40px; height: 40px; border-radius: 20px; background: #00f'></div>"
       "<div style='position: absolute; left: 50px; top: 0; width: 40px; height: 40px; border-radius: 10px;"
       " border: 2px solid #f00; background: #fff; box-sizing: border-box'></div>");
  Frame f = Paint(v, 100, 50);
  ExpectPixel(f.At(0, 0), 0, 0, 0, 0, "outside the circle's corner");
  ExpectPixel(f.At(39, 39), 0, 0, 0, 0, "the opposite corner");
  ExpectPixel(f.At(20, 20), 255, 0, 0, 255, "the centre");
  ExpectPixel(f.At(20, 0), 253, 0, 0, 253, "the top of the circle, its edge a little off the pixel centre", 2);
  int partial = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 40; ++x) {
      Pixel p = f.At(x, y);
      if (p.a > 0 && p.a < 255) ++partial;
      EXPECT_NEAR(p.b, p.a, 1) << "premultiplied blue at " << x << "," << y;
      EXPECT_EQ(p.r + p.g, 0);
    }
  }
  EXPECT_GT(partial, 40) << "the edge of the circle is antialiased";
  ExpectPixel(f.At(50, 0), 0, 0, 0, 0, "rounded corner of the bordered box");
  ExpectPixel(f.At(70, 0), 0, 0, 255, 255, "its top border");
  ExpectPixel(f.At(70, 20), 255, 255, 255, 255, "its white inside");
  ExpectPixel(f.At(89, 20), 0, 0, 255, 255, "its right border");
}

TEST_F(EngineDrawing, OverflowHiddenClipsAndOpacityMultiplies) {
  View v(100, 50);
  Open(
      v,
      "<div style='position: absolute; left: 10px; top: 10px; width: 20px; height: 20px; overflow: hidden'>"
      "<div style='width: 50px; height: 50px; background: #0f0'></div></div>"
      "<div style='position: absolute; left: 50px; top: 10px; width: 20px; height: 20px; overflow: hidden; border-radius: 10px'>"
      "<div style='width: 50px; height: 50px; background: #0f0'></div></div>"
      "<div style='position: absolute; left: 80px; top: 0; width: 10px; height: 10px; opacity: 0.5'>"
      "<div style='width: 10px; height: 10px; background: #fff; opacity: 0.5'></div></div>");
  Frame f = Paint(v, 100, 50);
  ExpectPixel(f.At(15, 15), 0, 255, 0, 255, "inside the clip");
  ExpectPixel(f.At(35, 15), 0, 0, 0, 0, "right of the clip");
  ExpectPixel(f.At(15, 35), 0, 0, 0, 0, "below the clip");
  ExpectPixel(f.At(50, 10), 0, 0, 0, 0, "the rounded clip's corner");
  ExpectPixel(f.At(60, 20), 0, 255, 0, 255, "inside the rounded clip");
  ExpectPixel(f.At(85, 5), 64, 64, 64, 64, "white at 0.5 inside 0.5");
}

TEST_F(EngineDrawing, TranslucentElementsPaintAsOneLayer) {
  View v(100, 50);
  Open(
      v,
      "<div style='width: 40px; height: 40px; background: #f00; opacity: 0.5'>"
      "<div style='width: 20px; height: 20px; background: #00f'></div></div>"
      "<div style='position: absolute; left: 50px; top: 0; width: 40px; height: 40px; background: #f00; opacity: 0.5'>"
      "<div style='position: absolute; left: 0; top: 0; width: 20px; height: 20px; background: #00f'></div>"
      "<div style='position: absolute; left: 20px; top: 20px; width: 20px; height: 20px; background: #0f0; opacity: 0.5'></div></div>");
  Frame f = Paint(v, 100, 50);
  // The blue child covers the red inside the layer: only blue shows, at the parent's opacity.
  ExpectPixel(f.At(5, 5), 128, 0, 0, 128, "blue over red, then faded together");
  ExpectPixel(f.At(30, 30), 0, 0, 128, 128, "the faded red alone");
  ExpectPixel(f.At(55, 5), 128, 0, 0, 128, "positioned children belong to the layer too");
  // Green at 0.5 over red inside the layer (R 127, G 128, A 255), then the layer at 0.5.
  ExpectPixel(f.At(75, 35), 0, 64, 64, 128, "a faded child inside a faded parent");
}

TEST_F(EngineDrawing, ImagesKeepTheirAlpha) {
  View v(120, 40);
  Open(
      v,
      "<img src='half_red.png' style='position: absolute; left: 0; top: 0'>"
      "<img src='quad.png' style='position: absolute; left: 10px; top: 0'>"
      "<img src='quad.png' width='16' style='position: absolute; left: 20px; top: 0'>"
      "<img src='blue.jpg' style='position: absolute; left: 40px; top: 0'>"
      "<img src='green.gif' style='position: absolute; left: 60px; top: 0'>"
      "<img src='yellow.bmp' style='position: absolute; left: 70px; top: 0'>"
      "<img src='quad.png' style='position: absolute; left: 80px; top: 0; width: 32px; height: 32px; border-radius: 16px'>"
      "<img id='missing' src='nothing.png' style='position: absolute; left: 0; top: 20px'>");
  Frame f = Paint(v, 120, 40);
  ExpectPixel(f.At(1, 1), 0, 0, 128, 128, "half-transparent red over a transparent page stays premultiplied");
  ExpectPixel(f.At(11, 1), 0, 0, 255, 255, "red quarter");
  ExpectPixel(f.At(15, 1), 0, 255, 0, 255, "green quarter");
  ExpectPixel(f.At(11, 5), 255, 0, 0, 255, "blue quarter");
  ExpectPixel(f.At(15, 5), 0, 0, 0, 0, "the transparent quarter");
  ExpectPixel(f.At(22, 2), 0, 0, 255, 255, "scaled twice: red quarter");
  ExpectPixel(f.At(33, 13), 0, 0, 0, 0, "scaled twice: transparent quarter");
  ExpectPixel(f.At(33, 2), 0, 255, 0, 255, "scaled twice: green quarter");
  ExpectPixel(f.At(48, 8), 255, 0, 0, 255, "JPEG", 8);
  ExpectPixel(f.At(61, 1), 0, 255, 0, 255, "GIF");
  ExpectPixel(f.At(71, 1), 0, 255, 255, 255, "BMP");
  ExpectPixel(f.At(80, 0), 0, 0, 0, 0, "corner of the rounded image");
  ExpectPixel(f.At(88, 8), 0, 0, 255, 255, "inside the rounded image");
  EXPECT_EQ(v.Run(L"document.getElementById('missing').offsetWidth"), L"0") << "a missing image takes no room";

  View opaque(20, 10);
  Open(opaque, "<img src='half_red.png' style='display: block'>", "", false);
  Frame g = Paint(opaque, 20, 10);
  EXPECT_EQ(opaque.Run(L"document.querySelector('img').getBoundingClientRect().width"), L"4");
  ExpectPixel(g.At(1, 1), 127, 127, 255, 255, "half red over white");
}

TEST_F(EngineDrawing, BackgroundImagesRepeatPositionAndSize) {
  View v(200, 40);
  Open(v,
       "<div class='b' style='left: 0; background: url(quad.png) no-repeat right bottom'></div>"
       "<div class='b' style='left: 30px; background: url(\"quad.png\") repeat'></div>"
       "<div class='b' style='left: 60px; width: 32px; height: 16px; background-image: url(quad.png);"
       " background-repeat: no-repeat; background-size: cover'></div>"
       "<div class='b' style='left: 100px; width: 32px; height: 16px; background: url(quad.png) no-repeat;"
       " background-size: contain'></div>"
       "<div class='b' style='left: 140px; background: url(quad.png); background-size: 4px 4px'></div>"
       "<div class='b' style='left: 170px; background: #00f url(quad.png) no-repeat center'></div>",
       ".b { position: absolute; top: 0; width: 20px; height: 20px }");
  Frame f = Paint(v, 200, 40);
  ExpectPixel(f.At(2, 2), 0, 0, 0, 0, "no-repeat leaves the rest clear");
  ExpectPixel(f.At(13, 13), 0, 0, 255, 255, "the image at the bottom right: red quarter");
  ExpectPixel(f.At(17, 13), 0, 255, 0, 255, "green quarter");
  ExpectPixel(f.At(31, 1), 0, 0, 255, 255, "first tile");
  ExpectPixel(f.At(39, 1), 0, 0, 255, 255, "second tile, red again");
  ExpectPixel(f.At(39, 13), 255, 0, 0, 255, "second row of tiles, blue quarter");
  ExpectPixel(f.At(64, 4), 0, 0, 255, 255, "cover: 32 x 32, red quarter");
  ExpectPixel(f.At(84, 4), 0, 255, 0, 255, "cover: green quarter");
  ExpectPixel(f.At(104, 4), 0, 0, 255, 255, "contain: 16 x 16, red quarter");
  ExpectPixel(f.At(124, 4), 0, 0, 0, 0, "contain leaves the right half clear");
  ExpectPixel(f.At(141, 1), 0, 0, 255, 255, "4px tiles: red");
  ExpectPixel(f.At(143, 1), 0, 255, 0, 255, "4px tiles: green");
  ExpectPixel(f.At(145, 1), 0, 0, 255, 255, "4px tiles: the next tile's red");
  ExpectPixel(f.At(171, 1), 255, 0, 0, 255, "the colour under a centred image");
  ExpectPixel(f.At(177, 7), 0, 0, 255, 255, "the centred image: red quarter at 6..10");
  ExpectPixel(f.At(183, 13), 255, 0, 0, 255, "its transparent quarter shows the colour");
}

TEST_F(EngineDrawing, TextOverTransparencyHasNoDarkFringes) {
  View v(200, 40);
  Open(v, "<div style='color: #fff; font: 20px Tahoma, sans-serif'>Wine glass, 1234</div>");
  Frame f = Paint(v, 200, 40);
  int partial = 0, solid = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 200; ++x) {
      Pixel p = f.At(x, y);
      // White at coverage c is (c, c, c, c) premultiplied: a colour below its alpha is a dark fringe.
      ASSERT_NEAR(p.r, p.a, 1) << x << "," << y;
      ASSERT_NEAR(p.g, p.a, 1) << x << "," << y;
      ASSERT_NEAR(p.b, p.a, 1) << x << "," << y;
      if (p.a == 255) ++solid;
      else if (p.a > 0) ++partial;
    }
  }
  EXPECT_GT(solid, 20);
  EXPECT_GT(partial, 20) << "glyph edges are antialiased";
}

int CALLBACK NoteFamily(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool HasCjkFont() {
  HDC dc = CreateCompatibleDC(nullptr);
  bool found = false;
  for (BYTE charset : {GB2312_CHARSET, SHIFTJIS_CHARSET, CHINESEBIG5_CHARSET}) {
    LOGFONTW lf{};
    lf.lfCharSet = charset;
    EnumFontFamiliesExW(dc, &lf, NoteFamily, reinterpret_cast<LPARAM>(&found), 0);
  }
  DeleteDC(dc);
  return found;
}

TEST_F(EngineDrawing, EveryScriptPaintsItsGlyphs) {
  View v(300, 200);
  Open(
      v,
      "<div id='latin'>Launcher</div><div id='ja'>日本語のテキスト</div><div id='sc'>简体中文启动器</div>"
      "<div id='tc'>繁體中文啟動器</div>"
      "<span id='g1' class='g'>日</span><span id='g2' class='g'>中</span><span id='g3' class='g'>體</span>",
      "body { font: 16px Tahoma, sans-serif; color: #000 } .g { display: inline-block; width: 30px; font-size: 24px }");
  Frame f = Paint(v, 300, 200);
  for (const wchar_t* id : {L"latin", L"ja", L"sc", L"tc"}) {
    std::wstring q = L"document.getElementById('" + std::wstring(id) + L"')";
    int top = std::stoi(v.Run(q + L".offsetTop")), h = std::stoi(v.Run(q + L".offsetHeight"));
    EXPECT_GT(h, 10) << id;
    EXPECT_GT(f.CountDifferent(0, top, 300, h, {0, 0, 0, 0}, 0), 30)
        << "painted pixels in the line of " << testhost::Narrow(id);
  }
  if (!HasCjkFont())
    GTEST_SKIP() << "no font with Chinese or Japanese glyphs on this machine (fonts-wqy-microhei gives one)";
  // Real glyphs differ from each other; a missing-glyph box would look the same for all three.
  int top = std::stoi(v.Run(L"document.getElementById('g1').offsetTop"));
  int h = std::stoi(v.Run(L"document.getElementById('g1').offsetHeight"));
  auto differ = [&](int ax, int bx) {
    int n = 0;
    for (int y = top; y < top + h; ++y) {
      for (int x = 0; x < 30; ++x) n += std::abs(f.At(ax + x, y).a - f.At(bx + x, y).a) > 64 ? 1 : 0;
    }
    return n;
  };
  int x1 = std::stoi(v.Run(L"document.getElementById('g1').offsetLeft"));
  int x2 = std::stoi(v.Run(L"document.getElementById('g2').offsetLeft"));
  int x3 = std::stoi(v.Run(L"document.getElementById('g3').offsetLeft"));
  EXPECT_GT(differ(x1, x2), 20);
  EXPECT_GT(differ(x1, x3), 20);
  EXPECT_GT(differ(x2, x3), 20);
}

TEST_F(EngineDrawing, EllipsisEndsTextThatDoesNotFit) {
  View v(200, 60);
  Open(v,
       "<div id='cut' class='t'>Long text that cannot fit in its box</div>"
       "<div id='dots' class='t' style='text-overflow: ellipsis'>Long text that cannot fit in its box</div>",
       ".t { width: 80px; white-space: nowrap; overflow: hidden; font: 14px Tahoma, sans-serif; color: #000 }");
  Frame f = Paint(v, 200, 60);
  int h = std::stoi(v.Run(L"document.getElementById('cut').offsetHeight"));
  EXPECT_EQ(f.CountDifferent(80, 0, 120, 2 * h, {0, 0, 0, 0}, 0), 0) << "nothing past the box";
  EXPECT_GT(f.CountDifferent(60, 0, 20, h, {0, 0, 0, 0}, 0), 0) << "clipped text runs to the edge";
  // The ellipsis replaces what would be cut: the two lines end differently.
  int different = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 40; x < 80; ++x) different += f.At(x, y).a != f.At(x, y + h).a ? 1 : 0;
  }
  EXPECT_GT(different, 10);
}

TEST_F(EngineDrawing, HoverAndActiveRestyle) {
  Api& api = Engine();
  View v(100, 50);
  Open(
      v,
      "<div id='b' class='b'></div><div id='plain' style='position: absolute; left: 60px; top: 0; width: 20px; height: 20px'></div>"
      "<script>var seen = []; var b = document.getElementById('b');"
      "b.onmouseover = function () { seen.push('over') }; b.onmouseout = function () { seen.push('out') };</script>",
      ".b { width: 40px; height: 40px; background: #00f } .b:hover { background: #f00 } .b:active { background: #0f0 }");
  Frame f = Paint(v, 100, 50);
  ExpectPixel(f.At(20, 20), 255, 0, 0, 255, "normal");
  api.wkeMouseEvent(v.get(), WM_MOUSEMOVE, 20, 20, 0);
  EXPECT_TRUE(api.wkeIsDirty(v.get()));
  f = Paint(v, 100, 50);
  ExpectPixel(f.At(20, 20), 0, 0, 255, 255, "hovered");
  api.wkeMouseEvent(v.get(), WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);
  f = Paint(v, 100, 50);
  ExpectPixel(f.At(20, 20), 0, 255, 0, 255, "pressed");
  api.wkeMouseEvent(v.get(), WM_LBUTTONUP, 20, 20, 0);
  f = Paint(v, 100, 50);
  ExpectPixel(f.At(20, 20), 0, 0, 255, 255, "released, still hovered");
  api.wkeMouseEvent(v.get(), WM_MOUSEMOVE, 25, 22, 0);
  EXPECT_FALSE(api.wkeIsDirty(v.get())) << "moving within the hovered box changes nothing";
  api.wkeMouseEvent(v.get(), WM_MOUSEMOVE, 90, 45, 0);
  f = Paint(v, 100, 50);
  ExpectPixel(f.At(20, 20), 255, 0, 0, 255, "left again");
  EXPECT_EQ(v.Run(L"seen.join()"), L"over,out");

  // A page without :hover rules is not restyled by the pointer.
  View still(100, 50);
  Open(still, "<div class='x' style='width: 40px; height: 40px; background: #00f'></div>");
  Paint(still, 100, 50);
  api.wkeMouseEvent(still.get(), WM_MOUSEMOVE, 20, 20, 0);
  api.wkeMouseEvent(still.get(), WM_MOUSEMOVE, 90, 45, 0);
  EXPECT_FALSE(api.wkeIsDirty(still.get()));
}

}  // namespace
