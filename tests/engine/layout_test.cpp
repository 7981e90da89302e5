// Layout: the cascade, block and inline formatting, positioning, flex, and the geometry pages
// read back (offset*, getBoundingClientRect). Positions are checked exactly where no font is
// involved, and by range where text decides.
#include <gtest/gtest.h>

#include <string>

#include "render.h"
#include "test_host.h"

using namespace testhost;

namespace {

class EngineLayout : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(Engine().missing, 0); }
  void Open(View& v, const std::string& body, const std::string& css = "") {
    static int serial = 0;
    std::string name = "layout/page" + std::to_string(++serial) + ".html";
    ServePage(name, "<!DOCTYPE html><html><head><style>body { margin: 0 } " + css + "</style></head><body>" + body +
                        "</body></html>");
    Engine().wkeSetTransparent(v.get(), true);
    v.Load(std::wstring(name.begin(), name.end()));
  }
  // "left,top,width,height" of the element with that id.
  std::wstring Rect(View& v, const std::wstring& id) {
    return v.Run(L"(function () { var r = document.getElementById('" + id +
                 L"').getBoundingClientRect(); return [r.left, r.top, r.width, r.height].join(','); })()");
  }
  double Number(View& v, const std::wstring& script) { return std::stod(v.Run(script)); }
};

void ExpectPixel(const Pixel& p, int b, int g, int r, int a, const char* where, int tolerance = 1) {
  EXPECT_NEAR(p.b, b, tolerance) << where;
  EXPECT_NEAR(p.g, g, tolerance) << where;
  EXPECT_NEAR(p.r, r, tolerance) << where;
  EXPECT_NEAR(p.a, a, tolerance) << where;
}

TEST_F(EngineLayout, BlockBoxModel) {
  View v(200, 200);
  Open(
      v,
      "<div id='a' style='margin: 10px; padding: 5px; border: 2px solid #00f; width: 50px; height: 20px; background: #f00'></div>"
      "<div id='b' style='margin-top: 5px; height: 10px; background: #0f0'></div>"
      "<div id='c' style='box-sizing: border-box; width: 40px; padding: 10px; height: 30px'></div>"
      "<div id='d' style='width: 50%; height: 2px'></div>"
      "<div style='font-size: 10px'><div id='e' style='width: 3em; height: 1em'></div></div>"
      "<div id='f' style='width: 10px; min-width: 20px; height: 1px'></div>"
      "<div id='g' style='max-width: 30px; height: 1px'></div>"
      "<div id='h' style='width: 100px; margin: 0 auto; height: 1px'></div>");
  EXPECT_EQ(Rect(v, L"a"), L"10,10,64,34");
  // Adjoining vertical margins collapse to the larger one.
  EXPECT_EQ(Rect(v, L"b"), L"0,54,200,10");
  EXPECT_EQ(Rect(v, L"c"), L"0,64,40,30");
  EXPECT_EQ(Rect(v, L"d"), L"0,94,100,2");
  EXPECT_EQ(Rect(v, L"e"), L"0,96,30,10");
  EXPECT_EQ(Rect(v, L"f"), L"0,106,20,1");
  EXPECT_EQ(Rect(v, L"g"), L"0,107,30,1");
  EXPECT_EQ(Rect(v, L"h"), L"50,108,100,1");
  Frame f = Paint(v, 200, 200);
  ExpectPixel(f.At(10, 10), 255, 0, 0, 255, "border corner");
  ExpectPixel(f.At(11, 40), 255, 0, 0, 255, "left border");
  ExpectPixel(f.At(12, 12), 0, 0, 255, 255, "background under the padding");
  ExpectPixel(f.At(73, 43), 255, 0, 0, 255, "bottom-right border pixel");
  ExpectPixel(f.At(74, 20), 0, 0, 0, 0, "right of the box");
  ExpectPixel(f.At(9, 20), 0, 0, 0, 0, "in the margin");
  ExpectPixel(f.At(199, 54), 0, 255, 0, 255, "the auto-width block spans the view");
  ExpectPixel(f.At(0, 53), 0, 0, 0, 0, "above it: the collapsed margin");
}

TEST_F(EngineLayout, FirstChildMarginsCollapseThroughTheirParent) {
  View v(200, 200);
  Open(
      v,
      "<div id='outer' style='margin-top: 5px'><div id='inner' style='margin-top: 20px; height: 10px'></div></div>"
      "<div id='framed' style='border-top: 1px solid #000; margin-top: 5px'><div id='kept' style='margin-top: 20px; height: 10px'></div></div>");
  EXPECT_EQ(Rect(v, L"outer"), L"0,20,200,10") << "the parent moves down by the larger margin";
  EXPECT_EQ(Rect(v, L"inner"), L"0,20,200,10");
  EXPECT_EQ(Rect(v, L"framed"), L"0,35,200,31") << "a border keeps the margins apart";
  EXPECT_EQ(Rect(v, L"kept"), L"0,56,200,10");
}

TEST_F(EngineLayout, DisplayKindsAndWrapping) {
  View v(100, 200);
  Open(
      v,
      "<div id='row'><span id='i1' class='ib'></span><span id='i2' class='ib'></span><span id='i3' class='ib'></span></div>"
      "<div id='centre' style='text-align: center'><span id='i4' class='ib'></span></div>"
      "<div id='words' style='width: 60px'>aaaa bbbb cccc dddd eeee ffff</div>"
      "<div id='one' style='width: 60px; white-space: nowrap'>aaaa bbbb cccc dddd eeee ffff</div>"
      "<div id='tall' style='line-height: 40px'>x</div>"
      "<div id='gone' style='display: none; height: 50px'>hidden</div>"
      "<span id='inl' style='background: #f00'>in</span><div id='after' style='height: 5px'></div>",
      ".ib { display: inline-block; width: 40px; height: 20px; vertical-align: bottom }");
  // Two 40px boxes fit on a 100px line, the third wraps below.
  std::wstring i1 = Rect(v, L"i1"), i2 = Rect(v, L"i2"), i3 = Rect(v, L"i3");
  EXPECT_EQ(i1.substr(0, i1.find(',')), L"0");
  double x2 = std::stod(i2), x3 = std::stod(i3);
  EXPECT_GE(x2, 40);
  EXPECT_LE(x2, 48) << "a collapsed space between the boxes";
  EXPECT_EQ(x3, 0) << "wrapped to the next line";
  double y1 = Number(v, L"document.getElementById('i1').offsetTop"),
         y3 = Number(v, L"document.getElementById('i3').offsetTop");
  EXPECT_GE(y3 - y1, 20);
  EXPECT_EQ(Number(v, L"document.getElementById('i4').offsetLeft"), 30) << "centred: (100 - 40) / 2";
  double lineHeight = Number(v, L"document.getElementById('one').offsetHeight");
  EXPECT_GT(lineHeight, 8);
  EXPECT_LT(lineHeight, 30);
  double wrapped = Number(v, L"document.getElementById('words').offsetHeight");
  EXPECT_GE(wrapped, 3 * lineHeight - 1) << "six words in 60px take at least three lines";
  EXPECT_EQ(Number(v, L"document.getElementById('tall').offsetHeight"), 40);
  EXPECT_EQ(v.Run(L"document.getElementById('gone').getBoundingClientRect().height"), L"0");
  double after = Number(v, L"document.getElementById('after').offsetTop");
  double tall = Number(v, L"document.getElementById('tall').offsetTop");
  EXPECT_NEAR(after - tall, 40 + lineHeight, 1) << "display:none takes no room; the inline span takes one line";
}

TEST_F(EngineLayout, PositionedBoxesAndStacking) {
  View v(200, 100);
  Open(
      v,
      "<div id='rel' style='position: relative; left: 5px; top: 7px; width: 100px; height: 50px; background: #00f'>"
      "  <div id='abs' style='position: absolute; right: 10px; bottom: 5px; width: 20px; height: 10px; background: #0f0'></div>"
      "</div>"
      "<div id='next' style='height: 10px'></div>"
      "<div id='fixed' style='position: fixed; right: 0; top: 0; width: 10px; height: 10px; background: #ff0'></div>"
      "<div id='low' style='position: absolute; left: 150px; top: 60px; width: 20px; height: 20px; background: #f00; z-index: 2'></div>"
      "<div id='high' style='position: absolute; left: 160px; top: 70px; width: 20px; height: 20px; background: #0f0; z-index: 1'></div>"
      "<div id='stretch' style='position: absolute; left: 120px; right: 50px; top: 90px; height: 4px'></div>");
  EXPECT_EQ(Rect(v, L"rel"), L"5,7,100,50");
  EXPECT_EQ(Rect(v, L"abs"), L"75,42,20,10") << "placed from the right and bottom of the relative box";
  EXPECT_EQ(Rect(v, L"next"), L"0,50,200,10") << "a relative offset does not move what follows";
  EXPECT_EQ(Rect(v, L"fixed"), L"190,0,10,10");
  EXPECT_EQ(Rect(v, L"stretch"), L"120,90,30,4") << "left and right give the width";
  Frame f = Paint(v, 200, 100);
  ExpectPixel(f.At(80, 45), 0, 255, 0, 255, "the absolute child over its parent");
  ExpectPixel(f.At(165, 75), 0, 0, 255, 255, "z-index 2 paints over z-index 1 though it comes first");
  ExpectPixel(f.At(175, 85), 0, 255, 0, 255, "the z-index 1 box where nothing covers it");
  ExpectPixel(f.At(195, 5), 0, 255, 255, 255, "the fixed box");
}

TEST_F(EngineLayout, FlexRowAndColumn) {
  View v(200, 300);
  Open(
      v,
      "<div class='row' style='justify-content: flex-start'><i id='s1'></i><i id='s2'></i></div>"
      "<div class='row' style='justify-content: center'><i id='c1'></i><i id='c2'></i></div>"
      "<div class='row' style='justify-content: flex-end'><i id='e1'></i><i id='e2'></i></div>"
      "<div class='row' style='justify-content: space-between'><i id='b1'></i><i id='b2'></i><i id='b3'></i></div>"
      "<div class='row' style='align-items: center; height: 40px'><i id='m1'></i><i id='m2' style='height: 30px'></i></div>"
      "<div class='row' style='gap: 0'><b id='g1' style='flex: 1'></b><b id='g2' style='flex: 3'></b><b id='g3' style='width: 40px'></b></div>"
      "<div class='row' style='align-items: stretch; height: 25px'><b id='st' style='width: 10px'></b></div>"
      "<div id='col' style='display: flex; flex-direction: column; justify-content: center; align-items: flex-end;"
      " height: 100px; gap: 4px'><i id='k1'></i><i id='k2'></i></div>",
      ".row { display: flex; gap: 10px; height: 20px } i { display: block; width: 30px; height: 20px } b { display: block }");
  EXPECT_EQ(Rect(v, L"s1"), L"0,0,30,20");
  EXPECT_EQ(Rect(v, L"s2"), L"40,0,30,20");
  EXPECT_EQ(Rect(v, L"c1"), L"65,20,30,20") << "(200 - 70) / 2";
  EXPECT_EQ(Rect(v, L"c2"), L"105,20,30,20");
  EXPECT_EQ(Rect(v, L"e2"), L"170,40,30,20");
  EXPECT_EQ(Rect(v, L"e1"), L"130,40,30,20");
  EXPECT_EQ(Rect(v, L"b1"), L"0,60,30,20");
  EXPECT_EQ(Rect(v, L"b2"), L"85,60,30,20");
  EXPECT_EQ(Rect(v, L"b3"), L"170,60,30,20");
  EXPECT_EQ(Rect(v, L"m1"), L"0,90,30,20") << "centred in a 40px line";
  EXPECT_EQ(Rect(v, L"m2"), L"40,85,30,30");
  EXPECT_EQ(Rect(v, L"g1"), L"0,120,40,20") << "160px shared 1:3";
  EXPECT_EQ(Rect(v, L"g2"), L"40,120,120,20");
  EXPECT_EQ(Rect(v, L"g3"), L"160,120,40,20");
  EXPECT_EQ(Rect(v, L"st"), L"0,140,10,25") << "stretched to the line";
  EXPECT_EQ(Rect(v, L"k1"), L"170,193,30,20") << "column at 165: (100 - 44) / 2 down, at the end of the cross axis";
  EXPECT_EQ(Rect(v, L"k2"), L"170,217,30,20");
}

TEST_F(EngineLayout, InlineBlocksSitOnTheBaseline) {
  View v(300, 100);
  Open(
      v,
      "<div style='font: 16px Tahoma, sans-serif'>Text <span id='btn' style='display: inline-block; padding: 6px;"
      " border: 1px solid #000'>Go</span> <span id='word'>word</span>"
      " <span id='box' style='display: inline-block; width: 10px; height: 10px'></span>"
      " <span id='mid' style='display: inline-block; width: 10px; height: 40px; vertical-align: middle'></span></div>");
  auto n = [&](const std::wstring& id, const wchar_t* p) {
    return Number(v, L"document.getElementById('" + id + L"')." + p);
  };
  // The button's text shares the baseline of the words around it: its text starts
  // padding + border below the button's top, level with the plain word.
  double wordTop = n(L"word", L"offsetTop"), btnTop = n(L"btn", L"offsetTop");
  EXPECT_NEAR(btnTop + 7, wordTop, 1);
  // An empty box sits with its bottom on the baseline: above the bottom of the word's box.
  double wordBottom = wordTop + n(L"word", L"offsetHeight");
  double boxBottom = n(L"box", L"offsetTop") + 10;
  EXPECT_LT(boxBottom, wordBottom);
  EXPECT_GT(boxBottom, wordTop + 8);
  // A middle-aligned box is centred near the middle of the text.
  double mid = n(L"mid", L"offsetTop") + 20;
  EXPECT_GT(mid, wordTop);
  EXPECT_LT(mid, wordBottom);
}

TEST_F(EngineLayout, FlexWrapStartsNewLines) {
  View v(100, 100);
  Open(v,
       "<div id='grid' style='display: flex; flex-wrap: wrap; gap: 5px 10px'>"
       "<i id='w1'></i><i id='w2'></i><i id='w3'></i><i id='w4' style='height: 30px'></i><i id='w5'></i></div>"
       "<div id='after' style='height: 1px'></div>",
       "i { display: block; width: 40px; height: 20px }");
  EXPECT_EQ(Rect(v, L"w1"), L"0,0,40,20");
  EXPECT_EQ(Rect(v, L"w2"), L"50,0,40,20");
  EXPECT_EQ(Rect(v, L"w3"), L"0,25,40,20") << "two 40px items and a 10px gap fill a 100px line";
  EXPECT_EQ(Rect(v, L"w4"), L"50,25,40,30");
  EXPECT_EQ(Rect(v, L"w5"), L"0,60,40,20") << "below the tallest item of the line before";
  EXPECT_EQ(Rect(v, L"after"), L"0,80,100,1");
}

TEST_F(EngineLayout, CascadeSpecificityInheritanceAndColours) {
  View v(200, 60);
  Open(
      v,
      "<div id='x' class='k' style=''></div>"
      "<div id='y' class='k'></div>"
      "<div class='k' id='z' style='background-color: #ff0'></div>"
      "<ul><li class='it'></li><li class='it'></li></ul>"
      "<div class='cols'><p style='background: rgb(0, 128, 255)'></p><p style='background: rgba(255, 0, 0, 0.5)'></p>"
      "<p style='background: #0f08'></p><p style='background: transparent'></p><p style='background: teal'></p></div>",
      "#x { background: #00f } .k { background: #f00; height: 10px; width: 10px } div.k { background: #0f0 }"
      "div { background: #000 } ul { margin: 0; padding: 0 } li { display: block; height: 10px; width: 10px; background: #888 }"
      "li:first-child { background: #fff } .cols { display: flex; height: 10px } .cols p { width: 10px; margin: 0 }");
  Frame f = Paint(v, 200, 60);
  ExpectPixel(f.At(5, 5), 255, 0, 0, 255, "#id wins over div.class and .class, whatever their order");
  ExpectPixel(f.At(5, 15), 0, 255, 0, 255, "div.class wins over .class");
  ExpectPixel(f.At(5, 25), 0, 255, 255, 255, "the style attribute wins");
  ExpectPixel(f.At(5, 35), 255, 255, 255, 255, ":first-child");
  ExpectPixel(f.At(5, 45), 136, 136, 136, 255, "the second item");
  ExpectPixel(f.At(5, 55), 255, 128, 0, 255, "rgb()");
  ExpectPixel(f.At(15, 55), 0, 0, 128, 255, "rgba() over the black row");
  ExpectPixel(f.At(25, 55), 0, 136, 0, 255, "#rgba over the black row");
  ExpectPixel(f.At(35, 55), 0, 0, 0, 255, "transparent shows the black div behind");
  ExpectPixel(f.At(45, 55), 128, 128, 0, 255, "a colour name");
}

TEST_F(EngineLayout, TextInheritsColourSizeAndWeight) {
  View v(300, 120);
  Open(v,
       "<div style='color: #f00; font-size: 20px; font-family: Tahoma, sans-serif'>"
       "<span id='big' style='display: inline-block'>Hamburg</span>"
       "<b id='bold' style='display: inline-block'>Hamburg</b>"
       "<span id='em' style='display: inline-block; font-size: 2em'>H</span>"
       "<span id='spaced' style='display: inline-block; letter-spacing: 3px'>Hamburg</span></div>"
       "<div id='small' style='font-size: 10px; display: inline-block'>Hamburg</div>");
  double big = Number(v, L"document.getElementById('big').offsetWidth");
  double bold = Number(v, L"document.getElementById('bold').offsetWidth");
  double spaced = Number(v, L"document.getElementById('spaced').offsetWidth");
  double small = Number(v, L"document.getElementById('small').offsetWidth");
  EXPECT_GT(big, small * 1.6) << "20px text is about twice as wide as 10px text";
  EXPECT_GT(bold, big) << "bold is wider";
  EXPECT_NEAR(spaced - big, 7 * 3, 1) << "letter-spacing after each of 7 letters";
  EXPECT_GT(Number(v, L"document.getElementById('em').offsetHeight"), 35) << "2em of 20px";
  Frame f = Paint(v, 300, 120);
  // The inherited red colour: every painted pixel of the first word is red, premultiplied.
  int top = static_cast<int>(Number(v, L"document.getElementById('big').offsetTop"));
  int height = static_cast<int>(Number(v, L"document.getElementById('big').offsetHeight"));
  int painted = 0;
  for (int y = top; y < top + height; ++y) {
    for (int x = 0; x < static_cast<int>(big); ++x) {
      Pixel p = f.At(x, y);
      if (p.a == 0) continue;
      ++painted;
      EXPECT_NEAR(p.r, p.a, 1) << x << "," << y;
      EXPECT_EQ(p.g, 0);
      EXPECT_EQ(p.b, 0);
    }
  }
  EXPECT_GT(painted, 60);
}

TEST_F(EngineLayout, DisplayNoneNeitherPaintsNorTakesClicks) {
  View v(100, 50);
  Open(
      v,
      "<div id='target' style='position: absolute; left: 0; top: 0; width: 50px; height: 50px; background: #00f'></div>"
      "<div id='cover' style='position: absolute; left: 0; top: 0; width: 50px; height: 50px; background: #f00; display: none'></div>"
      "<script>var hits = []; document.getElementById('target').onclick = function () { hits.push('target') };"
      "document.getElementById('cover').onclick = function () { hits.push('cover') };</script>");
  Frame f = Paint(v, 100, 50);
  ExpectPixel(f.At(25, 25), 255, 0, 0, 255, "the visible box");
  Engine().wkeMouseEvent(v.get(), WM_LBUTTONDOWN, 25, 25, MK_LBUTTON);
  Engine().wkeMouseEvent(v.get(), WM_LBUTTONUP, 25, 25, 0);
  EXPECT_EQ(v.Run(L"hits.join()"), L"target");
  v.Run(L"document.getElementById('cover').style.display = 'block'");
  Engine().wkeMouseEvent(v.get(), WM_LBUTTONDOWN, 25, 25, MK_LBUTTON);
  Engine().wkeMouseEvent(v.get(), WM_LBUTTONUP, 25, 25, 0);
  EXPECT_EQ(v.Run(L"hits.join()"), L"target,cover");
  f = Paint(v, 100, 50);
  ExpectPixel(f.At(25, 25), 0, 0, 255, 255, "shown again");
}

TEST_F(EngineLayout, LinkedSheetsVisibilityAndCursor) {
  ServePage("layout/linked.css", "#linked { background: #0f0; cursor: pointer } .faint { visibility: hidden }");
  View v(100, 50);
  Open(
      v,
      "<link rel='stylesheet' href='linked.css'>"
      "<div id='linked' style='position: absolute; left: 0; top: 0; width: 20px; height: 20px'></div>"
      "<div id='under' style='position: absolute; left: 30px; top: 0; width: 20px; height: 20px; background: #00f'></div>"
      "<div id='over' class='faint' style='position: absolute; left: 30px; top: 0; width: 20px; height: 20px; background: #f00'>"
      "<div style='position: absolute; left: 10px; width: 10px; height: 10px; background: #ff0; visibility: visible'></div></div>"
      "<script>var hits = []; ['under', 'over'].forEach(function (id) {"
      "document.getElementById(id).onmousedown = function (e) { hits.push(id) } });</script>");
  Frame f = Paint(v, 100, 50);
  ExpectPixel(f.At(5, 5), 0, 255, 0, 255, "styled by the linked sheet");
  ExpectPixel(f.At(35, 15), 255, 0, 0, 255, "a hidden box does not paint over the blue one");
  ExpectPixel(f.At(45, 5), 0, 255, 255, 255, "its visible child paints");
  Engine().wkeMouseEvent(v.get(), WM_LBUTTONDOWN, 35, 15, MK_LBUTTON);
  Engine().wkeMouseEvent(v.get(), WM_LBUTTONUP, 35, 15, 0);
  EXPECT_EQ(v.Run(L"hits.join()"), L"under") << "nor does it take the click";
  Engine().wkeMouseEvent(v.get(), WM_MOUSEMOVE, 5, 5, 0);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND)) << "cursor: pointer";
  Engine().wkeMouseEvent(v.get(), WM_MOUSEMOVE, 80, 40, 0);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
}

TEST_F(EngineLayout, HostileSizesAndNestingStayHarmless) {
  View v(100, 50);
  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += "<div>";
  deep += "deep";
  Open(
      v,
      "<div id='huge' style='width: 1e300px; height: 1e300px; background: #f00'></div>"
      "<div id='odd' style='width: infpx; height: nanpx; opacity: nan; font-size: 1e9px; letter-spacing: 1e30px'>text</div>"
      "<div id='far' style='position: absolute; left: -1e9px; top: 10px; white-space: nowrap; letter-spacing: 1e5px'>far away</div>" +
          deep);
  Frame f = Paint(v, 100, 50);
  EXPECT_EQ(f.At(50, 25).r, 255) << "an enormous box covers the view";
  EXPECT_EQ(v.Run(L"document.getElementById('huge').offsetWidth"), L"1000000")
      << "lengths are kept within a finite range";
  EXPECT_EQ(v.Run(L"typeof document.getElementById('odd').offsetHeight"), L"number");
}

}  // namespace
