// The entry point: attached once when loading, detached once when freeing and before the
// imported libraries go; a refused attach fails the load; no entry point, no calls.
#include <gtest/gtest.h>

#include "loader_support.h"

namespace {

using loader_test::CallbackLog;
using loader_test::TheProbe;
using pe_file::Bytes;

class EntryPoint : public testing::Test {
 protected:
  void SetUp() override { TheProbe().reset(); }
  static int Attaches() { return TheProbe().count(DLL_PROCESS_ATTACH); }
  static int Detaches() { return TheProbe().count(DLL_PROCESS_DETACH); }
};

TEST_F(EntryPoint, AttachesOnLoadAndDetachesOnceOnFreeBeforeReleasingLibraries) {
  const Bytes file = loader_test::ReadLibrary("loader_entry.dll");
  ASSERT_NE(pe_file::NtHeaders(file).OptionalHeader.AddressOfEntryPoint, 0u);
  CallbackLog log;
  MemoryModule* module = loader_test::LoadLogged(file, log);
  ASSERT_NE(module, nullptr) << GetLastError();
  EXPECT_EQ(Attaches(), 1);
  EXPECT_EQ(Detaches(), 0);
  EXPECT_EQ(module->initialized, 1);
  EXPECT_EQ(loader_test::ExportOf<int (*)()>(module, "entry_attached")(), 1);
  EXPECT_FALSE(log.loaded.empty());

  MemoryModuleFree(module);
  EXPECT_EQ(Attaches(), 1);
  EXPECT_EQ(Detaches(), 1);
  EXPECT_EQ(log.freed, log.loaded);
  // Every library was released after the detach had been sent.
  for (int detaches : log.detachesWhenFreed) EXPECT_EQ(detaches, 1);
}

TEST_F(EntryPoint, RefusedAttachFailsTheLoadWithoutDetachAndReleasesEverything) {
  const Bytes file = loader_test::ReadLibrary("loader_refuse.dll");
  CallbackLog log;
  SetLastError(0);
  EXPECT_EQ(loader_test::LoadLogged(file, log), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DLL_INIT_FAILED));
  EXPECT_EQ(Attaches(), 1);
  EXPECT_EQ(Detaches(), 0);
  EXPECT_FALSE(log.loaded.empty());
  EXPECT_EQ(log.freed, log.loaded);

  SetLastError(0);
  EXPECT_EQ(MemoryModuleLoad(file.data(), file.size()), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DLL_INIT_FAILED));
  EXPECT_EQ(Detaches(), 0);
}

TEST_F(EntryPoint, ImageWithoutEntryPointLoadsAndFreesWithoutCalls) {
  const Bytes file = loader_test::ReadLibrary("loader_no_entry.dll");
  ASSERT_EQ(pe_file::NtHeaders(file).OptionalHeader.AddressOfEntryPoint, 0u);
  CallbackLog log;
  MemoryModule* module = loader_test::LoadLogged(file, log);
  ASSERT_NE(module, nullptr) << GetLastError();
  EXPECT_EQ(module->initialized, 0);
  EXPECT_EQ(loader_test::ExportOf<int (*)()>(module, "no_entry_answer")(), 42);
  // Its import works: the library reports through the probe only when asked to.
  loader_test::ExportOf<void (*)(int)>(module, "no_entry_report")(DLL_THREAD_ATTACH);
  EXPECT_EQ(TheProbe().count(DLL_THREAD_ATTACH), 1);

  MemoryModuleFree(module);
  EXPECT_EQ(Attaches(), 0);
  EXPECT_EQ(Detaches(), 0);
  EXPECT_EQ(log.freed, log.loaded);
  EXPECT_EQ(log.loaded.size(), 1u);
}

}  // namespace
