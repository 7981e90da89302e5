// The project's engine, wke.dll, loaded from memory the way start-up loads it: its entry points
// are found by name and a view runs script that calls back into a native function.
#include <gtest/gtest.h>

#include "loader_support.h"
#include "wke.h"
#include "wke_entry_points.h"

namespace {

struct EngineApi {
#define WKE_ENTRY(name, hostNeedsIt) decltype(&::name) name;
  WKE_ENTRY_POINTS(WKE_ENTRY)
#undef WKE_ENTRY
};
EngineApi api;

jsValue WKE_CALL Twice(jsExecState state) { return api.jsInt(2 * api.jsToInt(state, api.jsArg(state, 0))); }

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

  // Every entry point the engine's interface lists is exported (ExportOf fails the test otherwise).
#define WKE_RESOLVE(name, hostNeedsIt) api.name = loader_test::ExportOf<decltype(api.name)>(m, #name);
  WKE_ENTRY_POINTS(WKE_RESOLVE)
#undef WKE_RESOLVE

  api.wkeInit();
  api.jsBindFunction("loaderTwice", Twice, 1);
  wkeWebView view = api.wkeCreateWebView();
  ASSERT_NE(view, nullptr);
  jsExecState state = api.wkeGlobalExec(view);
  EXPECT_EQ(api.jsToInt(state, api.wkeRunJSW(view, L"6 * 7")), 42);
  EXPECT_EQ(api.jsToInt(state, api.wkeRunJSW(view, L"loaderTwice(20) + 2")), 42);
  EXPECT_STREQ(api.jsToString(state, api.wkeRunJSW(view, L"['from', 'memory'].join(' ').toUpperCase()")),
               "FROM MEMORY");
  api.wkeDestroyWebView(view);
  api.wkeShutdown();
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
