// The project's engine, wke.dll, loaded from memory the way start-up loads it: its entry points
// are found by name and a view runs script that calls back into a native function.
#include <gtest/gtest.h>

#include "loader_support.h"
#include "wke.h"

namespace {

struct EngineApi {
  decltype(&::wkeInit) init;
  decltype(&::wkeShutdown) shutdown;
  decltype(&::wkeCreateWebView) createView;
  decltype(&::wkeDestroyWebView) destroyView;
  decltype(&::wkeRunJSW) run;
  decltype(&::wkeGlobalExec) globalExec;
  decltype(&::jsBindFunction) bind;
  decltype(&::jsArg) arg;
  decltype(&::jsToInt) toInt;
  decltype(&::jsToString) toString;
  decltype(&::jsInt) makeInt;
};
EngineApi api;

jsValue WKE_CALL Twice(jsExecState state) { return api.makeInt(2 * api.toInt(state, api.arg(state, 0))); }

enum class Placement { kPreferredBase, kElsewhere, kAnywhere };

void LoadAndRun(const pe_file::Bytes& file, Placement placement) {
  MemoryModulePtr engine(MemoryModuleLoad(file.data(), file.size()));
  ASSERT_NE(engine, nullptr) << GetLastError();
  MemoryModule* m = engine.get();
  const uintptr_t preferred = pe_file::NtHeaders(file).OptionalHeader.ImageBase;
  if (placement == Placement::kPreferredBase) {
    ASSERT_EQ(reinterpret_cast<uintptr_t>(m->codeBase), preferred);
  }
  if (placement == Placement::kElsewhere) {
    ASSERT_NE(reinterpret_cast<uintptr_t>(m->codeBase), preferred);
  }

  // Every export of the engine's file is found, in any letter case.
  const std::vector<pe_file::Export> exports = pe_file::Exports(file);
  ASSERT_GT(exports.size(), 50u);
  for (const pe_file::Export& e : exports) {
    SCOPED_TRACE(e.name);
    EXPECT_EQ(MemoryModuleGetExport(m, e.name.c_str()), m->codeBase + e.functionRva);
  }
  EXPECT_EQ(MemoryModuleGetExport(m, "jsbindfunction"), MemoryModuleGetExport(m, "jsBindFunction"));

  using loader_test::ExportOf;
  api = {ExportOf<decltype(api.init)>(m, "wkeInit"),           ExportOf<decltype(api.shutdown)>(m, "wkeShutdown"),
         ExportOf<decltype(api.createView)>(m, "wkeCreateWebView"),
         ExportOf<decltype(api.destroyView)>(m, "wkeDestroyWebView"), ExportOf<decltype(api.run)>(m, "wkeRunJSW"),
         ExportOf<decltype(api.globalExec)>(m, "wkeGlobalExec"),   ExportOf<decltype(api.bind)>(m, "jsBindFunction"),
         ExportOf<decltype(api.arg)>(m, "jsArg"),                  ExportOf<decltype(api.toInt)>(m, "jsToInt"),
         ExportOf<decltype(api.toString)>(m, "jsToString"),        ExportOf<decltype(api.makeInt)>(m, "jsInt")};

  api.init();
  api.bind("loaderTwice", Twice, 1);
  wkeWebView view = api.createView();
  ASSERT_NE(view, nullptr);
  jsExecState state = api.globalExec(view);
  EXPECT_EQ(api.toInt(state, api.run(view, L"6 * 7")), 42);
  EXPECT_EQ(api.toInt(state, api.run(view, L"loaderTwice(20) + 2")), 42);
  EXPECT_STREQ(api.toString(state, api.run(view, L"['from', 'memory'].join(' ').toUpperCase()")), "FROM MEMORY");
  api.destroyView(view);
  api.shutdown();
}

TEST(EngineFromMemory, EngineOfTheProcessArchitectureIsBuilt) {
  const pe_file::Bytes file = loader_test::ReadLibrary("wke.dll");
  EXPECT_EQ(pe_file::NtHeaders(file).FileHeader.Machine, loader_test::kNativeMachine);
  EXPECT_EQ(pe_file::NtHeaders(file).OptionalHeader.Magic, loader_test::kNativeMagic);
}

// The 64-bit engine's preferred base lies above 4 GiB, where nothing else of the test program
// is; the 32-bit one shares its address range with the test libraries the system loads.
TEST(EngineFromMemory, EntryPointsResolveAndScriptRunsAtThePreferredBase) {
  const pe_file::Bytes file = loader_test::ReadLibrary("wke.dll");
  const IMAGE_OPTIONAL_HEADER optional = pe_file::NtHeaders(file).OptionalHeader;
  const bool free = loader_test::Reservable(optional.ImageBase, optional.SizeOfImage);
  if (loader_test::kIs64Bit) {
    ASSERT_TRUE(free) << "the preferred base is taken";
  }
  LoadAndRun(file, free ? Placement::kPreferredBase : Placement::kAnywhere);
}

TEST(EngineFromMemory, RelocatedEngineRunsScriptToo) {
  const pe_file::Bytes file = loader_test::ReadLibrary("wke.dll");
  const loader_test::Occupied preferred(pe_file::NtHeaders(file).OptionalHeader.ImageBase);
  ASSERT_TRUE(preferred.held());
  LoadAndRun(file, Placement::kElsewhere);
}

}  // namespace
