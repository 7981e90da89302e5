// Controls: typing into a text field (value, input and change events, caret, selection),
// labels and check boxes, radio groups, focus with Tab, and links within the package.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "render.h"
#include "test_host.h"

using namespace testhost;

namespace {

class EngineControls : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Engine().missing, 0);
    getCaret_ =
        reinterpret_cast<decltype(getCaret_)>(reinterpret_cast<void*>(GetProcAddress(Engine().module, "wkeGetCaret")));
    ASSERT_NE(getCaret_, nullptr);
  }
  void TearDown() override { Shift(false); }
  void Open(View& v, const std::string& body) {
    static int serial = 0;
    std::string name = "controls/page" + std::to_string(++serial) + ".html";
    ServePage(name,
              "<!DOCTYPE html><html><head><style>body { margin: 0; font: 13px Tahoma, sans-serif }"
              "</style><script>var seen = [];"
              "function note(e) { seen.push(e.type + '@' + (e.target.id || e.target.tagName)) }</script></head><body>" +
                  body + "</body></html>");
    v.Load(std::wstring(name.begin(), name.end()));
  }
  static void Click(View& v, int x, int y) {
    Engine().wkeMouseEvent(v.get(), WM_LBUTTONDOWN, x, y, MK_LBUTTON);
    Engine().wkeMouseEvent(v.get(), WM_LBUTTONUP, x, y, 0);
  }
  static void Type(View& v, const std::wstring& s) {
    for (wchar_t c : s) {
      Engine().wkeKeyPress(v.get(), c, 0, false);
    }
  }
  static void Key(View& v, unsigned vk) {
    Engine().wkeKeyDown(v.get(), vk, 0, false);
    Engine().wkeKeyUp(v.get(), vk, 0, false);
  }
  static void Shift(bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
  }
  wkeRect Caret(View& v) { return *getCaret_(v.get()); }
  const wkeRect*(WKE_CALL* getCaret_)(wkeWebView) = nullptr;
};

TEST_F(EngineControls, TypingIntoATextField) {
  View v(300, 100);
  Open(
      v,
      "<input id='name' style='position: absolute; left: 10px; top: 10px; width: 150px'>"
      "<div id='elsewhere' style='position: absolute; left: 200px; top: 50px; width: 50px; height: 30px'></div>"
      "<script>var f = document.getElementById('name'); f.addEventListener('input', note);"
      "f.addEventListener('change', note); f.addEventListener('focus', note); f.addEventListener('blur', note);</script>");
  Click(v, 40, 20);
  EXPECT_EQ(v.Run(L"seen.join()"), L"focus@name");
  wkeRect empty = Caret(v);
  EXPECT_GE(empty.x, 10);
  EXPECT_LE(empty.x, 20) << "the caret starts at the left of the empty field";
  EXPECT_GT(empty.h, 8);
  Type(v, L"abc");
  EXPECT_EQ(v.Run(L"f.value"), L"abc");
  EXPECT_EQ(v.Run(L"seen.join()"), L"focus@name,input@name,input@name,input@name");
  wkeRect typed = Caret(v);
  EXPECT_GT(typed.x, empty.x + 10) << "the caret follows the text";
  EXPECT_EQ(typed.y, empty.y);
  Frame f = Paint(v, 300, 100);
  EXPECT_GT(f.CountDifferent(14, 12, typed.x - 14, 16, {255, 255, 255, 255}, 60), 10) << "the typed text shows";
  Key(v, VK_BACK);
  EXPECT_EQ(v.Run(L"f.value"), L"ab");
  Key(v, VK_HOME);
  Key(v, VK_DELETE);
  Type(v, L"x");
  EXPECT_EQ(v.Run(L"f.value"), L"xb");
  // Shift with the arrows selects; typing replaces the selection.
  Key(v, VK_END);
  Shift(true);
  Key(v, VK_LEFT);
  Key(v, VK_LEFT);
  Shift(false);
  Type(v, L"Q");
  EXPECT_EQ(v.Run(L"f.value"), L"Q");
  // A script that cancels keypress keeps the character out.
  v.Run(L"f.onkeypress = function (e) { if (e.key === 'z') e.preventDefault() }");
  Type(v, L"zy");
  EXPECT_EQ(v.Run(L"f.value"), L"Qy");
  // A value longer than the field stays inside it.
  v.Run(L"f.value = 'WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW'");
  Frame longValue = Paint(v, 300, 100);
  int right = 10 + std::stoi(v.Run(L"f.offsetWidth"));
  EXPECT_EQ(longValue.CountDifferent(right, 10, 300 - right, 20, {255, 255, 255, 255}, 0), 0);
  v.Run(L"f.value = 'Qy'");
  v.Run(L"seen = []");
  Click(v, 210, 60);
  EXPECT_EQ(v.Run(L"seen.join()"), L"change@name,blur@name");
  EXPECT_EQ(Caret(v).h, 0) << "no caret without a focused field";
  Type(v, L"k");
  EXPECT_EQ(v.Run(L"f.value"), L"Qy") << "typing goes nowhere once the field lost the focus";
}

TEST_F(EngineControls, MouseSelectsTextInTheField) {
  View v(300, 60);
  Open(
      v,
      "<input id='t' value='abcdefgh' style='position: absolute; left: 0; top: 0; width: 200px; padding: 0; border: 0'>");
  Click(v, 150, 5);
  EXPECT_EQ(v.Run(L"document.getElementById('t').value"), L"abcdefgh");
  // Press at the very start, drag past the end: everything is selected and replaced.
  Engine().wkeMouseEvent(v.get(), WM_LBUTTONDOWN, 0, 5, MK_LBUTTON);
  Engine().wkeMouseEvent(v.get(), WM_MOUSEMOVE, 190, 5, MK_LBUTTON);
  Engine().wkeMouseEvent(v.get(), WM_LBUTTONUP, 190, 5, 0);
  Frame f = Paint(v, 300, 60);
  EXPECT_GT(f.CountDifferent(2, 2, 40, 10, {255, 255, 255, 255}, 30), 100) << "the selection is highlighted";
  Type(v, L"Z");
  EXPECT_EQ(v.Run(L"document.getElementById('t').value"), L"Z");
}

TEST_F(EngineControls, LabelsCheckBoxesAndRadios) {
  View v(300, 100);
  Open(v,
       "<div style='position: absolute; left: 0; top: 0'><input type='checkbox' id='c'>"
       "<label id='l' for='c' style='display: inline-block; width: 80px'>Remember</label></div>"
       "<label id='wrap' style='position: absolute; left: 0; top: 30px; width: 100px; height: 20px'>"
       "<input type='checkbox' id='inner'> Inner</label>"
       "<div style='position: absolute; left: 0; top: 60px'><input type='radio' name='g' id='r1' checked>"
       "<input type='radio' name='g' id='r2'></div>"
       "<script>['c', 'inner', 'r1', 'r2'].forEach(function (id) {"
       "document.getElementById(id).addEventListener('change', note) });</script>");
  auto checked = [&](const wchar_t* id) {
    return v.Run(std::wstring(L"document.getElementById('") + id + L"').checked");
  };
  int lx = std::stoi(v.Run(L"document.getElementById('l').offsetLeft")) + 10;
  int ly = std::stoi(v.Run(L"document.getElementById('l').offsetTop")) + 5;
  Click(v, lx, ly);
  EXPECT_EQ(checked(L"c"), L"true") << "the label's click checks its box";
  Click(v, lx, ly);
  EXPECT_EQ(checked(L"c"), L"false");
  Click(v, 90, 40);
  EXPECT_EQ(checked(L"inner"), L"true") << "a label holding its box";
  int cx = std::stoi(v.Run(L"document.getElementById('c').offsetLeft")) + 5;
  int cy = std::stoi(v.Run(L"document.getElementById('c').offsetTop")) + 5;
  Click(v, cx, cy);
  EXPECT_EQ(checked(L"c"), L"true") << "the box itself";
  int r2x = std::stoi(v.Run(L"document.getElementById('r2').offsetLeft")) + 5;
  int r2y = std::stoi(v.Run(L"document.getElementById('r2').offsetTop")) + 5;
  Click(v, r2x, r2y);
  EXPECT_EQ(checked(L"r2"), L"true");
  EXPECT_EQ(checked(L"r1"), L"false") << "one radio of a group";
  Click(v, r2x, r2y);
  EXPECT_EQ(v.Run(L"seen.join()"), L"change@c,change@c,change@inner,change@c,change@r2")
      << "no change for a radio already on";
  Frame f = Paint(v, 300, 100);
  int x = std::stoi(v.Run(L"document.getElementById('c').offsetLeft"));
  int w = std::stoi(v.Run(L"document.getElementById('c').offsetWidth"));
  EXPECT_GT(f.CountDifferent(x + 3, cy - 2, w - 6, 4, {0, 0, 0, 0}, 0), 4) << "a checked box shows its mark";
}

TEST_F(EngineControls, TabMovesTheFocus) {
  View v(300, 60);
  Open(
      v,
      "<input id='a'><button id='b'>Go</button><span id='skip'>text</span><input id='c' disabled><a id='d' href='#'>link</a>"
      "<script>['a', 'b', 'd'].forEach(function (id) { document.getElementById(id).addEventListener('focus', note) });</script>");
  Key(v, VK_TAB);
  Key(v, VK_TAB);
  Key(v, VK_TAB);
  Key(v, VK_TAB);
  Shift(true);
  Key(v, VK_TAB);
  Shift(false);
  EXPECT_EQ(v.Run(L"seen.join()"), L"focus@a,focus@b,focus@d,focus@a,focus@d");
  EXPECT_EQ(v.Run(L"document.activeElement.id"), L"d");
  // Scripts move the same focus; keys then go to the focused field.
  v.Run(L"document.getElementById('a').focus()");
  EXPECT_EQ(v.Run(L"document.activeElement.id"), L"a");
  Type(v, L"hi");
  EXPECT_EQ(v.Run(L"document.getElementById('a').value"), L"hi");
  v.Run(L"document.getElementById('a').blur()");
  EXPECT_EQ(v.Run(L"document.activeElement.tagName"), L"BODY");
  v.Run(L"document.getElementById('skip').focus()");
  EXPECT_EQ(v.Run(L"document.activeElement.tagName"), L"BODY") << "a plain span takes no focus";
}

TEST_F(EngineControls, LinksLoadPagesOfThePackage) {
  View v(200, 50);
  ServePage("controls/target.html", "<html><body><script>record('target at ' + location.href)</script></body></html>");
  Open(
      v,
      "<a id='go' href='target.html' style='position: absolute; left: 0; top: 0; width: 100px; height: 20px; display: block'>go</a>"
      "<a id='stay' href='target.html' style='position: absolute; left: 0; top: 25px; width: 100px; height: 20px; display: block'"
      " onclick='return false'>stay</a>");
  ResetSeen();
  Click(v, 10, 30);
  PumpFor(50);
  EXPECT_TRUE(Seen().lines.empty()) << "a click whose handler cancels it goes nowhere";
  Click(v, 10, 5);
  ASSERT_TRUE(PumpUntil([] { return !Seen().lines.empty(); }));
  EXPECT_EQ(Seen().lines[0], L"target at controls/target.html");
}

}  // namespace

namespace {

TEST_F(EngineControls, SelectOpensItsListInTheView) {
  View v(200, 150);
  Engine().wkeSetTransparent(v.get(), true);
  Open(
      v,
      "<select id='s' style='position: absolute; left: 10px; top: 10px; width: 100px'>"
      "<option value='en'>English</option><option value='ja' selected>日本語</option><option value='zh'>中文</option></select>"
      "<script>document.getElementById('s').addEventListener('change', note);</script>");
  auto s = [&](const std::wstring& what) { return v.Run(L"document.getElementById('s')." + what); };
  EXPECT_EQ(s(L"value"), L"ja");
  int h = std::stoi(s(L"offsetHeight"));
  Frame closed = Paint(v, 200, 150);
  EXPECT_EQ(closed.CountDifferent(10, 10 + h + 2, 100, 40, {0, 0, 0, 0}, 0), 0) << "nothing below the closed select";
  Click(v, 50, 15);
  Frame open = Paint(v, 200, 150);
  EXPECT_GT(open.CountDifferent(10, 10 + h + 2, 100, 40, {0, 0, 0, 0}, 0), 200) << "the list is drawn below it";
  // The third row of the list: pick "zh".
  int rowHeight = 0;
  for (int y = 10 + h + 2; y < 150 && rowHeight == 0; ++y) {
    if (open.At(60, y).a == 0) rowHeight = (y - (10 + h)) / 3;
  }
  ASSERT_GT(rowHeight, 8);
  Click(v, 40, 10 + h + 1 + rowHeight * 2 + rowHeight / 2);
  EXPECT_EQ(s(L"value"), L"zh");
  EXPECT_EQ(v.Run(L"seen.join()"), L"change@s");
  Frame after = Paint(v, 200, 150);
  EXPECT_EQ(after.CountDifferent(10, 10 + h + 2, 100, 40, {0, 0, 0, 0}, 0), 0) << "closed again";
  s(L"value = 'en'");
  EXPECT_EQ(s(L"value"), L"en");
}

}  // namespace
