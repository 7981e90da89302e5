// Trees and selectors built to hurt: nesting far deeper than any stack goes, selectors whose
// naive matching grows as a power of the depth, a style sheet that ends inside a block.
// Times are printed for people to read; the only bound asserted is generous (it catches
// quadratic work, not slowness).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "render.h"
#include "test_host.h"

using namespace testhost;

namespace {

class EngineDeepTrees : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Engine().missing, 0);
    static int serial = 0;
    std::string name = "deep/page" + std::to_string(++serial) + ".html";
    ServePage(name,
              "<!DOCTYPE html><html><head><style>body { margin: 0 }</style></head><body>"
              "<div id='box'></div></body></html>");
    view_.Load(std::wstring(name.begin(), name.end()));
  }
  std::wstring R(const std::wstring& script) { return view_.Run(script); }
  // Runs script and returns the milliseconds it took, printed under label.
  double Timed(const char* label, const std::wstring& script) {
    double ms = std::stod(R(L"(function () { var t0 = Date.now(); " + script + L"; return Date.now() - t0; })()"));
    std::printf("[ time ] %s: %.0f ms\n", label, ms);
    return ms;
  }
  View view_{200, 100};
};

// Past its depth bound the parser makes further elements siblings, so what it builds stays
// shallow; nothing is lost.
TEST_F(EngineDeepTrees, HundredThousandNestedElementsParseSerialiseAndGiveTheirText) {
  double ms = Timed("parse 100000 nested <b>",
                    L"box = document.getElementById('box'); box.innerHTML = '<b>'.repeat(100000) + 'deep'");
  EXPECT_LT(ms, 10000);
  EXPECT_EQ(R(L"box.getElementsByTagName('b').length"), L"100000");
  EXPECT_EQ(R(L"box.textContent"), L"deep");
  EXPECT_EQ(R(L"var n = box, depth = 0; while (n.firstElementChild) { n = n.firstElementChild; ++depth }"
              L"depth <= 512 && depth >= 500"),
            L"true");
  EXPECT_EQ(
      R(L"var html = box.innerHTML; (html.split('<b>').length - 1) + ',' + (html.split('</b>').length - 1) + ',' +"
        L"(html.indexOf('deep') > 0)"),
      L"100000,100000,true");
  Timed("serialise again and free", L"box.innerHTML = box.innerHTML; box.innerHTML = ''; Duktape.gc()");
  EXPECT_EQ(R(L"box.childNodes.length + ',' + document.getElementsByTagName('b').length"), L"0,0");
}

TEST_F(EngineDeepTrees, TwentyThousandNestedBoldGiveTheirTextAndOuterHtml) {
  R(L"box = document.getElementById('box'); box.innerHTML = '<b>'.repeat(20000) + 'x' + '</b>'.repeat(20000) + 'y'");
  EXPECT_EQ(R(L"box.textContent"), L"xy");
  EXPECT_EQ(R(L"box.outerHTML.length > 20000 * 7"), L"true");
  EXPECT_EQ(R(L"box.lastChild.nodeValue"), L"y") << "the end tags close what the parser opened";
}

// A script is not bound by the parser: it can chain elements as deep as it likes. Reading,
// copying, selecting, laying out, painting and freeing such a tree must all survive.
TEST_F(EngineDeepTrees, ScriptBuiltHundredThousandDeepChainSurvivesEverything) {
  double ms = Timed("appendChild 100000 deep",
                    L"box = document.getElementById('box'); e = box;"
                    L"for (var i = 0; i < 100000; ++i) { c = document.createElement(i % 2 ? 'i' : 'span');"
                    L"e.appendChild(c); e = c } e.appendChild(document.createTextNode('bottom'))");
  EXPECT_LT(ms, 10000);
  EXPECT_EQ(R(L"box.textContent"), L"bottom");
  EXPECT_EQ(R(L"var h = box.innerHTML; h.length + ',' + h.slice(0, 12) + ',' + h.slice(-11)"),
            L"1000006,<span><i><sp,</i></span>");
  EXPECT_EQ(R(L"e.parentNode.parentNode.contains(e) + ',' + e.contains(box) + ',' + box.contains(e)"),
            L"true,false,true");
  EXPECT_EQ(R(L"try { e.appendChild(box); 'taken' } catch (x) { 'refused' }"), L"refused");
  Timed("querySelectorAll over the chain",
        L"found = box.querySelectorAll('div span i').length; none = box.querySelectorAll('p span i').length");
  EXPECT_EQ(R(L"found + ',' + none"), L"50000,0");
  // Layout stops descending at its own bound; the view still paints what is above it.
  R(L"box.style.background = '#00ff00'; box.style.height = '30px'");
  Frame f = Paint(view_, 200, 100);
  EXPECT_EQ(f.At(100, 10).g, 255);
  EXPECT_EQ(f.At(100, 10).r, 0);
  EXPECT_EQ(R(L"typeof e.getBoundingClientRect().width"), L"number");
  // A deep copy without script objects is freed in one go when its last holder lets go.
  Timed("deep copy, attach, detach, free",
        L"copy = box.firstChild.cloneNode(true); document.body.appendChild(copy);"
        L"copy.textContent.length; document.body.removeChild(copy); copy = null; Duktape.gc()");
  EXPECT_EQ(R(L"document.body.childNodes.length"), L"1");
  Timed("remove the chain", L"box.removeChild(box.firstChild); e = c = null; Duktape.gc()");
  EXPECT_EQ(R(L"box.textContent.length + ',' + box.innerHTML"), L"0,");
  f = Paint(view_, 200, 100);
  EXPECT_EQ(f.At(100, 10).g, 255);
}

TEST_F(EngineDeepTrees, DescendantSelectorsOverDeepNestingMatchQuickly) {
  R(L"box = document.getElementById('box'); box.innerHTML = '<a>'.repeat(400) + '<b></b>'");
  double ms = Timed("'x a a a a b' over 400 nested <a>", L"n = document.querySelectorAll('x a a a a b').length");
  EXPECT_LT(ms, 10000);
  EXPECT_EQ(R(L"n"), L"0");
  EXPECT_EQ(R(L"document.querySelectorAll('div a a a a b').length"), L"1");
  EXPECT_EQ(R(L"document.querySelectorAll('#box > a > a b').length"), L"1");
  EXPECT_EQ(R(L"document.querySelectorAll('#box > a > b').length"), L"0");
  EXPECT_EQ(R(L"document.querySelectorAll('body > a b').length"), L"0");
  EXPECT_EQ(R(L"document.querySelectorAll('div a > a a').length"), L"398");
  EXPECT_EQ(R(L"document.querySelectorAll('a > b, x b').length"), L"1");
  EXPECT_EQ(R(L"document.querySelectorAll('body a a a a a').length"), L"396");
  // The cascade matches the same way while the page is laid out.
  ms = Timed("layout with 'x a a a a b' in the sheet",
             L"var s = document.createElement('style'); s.textContent = 'x a a a a b { color: red } div a a a a a "
             L"a a { color: blue }'; document.head.appendChild(s); box.getBoundingClientRect()");
  EXPECT_LT(ms, 10000);
}

// A sheet that ends inside a block keeps the whole of its last value.
TEST_F(EngineDeepTrees, AStyleSheetEndingInsideABlockKeepsItsLastValue) {
  R(L"var s = document.createElement('style');"
    L"s.textContent = '#box { width: 40px; height: 20px; background-color: red'; document.head.appendChild(s)");
  Frame f = Paint(view_, 200, 100);
  Pixel p = f.At(10, 10);
  EXPECT_EQ(p.r, 255);
  EXPECT_EQ(p.g, 0);
  EXPECT_EQ(R(L"document.getElementById('box').offsetWidth"), L"40");
  R(L"s.textContent = '#box { width: 40px; height: 20px } #box { background-color: #00f'");
  f = Paint(view_, 200, 100);
  EXPECT_EQ(f.At(10, 10).b, 255);
}

}  // namespace
