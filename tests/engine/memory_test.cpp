// Temporaries of native calls do not pile up: a page calling a native function that returns a
// new object a million times keeps the process's private bytes nearly where they were.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "test_host.h"

using namespace testhost;

namespace {

// Private bytes. Windows reports them in PrivateUsage and (the same commit charge) in
// PagefileUsage; Wine fills only the latter.
double PrivateMegabytes() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
  SIZE_T bytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
  return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

TEST(EngineMemory, TheMeterSeesAllocations) {
  double before = PrivateMegabytes();
  ASSERT_GT(before, 0.0);
  void* block = VirtualAlloc(nullptr, 16 << 20, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  ASSERT_NE(block, nullptr);
  memset(block, 1, 16 << 20);  // Wine counts pages once they are touched
  double after = PrivateMegabytes();
  VirtualFree(block, 0, MEM_RELEASE);
  EXPECT_GE(after - before, 15.0);
}

TEST(EngineMemory, MillionNativeCallsReturningNewObjectsKeepBoundedMemory) {
  ASSERT_EQ(Engine().missing, 0);
  ResetSeen();
  View view;
  view.Load(L"blank.html");
  // Warm up, so heaps and tables have their working size before measuring.
  EXPECT_EQ(view.Run(L"var sum = 0; for (var i = 0; i < 20000; i++) sum += makeObject(i).n; sum"), L"199990000");
  double before = PrivateMegabytes();
  EXPECT_EQ(view.Run(L"var sum = 0, text = 0;"
                     L"for (var i = 0; i < 1000000; i++) { var o = makeObject(i); sum += o.n; text += o.text.length; }"
                     L"sum + ',' + text"),
            L"499999500000,16000000");
  double after = PrivateMegabytes();
  EXPECT_EQ(Seen().nativeCalls, 1020000);
  std::printf("private bytes: %.2f MB before, %.2f MB after a million calls (%+.2f MB)\n", before, after,
              after - before);
  EXPECT_LT(after - before, 4.0);
}

TEST(EngineMemory, HostTemporariesAreReleasedAtTheNextCall) {
  ASSERT_EQ(Engine().missing, 0);
  View view;
  view.Load(L"blank.html");
  Api& api = Engine();
  jsExecState es = view.exec();
  jsValue add = view.RunValue(L"(function (o) { return o.a + o.b.length; })");
  double before = 0;
  for (int i = 0; i < 200000; ++i) {
    if (i == 20000) before = PrivateMegabytes();
    // What a window procedure does for every callback: build arguments, call, read the result.
    jsValue o = api.jsObject(es);
    api.jsSet(es, o, "a", api.jsInt(i));
    api.jsSet(es, o, "b", api.jsStringW(es, L"four"));
    jsValue r = api.jsCall(es, add, api.jsUndefined(), &o, 1);
    ASSERT_EQ(api.jsToInt(es, r), i + 4);
  }
  double after = PrivateMegabytes();
  std::printf("private bytes: %.2f MB before, %.2f MB after 180000 host calls (%+.2f MB)\n", before, after,
              after - before);
  EXPECT_LT(after - before, 4.0);
}

TEST(EngineMemory, AMillionReplacedCallbackRegistrationsKeepBoundedMemory) {
  ASSERT_EQ(Engine().missing, 0);
  ResetSeen();
  View view;
  view.Load(L"blank.html");
  // Each registration is a new closure holding a little data; the one it replaces is given up.
  const std::wstring registerMany =
      L"for (var i = 0; i < %N%; i++) { var data = [i, i + 1, 'x' + i];"
      L" register(function () { return data[0] + data[1]; }); } 'done'";
  auto times = [&](int n) {
    std::wstring script = registerMany;
    script.replace(script.find(L"%N%"), 3, std::to_wstring(n));
    return script;
  };
  EXPECT_EQ(view.Run(times(20000)), L"done");
  double before = PrivateMegabytes();
  EXPECT_EQ(view.Run(times(1000000)), L"done");
  double after = PrivateMegabytes();
  EXPECT_EQ(Seen().registrations, 1020000);
  std::printf("private bytes: %.2f MB before, %.2f MB after a million registrations (%+.2f MB)\n", before, after,
              after - before);
  EXPECT_LT(after - before, 4.0);
  Api& api = Engine();
  EXPECT_EQ(api.jsTypeOf(Seen().firstRegistered), JSTYPE_UNDEFINED);
  EXPECT_EQ(api.jsToInt(view.exec(), api.jsCall(view.exec(), Seen().registered, api.jsUndefined(), nullptr, 0)),
            1999999);
}

}  // namespace
