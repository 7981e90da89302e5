// Values crossing between pages and native functions.
#include <gtest/gtest.h>

#include "test_host.h"

using namespace testhost;

namespace {

class EngineValues : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(Engine().module, nullptr) << "wke.dll did not load";
    ASSERT_EQ(Engine().missing, 0) << "entry points missing";
    ResetSeen();
    view_.Load(L"blank.html");
  }
  const Probe& ProbeOf(const std::wstring& expression) {
    size_t before = Seen().probes.size();
    view_.Run(L"probe(" + expression + L")");
    EXPECT_EQ(Seen().probes.size(), before + 1) << "probe not called for " << Narrow(expression);
    static Probe none;
    return Seen().probes.size() > before ? Seen().probes.back() : none;
  }
  View view_;
};

TEST_F(EngineValues, NumbersConvertByTruncationAndWrapBeyond32Bits) {
  EXPECT_EQ(ProbeOf(L"42").asInt, 42);
  EXPECT_EQ(ProbeOf(L"-7.9").asInt, -7);
  EXPECT_EQ(ProbeOf(L"7.9").asInt, 7);
  EXPECT_DOUBLE_EQ(ProbeOf(L"7.9").asDouble, 7.9);
  // 2^31 + 5 wraps like a 32-bit register; 0x82000000 (a window style) keeps its bits.
  EXPECT_EQ(ProbeOf(L"2147483653").asInt, static_cast<int>(0x80000005u));
  EXPECT_EQ(static_cast<unsigned>(ProbeOf(L"0x82000000").asInt), 0x82000000u);
  EXPECT_DOUBLE_EQ(ProbeOf(L"4294967297").asDouble, 4294967297.0);
  EXPECT_DOUBLE_EQ(ProbeOf(L"1e15 + 0.5").asDouble, 1e15 + 0.5);
  EXPECT_EQ(ProbeOf(L"4294967297").asInt, 1);
  EXPECT_EQ(ProbeOf(L"NaN").asInt, 0);
  EXPECT_EQ(ProbeOf(L"'12'").asInt, 12);
  EXPECT_EQ(ProbeOf(L"true").asInt, 1);
  EXPECT_EQ(ProbeOf(L"42").type, JSTYPE_NUMBER);
  EXPECT_EQ(ProbeOf(L"42").asUtf8, "42");
  EXPECT_EQ(ProbeOf(L"1.5").asWide, L"1.5");
}

TEST_F(EngineValues, UndefinedAndMissingArguments) {
  const Probe& missing = ProbeOf(L"");
  EXPECT_EQ(missing.argCount, 0);
  EXPECT_TRUE(missing.undefined);
  EXPECT_EQ(missing.type, JSTYPE_UNDEFINED);
  EXPECT_EQ(missing.asInt, 0);
  EXPECT_EQ(missing.asUtf8, "undefined");
  const Probe& explicitUndefined = ProbeOf(L"undefined");
  EXPECT_EQ(explicitUndefined.argCount, 1);
  EXPECT_TRUE(explicitUndefined.undefined);
  const Probe& null = ProbeOf(L"null");
  EXPECT_FALSE(null.undefined);
  EXPECT_EQ(null.type, JSTYPE_NULL);
  EXPECT_EQ(null.asUtf8, "null");
  Api& api = Engine();
  // Past the end of the arguments the engine yields undefined, whatever the index.
  view_.Run(L"keep(1, 2)");
  EXPECT_TRUE(api.jsIsUndefined(api.jsUndefined()));
  EXPECT_FALSE(api.jsIsUndefined(api.jsInt(0)));
}

TEST_F(EngineValues, TypesOfEveryKind) {
  EXPECT_EQ(ProbeOf(L"'text'").type, JSTYPE_STRING);
  EXPECT_EQ(ProbeOf(L"true").type, JSTYPE_BOOLEAN);
  EXPECT_EQ(ProbeOf(L"({a: 1})").type, JSTYPE_OBJECT);
  EXPECT_EQ(ProbeOf(L"[1, 2]").type, JSTYPE_OBJECT);
  EXPECT_EQ(ProbeOf(L"function () {}").type, JSTYPE_FUNCTION);
  EXPECT_EQ(ProbeOf(L"record").type, JSTYPE_FUNCTION);
  EXPECT_EQ(ProbeOf(L"({a: 1})").asUtf8, "[object Object]");
  view_.Run(L"keep(function (a) {}); keep('s'); keep(3); keep()");
  ASSERT_EQ(Seen().keptTypes.size(), 4u);
  EXPECT_EQ(Seen().keptTypes[0], JSTYPE_FUNCTION);
  EXPECT_EQ(Seen().keptTypes[1], JSTYPE_STRING);
  EXPECT_EQ(Seen().keptTypes[2], JSTYPE_NUMBER);
  EXPECT_EQ(Seen().keptTypes[3], JSTYPE_UNDEFINED);
}

TEST_F(EngineValues, NonAsciiTextBothWays) {
  // "Grüße, 日本語 and 😀" (a character beyond the basic plane) in both encodings.
  const std::wstring wide = L"Gr\u00fc\u00dfe, \u65e5\u672c\u8a9e and \U0001F600";
  const std::string utf8 =
      "Gr\xc3\xbc\xc3\x9f"
      "e, \xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e and \xf0\x9f\x98\x80";
  const Probe& p = ProbeOf(L"'" + wide + L"'");
  EXPECT_EQ(p.asWide, wide);
  EXPECT_EQ(p.asUtf8, utf8);
  // The surrogate pair is two UTF-16 units in script, as in every engine.
  EXPECT_EQ(view_.Run(L"'\U0001F600'.length"), L"2");
  // From the host into script and back.
  EXPECT_EQ(view_.Run(L"echoW('" + wide + L"') === '" + wide + L"'"), L"true");
  EXPECT_EQ(view_.Run(L"echo('" + wide + L"') === '" + wide + L"'"), L"true");
  EXPECT_EQ(view_.Run(L"echoW('" + wide + L"').length"), std::to_wstring(wide.size()));
  Api& api = Engine();
  jsValue s = api.jsString(view_.exec(), utf8.c_str());
  EXPECT_EQ(api.jsTypeOf(s), JSTYPE_STRING);
  EXPECT_EQ(std::wstring(api.jsToStringW(view_.exec(), s)), wide);
  jsValue w = api.jsStringW(view_.exec(), wide.c_str());
  EXPECT_EQ(std::string(api.jsToString(view_.exec(), w)), utf8);
}

TEST_F(EngineValues, TextsOfOneCallStayValidTogether) {
  EXPECT_EQ(view_.Run(L"joinAll('alpha', 1, 'beta', true, '\u00e9t\u00e9')"), L"alpha1betatrue\u00e9t\u00e9");
}

TEST_F(EngineValues, BuiltValuesArriveInScript) {
  EXPECT_EQ(view_.Run(L"var o = makeObject(5); o.n + ':' + o.text"), L"5:made by the host");
  // A list built with jsSetAt has numeric keys and no length.
  EXPECT_EQ(view_.Run(L"var l = makeList(3); [l[0], l[2], l.length, Array.isArray(l)].join()"), L"item0,item2,,false");
  Api& api = Engine();
  jsExecState es = view_.exec();
  EXPECT_EQ(view_.Run(L"typeof probe"), L"function");
  jsValue o = api.jsObject(es);
  api.jsSet(es, o, "x", api.jsInt(3));
  api.jsSet(es, o, "name", api.jsStringW(es, L"n\u00e4me"));
  EXPECT_EQ(api.jsToInt(es, api.jsGet(es, o, "x")), 3);
  EXPECT_EQ(std::wstring(api.jsToStringW(es, api.jsGet(es, o, "name"))), L"n\u00e4me");
  EXPECT_TRUE(api.jsIsUndefined(api.jsGet(es, o, "absent")));
  EXPECT_EQ(api.jsToDouble(es, api.jsDouble(2.5)), 2.5);
  EXPECT_EQ(api.jsToInt(es, api.jsTrue()), 1);
  EXPECT_EQ(api.jsToInt(es, api.jsFalse()), 0);
}

TEST_F(EngineValues, LengthOfFunctionsIsTheirDeclaredParameterCount) {
  EXPECT_EQ(view_.Run(L"lengthOf(function () {})"), L"0");
  EXPECT_EQ(view_.Run(L"lengthOf(function (a) {})"), L"1");
  EXPECT_EQ(view_.Run(L"lengthOf(function (a, b) {})"), L"2");
  EXPECT_EQ(view_.Run(L"lengthOf(function (a, b, c) {})"), L"3");
  Api& api = Engine();
  jsValue f = view_.RunValue(L"(function (x, y) { return x * y; })");
  EXPECT_EQ(api.jsTypeOf(f), JSTYPE_FUNCTION);
  EXPECT_EQ(api.jsGetLength(view_.exec(), f), 2);
  // Bound natives declare the argument count they were bound with.
  EXPECT_EQ(view_.Run(L"callNow.length"), L"3");
}

TEST_F(EngineValues, CallbacksStayCallableLongAfterTheNativeReturned) {
  view_.Run(L"var hits = []; keep(function (a, b) { hits.push(a + '+' + b); return a * b; });");
  ASSERT_EQ(Seen().kept.size(), 1u);
  jsValue callback = Seen().kept[0];
  EXPECT_EQ(Seen().keptViews[0], view_.get());
  // Lots happens in between: scripts, native calls creating temporaries, garbage collection,
  // timers and messages.
  view_.Run(
      L"for (var i = 0; i < 2000; i++) makeObject(i); var junk = []; for (i = 0; i < 1000; i++) junk.push({i: i});");
  view_.Run(L"junk = null; Duktape.gc(); setTimeout(function () { record('tick'); }, 20);");
  ASSERT_TRUE(PumpUntil([] { return !Seen().lines.empty(); }));
  Api& api = Engine();
  jsExecState es = view_.exec();
  jsValue args[2] = {api.jsInt(6), api.jsInt(7)};
  jsValue result = api.jsCall(es, callback, api.jsUndefined(), args, 2);
  EXPECT_EQ(api.jsToInt(es, result), 42);
  EXPECT_EQ(view_.Run(L"hits.join()"), L"6+7");
  // The same function handed over again gets the same handle.
  view_.Run(L"var f = function () {}; keep(f); keep(f);");
  ASSERT_EQ(Seen().kept.size(), 3u);
  EXPECT_EQ(Seen().kept[1], Seen().kept[2]);
}

TEST_F(EngineValues, AKeptHandleWhoseSlotWasReusedReadsUndefinedAndCallsNothing) {
  Api& api = Engine();
  jsExecState es = view_.exec();
  // A page hands over a name and an object where callbacks belong; both are released when the
  // native returns, and the next values take their slots, here functions.
  view_.Run(L"var called = 0; keep('not a function'); keep(function () { return ++called; });"
            L"keep({}); keep(function () { return ++called; });");
  ASSERT_EQ(Seen().kept.size(), 4u);
  for (size_t stale : {0u, 2u}) {
    jsValue handle = Seen().kept[stale];
    EXPECT_EQ(api.jsTypeOf(handle), JSTYPE_UNDEFINED) << stale;
    EXPECT_TRUE(api.jsIsUndefined(handle)) << stale;
    EXPECT_TRUE(api.jsIsUndefined(api.jsCall(es, handle, api.jsUndefined(), nullptr, 0))) << stale;
    EXPECT_EQ(api.jsToStringW(es, handle), std::wstring(L"undefined")) << stale;
  }
  EXPECT_EQ(view_.Run(L"called"), L"0");
  // The functions themselves are unharmed.
  EXPECT_EQ(api.jsTypeOf(Seen().kept[1]), JSTYPE_FUNCTION);
  EXPECT_EQ(api.jsToInt(es, api.jsCall(es, Seen().kept[3], api.jsUndefined(), nullptr, 0)), 1);
}

TEST_F(EngineValues, AKeptHandleStaysStaleAfterAMillionValuesTookItsSlot) {
  Api& api = Engine();
  jsExecState es = view_.exec();
  view_.Run(L"var called = 0; keep('a global callback name');");
  ASSERT_EQ(Seen().kept.size(), 1u);
  jsValue stale = Seen().kept[0];
  EXPECT_EQ(view_.Run(L"var n = 0; for (var i = 0; i < 1000000; i++) n += echo('v' + (i & 7)).length; n"),
            L"2000000");
  view_.Run(L"for (var i = 0; i < 1000; i++) keep(function () { return ++called; });");
  ASSERT_EQ(Seen().kept.size(), 1001u);
  EXPECT_EQ(api.jsTypeOf(stale), JSTYPE_UNDEFINED);
  EXPECT_TRUE(api.jsIsUndefined(api.jsCall(es, stale, api.jsUndefined(), nullptr, 0)));
  EXPECT_EQ(view_.Run(L"called"), L"0");
  for (size_t i = 1; i < Seen().kept.size(); ++i) ASSERT_NE(Seen().kept[i], stale);
  EXPECT_EQ(api.jsToInt(es, api.jsCall(es, Seen().kept.back(), api.jsUndefined(), nullptr, 0)), 1);
}

TEST_F(EngineValues, HandlesOfAReplacedPageReadUndefined) {
  view_.Run(L"keep(function () {}); keep('text')");
  ASSERT_EQ(Seen().kept.size(), 2u);
  Api& api = Engine();
  EXPECT_EQ(api.jsTypeOf(Seen().kept[0]), JSTYPE_FUNCTION);
  view_.Load(L"blank.html");
  EXPECT_EQ(api.jsTypeOf(Seen().kept[0]), JSTYPE_UNDEFINED);
  EXPECT_EQ(api.jsTypeOf(Seen().kept[1]), JSTYPE_UNDEFINED);
  // Values stored in the handle itself never go stale.
  EXPECT_EQ(api.jsTypeOf(api.jsInt(3)), JSTYPE_NUMBER);
  EXPECT_EQ(api.jsTypeOf(api.jsTrue()), JSTYPE_BOOLEAN);
  EXPECT_EQ(api.jsTypeOf(api.jsUndefined()), JSTYPE_UNDEFINED);
}

TEST_F(EngineValues, AReleasedFunctionCallsNothingAndAnotherStaysCallable) {
  Api& api = Engine();
  jsExecState es = view_.exec();
  view_.Run(L"var a = 0, b = 0; var fa = function () { return ++a; }; register(fa);"
            L"register(function () { return ++b; });");
  ASSERT_EQ(Seen().registrations, 2);
  jsValue first = Seen().firstRegistered;
  EXPECT_EQ(api.jsTypeOf(first), JSTYPE_UNDEFINED);
  EXPECT_TRUE(api.jsIsUndefined(api.jsCall(es, first, api.jsUndefined(), nullptr, 0)));
  EXPECT_EQ(api.jsToInt(es, api.jsCall(es, Seen().registered, api.jsUndefined(), nullptr, 0)), 1);
  EXPECT_FALSE(api.jsReleaseFunction(es, first));
  // The page still has the function; handed over again it is pinned afresh.
  view_.Run(L"keep(fa)");
  EXPECT_EQ(api.jsToInt(es, api.jsCall(es, Seen().kept.back(), api.jsUndefined(), nullptr, 0)), 1);
  EXPECT_EQ(view_.Run(L"a + ',' + b"), L"1,1");
}

TEST_F(EngineValues, ExceptionInCalledFunctionGivesUndefinedAndIsLogged) {
  ConsoleCapture console;
  view_.Run(L"keep(function () { throw new Error('boom from callback'); })");
  Api& api = Engine();
  jsValue r = api.jsCall(view_.exec(), Seen().kept.back(), api.jsUndefined(), nullptr, 0);
  EXPECT_TRUE(api.jsIsUndefined(r));
  auto lines = console.Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("boom from callback"), std::string::npos) << lines[0];
  // A native calling into script gets undefined the same way and the page goes on.
  EXPECT_EQ(view_.Run(L"String(callNow(function () { throw 1; }))"), L"undefined");
}

TEST_F(EngineValues, CallsFromNativeIntoScriptReturnResults) {
  EXPECT_EQ(view_.Run(L"callNow(function (a, b) { return a + b; }, 'x', 'y')"), L"xy");
  EXPECT_EQ(view_.Run(L"callNow(function (a, b) { return callNow(function (c, d) { return c * d; }, a, b); }, 4, 5)"),
            L"20");
}

TEST_F(EngineValues, ValuesOfAPageAreReleasedWithIt) {
  view_.Run(L"var count = 0; keep(function () { return ++count; })");
  Api& api = Engine();
  jsValue callback = Seen().kept.back();
  EXPECT_EQ(api.jsToInt(view_.exec(), api.jsCall(view_.exec(), callback, api.jsUndefined(), nullptr, 0)), 1);
  view_.Load(L"blank.html");
  // The handle outlived its page: calling it does nothing and gives undefined.
  jsValue r = api.jsCall(view_.exec(), callback, api.jsUndefined(), nullptr, 0);
  EXPECT_TRUE(api.jsIsUndefined(r));
  EXPECT_EQ(view_.Run(L"typeof count"), L"undefined");
}

TEST_F(EngineValues, TwoViewsHaveSeparateGlobalsAndShareNatives) {
  View other;
  other.Load(L"blank.html");
  view_.Run(L"var mine = 'first'");
  EXPECT_EQ(other.Run(L"typeof mine"), L"undefined");
  other.Run(L"var mine = 'second'");
  EXPECT_EQ(view_.Run(L"mine"), L"first");
  EXPECT_EQ(other.Run(L"mine"), L"second");
  // Each page finds its own view through jsGetWebView.
  EXPECT_EQ(view_.Run(L"viewId()"), std::to_wstring(reinterpret_cast<uintptr_t>(view_.get())));
  EXPECT_EQ(other.Run(L"viewId()"), std::to_wstring(reinterpret_cast<uintptr_t>(other.get())));
  // A native bound now shows up in both views, created before it, and in a view made later.
  Api& api = Engine();
  api.jsBindFunction(
      "lateNative",
      [](jsExecState es) -> jsValue { return Engine().jsInt(Engine().jsToInt(es, Engine().jsArg(es, 0)) + 1); }, 1);
  EXPECT_EQ(view_.Run(L"lateNative(1)"), L"2");
  EXPECT_EQ(other.Run(L"lateNative(10)"), L"11");
  View later;
  EXPECT_EQ(later.Run(L"lateNative(100)"), L"101");
  later.Load(L"blank.html");
  EXPECT_EQ(later.Run(L"lateNative(1000)"), L"1001");
}

TEST_F(EngineValues, StringsCrossBetweenViewsObjectsDoNot) {
  // A page's native runs script in another view and returns that result to its own page.
  static View* other;
  View second;
  second.Load(L"blank.html");
  second.Run(L"var greeting = 'hello from the other view'");
  other = &second;
  Engine().jsBindFunction(
      "runInOther",
      [](jsExecState es) -> jsValue {
        return Engine().wkeRunJSW(other->get(), Engine().jsToStringW(es, Engine().jsArg(es, 0)));
      },
      1);
  EXPECT_EQ(view_.Run(L"runInOther('greeting')"), L"hello from the other view");
  EXPECT_EQ(view_.Run(L"runInOther('6 * 7') + 1"), L"43");
  EXPECT_EQ(view_.Run(L"typeof runInOther('({a: 1})')"), L"undefined");
}

TEST_F(EngineValues, RunScriptResultAndGlobalExec) {
  Api& api = Engine();
  jsValue v = view_.RunValue(L"6 * 7");
  EXPECT_EQ(api.jsToInt(view_.exec(), v), 42);
  jsValue s = view_.RunValue(L"'abc' + 1");
  EXPECT_EQ(api.jsTypeOf(s), JSTYPE_STRING);
  EXPECT_EQ(std::string(api.jsToString(view_.exec(), s)), "abc1");
  // A syntax error gives undefined, and the page still works.
  EXPECT_TRUE(api.jsIsUndefined(view_.RunValue(L"this is not script")));
  EXPECT_EQ(view_.Run(L"1 + 1"), L"2");
  EXPECT_NE(view_.exec(), nullptr);
}

}  // namespace
