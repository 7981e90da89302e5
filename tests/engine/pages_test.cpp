// Loading pages: the file hooks, script order, relative references, load events, console,
// timers, navigation and pages over HTTP.
#include <gtest/gtest.h>

#include <algorithm>

#include "http_server.h"
#include "test_host.h"

using namespace testhost;

namespace {

class EnginePages : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Engine().missing, 0);
    ResetSeen();
    OpenedNames().clear();
    ClearServedPages();
  }
  static bool Opened(const std::string& name) {
    auto& names = OpenedNames();
    return std::find(names.begin(), names.end(), name) != names.end();
  }
  static size_t CountLines(const std::string& needle, const std::vector<std::string>& lines) {
    return static_cast<size_t>(std::count_if(
        lines.begin(), lines.end(), [&](const std::string& l) { return l.find(needle) != std::string::npos; }));
  }
};

TEST_F(EnginePages, ScriptsRunInDocumentOrderThenLoadEvents) {
  View view;
  view.Load(L"order/index.html");
  std::vector<std::wstring> expected = {
      L"inline 1",     L"external first", L"inline 2 sees text",           L"external second",
      L"added script", L"after adding",   L"DOMContentLoaded interactive", L"load complete"};
  EXPECT_EQ(Seen().lines, expected);
  EXPECT_EQ(view.Run(L"document.title"), L"Script order");
}

TEST_F(EnginePages, EverythingIsReadThroughTheHooksWithRelativeNames) {
  View view;
  view.Load(L"order/index.html");
  EXPECT_TRUE(Opened("order/index.html"));
  EXPECT_TRUE(Opened("order/js/first.js"));
  EXPECT_TRUE(Opened("order/js/second.js"));  // written as ../order/js/second.js
  EXPECT_TRUE(Opened("order/js/added.js"));
  EXPECT_EQ(OpenedNames().size(), 4u);
  // Names with backslashes keep their separator.
  OpenedNames().clear();
  view.Load(L"order\\index.html");
  EXPECT_TRUE(Opened("order\\js\\first.js"));
}

TEST_F(EnginePages, PagesServedFromMemoryAndMissingPages) {
  ServePage("mem/page.html", "<p id=x>hello</p><script src='/mem/lib.js'></script>");
  ServePage("mem/lib.js", "record(document.getElementById('x').textContent + ' from lib');");
  View view;
  view.Load(L"mem/page.html");
  ASSERT_EQ(Seen().lines.size(), 1u);
  EXPECT_EQ(Seen().lines[0], L"hello from lib");
  ConsoleCapture console;
  view.Load(L"no/such/page.html");
  EXPECT_EQ(view.Run(L"document.body.children.length"), L"0");
  EXPECT_EQ(CountLines("no/such/page.html", console.Lines()), 1u);
}

TEST_F(EnginePages, ConsoleLinesAndScriptErrorsWithFileAndLine) {
  ConsoleCapture console;
  View view;
  view.Load(L"errors/index.html");
  auto lines = console.Lines();
  EXPECT_EQ(CountLines("[uncaught] errors/js/broken.js:3:1: Error: broken on purpose", lines), 1u);
  EXPECT_EQ(CountLines("[log] still running 42 {\"a\":1}", lines), 1u);
  EXPECT_EQ(CountLines("[uncaught] errors/index.html:7:3: ReferenceError: identifier 'undefinedFunction' undefined",
                       lines),
            1u);
  EXPECT_EQ(CountLines("[error] an error line", lines), 1u);
  EXPECT_EQ(CountLines("errors/js/missing.js", lines), 1u);
  // Errors stop neither the page nor the following scripts.
  ASSERT_EQ(Seen().lines.size(), 1u);
  EXPECT_EQ(Seen().lines[0], L"last script ran");
  EXPECT_EQ(lines.size(), 5u);
}

TEST_F(EnginePages, ErrorsInListenersAndTimersAreLoggedAndContained) {
  ConsoleCapture console;
  View view;
  view.Load(L"blank.html");
  view.Run(
      L"document.addEventListener('custom', function () { throw new TypeError('in listener'); });\n"
      L"document.addEventListener('custom', function () { record('second listener'); });\n"
      L"document.dispatchEvent(new Event('custom'));\n"
      L"setTimeout(function () { null.x; }, 5); setTimeout(function () { record('next timer'); }, 30);");
  ASSERT_TRUE(PumpUntil([] { return Seen().lines.size() >= 2; }));
  EXPECT_EQ(Seen().lines[0], L"second listener");
  EXPECT_EQ(Seen().lines[1], L"next timer");
  auto lines = console.Lines();
  EXPECT_EQ(CountLines("[uncaught] runJS:1:51: TypeError: in listener", lines), 1u);
  EXPECT_EQ(CountLines("[uncaught] runJS:4:31: TypeError: cannot read property 'x' of null", lines), 1u);
}

TEST_F(EnginePages, SyntaxErrorsNameFileLineAndColumn) {
  ConsoleCapture console;
  View view;
  view.Load(L"errors/syntax.html");
  auto lines = console.Lines();
  // In a script file, in an inline script (lines count from the top of the page) and at the
  // end of a script's text; the engine's own "(line N)" note is not repeated.
  EXPECT_EQ(CountLines("[uncaught] errors/js/unparsable.js:3:18: SyntaxError: empty expression not allowed", lines), 1u);
  EXPECT_EQ(CountLines("[uncaught] errors/syntax.html:6:14: SyntaxError: parse error", lines), 1u);
  EXPECT_EQ(CountLines("[uncaught] errors/syntax.html:9:1: SyntaxError: invalid object literal (at end of input)", lines),
            1u);
  EXPECT_EQ(CountLines("(line ", lines), 0u);
  // A broken script stops only itself.
  ASSERT_EQ(Seen().lines.size(), 1u);
  EXPECT_EQ(Seen().lines[0], L"after the broken scripts");
}

TEST_F(EnginePages, RuntimeErrorsPointAtTheNameTheyNameInLaterCalls) {
  ConsoleCapture console;
  View view;
  view.Load(L"blank.html");
  // Defined by one script, failing when called from another: the column comes from the line
  // of the defining script.
  view.Run(L"function later(o) {\n  return o.first.second;\n}");
  view.Run(L"later({});");
  view.Run(L"var \u00e9\u00e9 = 1;  missingName + 1;");
  auto lines = console.Lines();
  EXPECT_EQ(CountLines("[uncaught] runJS:2:18: TypeError: cannot read property 'second' of undefined", lines), 1u);
  // Columns count UTF-16 units.
  EXPECT_EQ(CountLines("[uncaught] runJS:1:14: ReferenceError: identifier 'missingName' undefined", lines), 1u);
}

TEST_F(EnginePages, TimersFireOnTheMessageLoopInOrder) {
  View view;
  view.Load(L"timers/index.html");
  ASSERT_EQ(Seen().lines.size(), 1u);
  EXPECT_EQ(Seen().lines[0], L"scheduled");
  ASSERT_TRUE(PumpUntil([] { return !Seen().lines.empty() && Seen().lines.back() == L"late xy"; }, 3000));
  PumpFor(60);
  auto& l = Seen().lines;
  auto pos = [&](const wchar_t* s) { return std::find(l.begin(), l.end(), std::wstring(s)) - l.begin(); };
  EXPECT_EQ(std::count(l.begin(), l.end(), std::wstring(L"cancelled timeout ran")), 0);
  EXPECT_LT(pos(L"early"), pos(L"from text"));
  EXPECT_LT(pos(L"tick 1"), pos(L"tick 2"));
  EXPECT_LT(pos(L"tick 2"), pos(L"tick 3"));
  EXPECT_EQ(pos(L"interval cleared"), pos(L"tick 3") + 1);
  EXPECT_LT(pos(L"from text"), pos(L"late xy"));
  EXPECT_EQ(std::count(l.begin(), l.end(), std::wstring(L"tick 4")), 0);
  EXPECT_EQ(l.size(), 8u);
}

TEST_F(EnginePages, TimersOfAReplacedPageNeverFire) {
  View view;
  view.Load(L"blank.html");
  view.Run(L"setTimeout(function () { record('old page timer'); }, 20)");
  view.Load(L"blank.html");
  view.Run(L"setTimeout(function () { record('new page timer'); }, 40)");
  ASSERT_TRUE(PumpUntil([] { return !Seen().lines.empty(); }));
  PumpFor(50);
  ASSERT_EQ(Seen().lines.size(), 1u);
  EXPECT_EQ(Seen().lines[0], L"new page timer");
}

TEST_F(EnginePages, LocationHrefLoadsTheNextPage) {
  View view;
  view.Load(L"nav/index.html");
  ASSERT_TRUE(PumpUntil([] { return Seen().lines.size() >= 2; }));
  EXPECT_EQ(Seen().lines[0], L"first page at nav/index.html");
  EXPECT_EQ(Seen().lines[1], L"second page at nav/second.html");
}

TEST_F(EnginePages, ViewDestroyedByItsOwnScriptStaysUsableUntilTheScriptEnds) {
  Api& api = Engine();
  wkeWebView v = api.wkeCreateWebView();
  api.wkeLoadFileW(v, L"blank.html");
  static wkeWebView victim;
  victim = v;
  api.jsBindFunction(
      "destroyMyView",
      [](jsExecState) -> jsValue {
        Engine().wkeDestroyWebView(victim);
        return Engine().jsInt(7);
      },
      0);
  jsValue r = api.wkeRunJSW(v, L"var x = destroyMyView(); record('after destroy ' + x); x * 2");
  EXPECT_EQ(Seen().lines.size(), 1u);
  EXPECT_EQ(api.jsToInt(nullptr, r), 14);
  PumpFor(20);
}

TEST_F(EnginePages, PagesOverHttpWithRelativeResources) {
  HttpServer server({{"/site/index.html",
                      "<html><head><script src='js/app.js'></script></head><body><p id=p>from the net</p>"
                      "<script>record('inline at ' + location.href.replace(/:\\d+/, ':port'))</script></body></html>"},
                     {"/site/js/app.js", "record('app.js ran, p is ' + document.getElementById('p').textContent);"}});
  View view;
  std::wstring url = L"http://127.0.0.1:" + std::to_wstring(server.port()) + L"/site/index.html";
  Engine().wkeLoadURLW(view.get(), url.c_str());
  // Nothing runs before the fetch worker delivers to the UI thread.
  EXPECT_TRUE(Seen().lines.empty());
  ASSERT_TRUE(PumpUntil([] { return Seen().lines.size() >= 2; }, 10000));
  EXPECT_EQ(Seen().lines[0], L"app.js ran, p is from the net");
  EXPECT_EQ(Seen().lines[1], L"inline at http://127.0.0.1:port/site/index.html");
  EXPECT_EQ(server.requests(), 2);
  EXPECT_TRUE(OpenedNames().empty());
}

}  // namespace
