// Input from the host becomes DOM events on the element under the point.
#include <gtest/gtest.h>

#include "test_host.h"

using namespace testhost;

namespace {

constexpr unsigned kLeftDown = 0x0201, kLeftUp = 0x0202, kLeftDouble = 0x0203, kMove = 0x0200;
constexpr unsigned kRightDown = 0x0204;
constexpr unsigned kShift = 0x0004, kControl = 0x0008, kLeftButton = 0x0001;

class EngineInput : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Engine().missing, 0);
    view_.Load(L"input/index.html");
  }
  std::wstring Seen() { return view_.Run(L"var s = seen.join(' | '); seen = []; s"); }
  View view_{200, 100};
};

TEST_F(EngineInput, ClickGoesToTheTopmostBoxAndBubbles) {
  Api& api = Engine();
  EXPECT_TRUE(api.wkeMouseEvent(view_.get(), kLeftDown, 65, 15, kLeftButton));
  EXPECT_TRUE(api.wkeMouseEvent(view_.get(), kLeftUp, 65, 15, 0));
  EXPECT_EQ(Seen(), L"mousedown@child>right 65,15 b0 | mouseup@child>right 65,15 b0 | click@child>right 65,15 b0");
  api.wkeMouseEvent(view_.get(), kLeftDown, 52, 30, kLeftButton | kShift | kControl);
  api.wkeMouseEvent(view_.get(), kLeftUp, 52, 30, kShift | kControl);
  EXPECT_EQ(Seen(),
            L"mousedown@right>right 52,30 b0 shift ctrl | mouseup@right>right 52,30 b0 shift ctrl | "
            L"click@right>right 52,30 b0 shift ctrl");
}

TEST_F(EngineInput, NoListenerMeansNotHandled) {
  Api& api = Engine();
  EXPECT_FALSE(api.wkeMouseEvent(view_.get(), kLeftDown, 10, 10, kLeftButton)) << "left box has no listener";
  EXPECT_FALSE(api.wkeMouseEvent(view_.get(), kMove, 150, 90, 0)) << "empty area: body, no listener";
  EXPECT_EQ(Seen(), L"");
  view_.Run(L"document.body.addEventListener('mousemove', function (e) { seen.push('move@' + e.target.tagName); })");
  EXPECT_TRUE(api.wkeMouseEvent(view_.get(), kMove, 150, 90, 0));
  EXPECT_EQ(Seen(), L"move@BODY");
}

TEST_F(EngineInput, ReleaseOverAnotherElementIsNoClick) {
  Api& api = Engine();
  api.wkeMouseEvent(view_.get(), kLeftDown, 55, 5, kLeftButton);
  api.wkeMouseEvent(view_.get(), kLeftUp, 10, 10, 0);
  EXPECT_EQ(Seen(), L"mousedown@right>right 55,5 b0");
}

TEST_F(EngineInput, TransparentBoxesCatchTheMouseAndHiddenOnesDoNot) {
  Api& api = Engine();
  EXPECT_TRUE(api.wkeMouseEvent(view_.get(), kLeftDown, 5, 55, kLeftButton));
  EXPECT_EQ(Seen(), L"mousedown@cover>cover 5,55 b0");
  view_.Run(L"document.getElementById('cover').style.display = 'none'");
  EXPECT_FALSE(api.wkeMouseEvent(view_.get(), kLeftDown, 5, 55, kLeftButton));
  EXPECT_EQ(Seen(), L"");
}

TEST_F(EngineInput, DoubleClickRightButtonWheelAndContextMenu) {
  Api& api = Engine();
  api.wkeMouseEvent(view_.get(), kLeftDown, 60, 5, kLeftButton);
  api.wkeMouseEvent(view_.get(), kLeftUp, 60, 5, 0);
  api.wkeMouseEvent(view_.get(), kLeftDouble, 60, 5, kLeftButton);
  api.wkeMouseEvent(view_.get(), kLeftUp, 60, 5, 0);
  EXPECT_EQ(Seen(),
            L"mousedown@right>right 60,5 b0 | mouseup@right>right 60,5 b0 | click@right>right 60,5 b0 | "
            L"mousedown@right>right 60,5 b0 | mouseup@right>right 60,5 b0 | click@right>right 60,5 b0 | "
            L"dblclick@right>right 60,5 b0");
  EXPECT_TRUE(api.wkeMouseEvent(view_.get(), kRightDown, 60, 5, 0x0002));
  EXPECT_EQ(Seen(), L"mousedown@right>right 60,5 b2");
  EXPECT_TRUE(api.wkeMouseWheel(view_.get(), 70, 20, 120, 0));
  EXPECT_EQ(
      view_.Run(L"var w; document.getElementById('right').addEventListener('wheel', function (e) { w = e.deltaY; });"
                L"seen = []; 'ok'"),
      L"ok");
  api.wkeMouseWheel(view_.get(), 65, 15, -240, 0);
  EXPECT_EQ(view_.Run(L"w"), L"240");
  EXPECT_EQ(Seen(), L"wheel@child>right 65,15 b0");
  EXPECT_TRUE(api.wkeContextMenuEvent(view_.get(), 55, 35, 0));
  EXPECT_EQ(Seen(), L"contextmenu@right>right 55,35 b2");
  EXPECT_FALSE(api.wkeContextMenuEvent(view_.get(), 190, 90, 0));
}

TEST_F(EngineInput, KeysGoToTheBodyAndBubbleToTheWindow) {
  Api& api = Engine();
  EXPECT_TRUE(api.wkeKeyDown(view_.get(), 0x41, 0, false));
  EXPECT_EQ(Seen(), L"keydown@BODY>window k65");
  EXPECT_TRUE(api.wkeKeyPress(view_.get(), 'a', 0, false));
  EXPECT_EQ(Seen(), L"keypress@BODY>BODY k97");
  EXPECT_FALSE(api.wkeKeyUp(view_.get(), 0x41, 0, false)) << "no keyup listener";
  view_.Run(L"window.addEventListener('keyup', function (e) { e.preventDefault(); }); seen = []");
  EXPECT_TRUE(api.wkeKeyUp(view_.get(), 0x41, 0, false));
}

TEST_F(EngineInput, PreventDefaultAndPageChangesDuringDispatch) {
  Api& api = Engine();
  // A listener that removes its own element while the event is on its way.
  view_.Run(
      L"document.getElementById('left').addEventListener('mousedown', function () {"
      L"  this.parentNode.removeChild(this); seen.push('removed'); });"
      L"document.body.addEventListener('mousedown', function (e) { seen.push('body saw ' + e.target.id); });");
  EXPECT_TRUE(api.wkeMouseEvent(view_.get(), kLeftDown, 5, 5, kLeftButton));
  EXPECT_EQ(Seen(), L"removed | body saw left");
  EXPECT_EQ(view_.Run(L"document.getElementById('left')"), L"null");
  // A listener that loads another page into its own view.
  view_.Run(L"document.body.addEventListener('mouseup', function () { location.href = '../blank.html'; })");
  api.wkeMouseEvent(view_.get(), kLeftUp, 150, 90, 0);
  PumpUntil([this] { return view_.Run(L"typeof seen") == L"undefined"; }, 2000);
  EXPECT_EQ(view_.Run(L"document.title"), L"blank");
}

}  // namespace
