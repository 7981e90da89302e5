// Imports by name and by ordinal, the name arrays used, missing libraries and functions, and
// the release of every library loaded for an image.
#include <gtest/gtest.h>

#include <algorithm>

#include "loader_support.h"

namespace {

using loader_test::CallbackLog;
using pe_file::Bytes;

const pe_file::Import& ImportOf(const std::vector<pe_file::Import>& imports, const char* library) {
  const auto found = std::find_if(imports.begin(), imports.end(),
                                  [&](const pe_file::Import& i) { return lstrcmpiA(i.library.c_str(), library) == 0; });
  if (found == imports.end()) throw std::runtime_error(std::string("no import of ") + library);
  return *found;
}

bool Contains(const std::vector<std::string>& list, const std::string& value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

TEST(Imports, ResolvesAnImportByOrdinalThroughItsLow16Bits) {
  const Bytes file = loader_test::ReadLibrary("loader_ordinal_user.dll");
  // The library really imports provider_add by ordinal 7 only.
  const std::vector<pe_file::Import> imports = pe_file::Imports(file);
  const pe_file::Import& provider = ImportOf(imports, "loader_provider.dll");
  EXPECT_TRUE(std::find(provider.thunks.begin(), provider.thunks.end(), IMAGE_ORDINAL_FLAG | 7u) !=
              provider.thunks.end());

  CallbackLog log;
  MemoryModulePtr module(loader_test::LoadLogged(file, log));
  ASSERT_NE(module, nullptr) << GetLastError();
  EXPECT_TRUE(Contains(log.procedures, "#7"));
  EXPECT_TRUE(Contains(log.procedures, "provider_scale"));
  EXPECT_TRUE(Contains(log.procedures, "probe_record"));
  // (3 + 4) * 100 + 3 * 4: both imported functions are the provider's.
  EXPECT_EQ(loader_test::ExportOf<int (*)(int, int)>(module.get(), "user_combine")(3, 4), 712);
}

TEST(Imports, ReleasesEveryLoadedLibraryOnceInLoadOrder) {
  const Bytes file = loader_test::ReadLibrary("loader_ordinal_user.dll");
  CallbackLog log;
  MemoryModulePtr module(loader_test::LoadLogged(file, log));
  ASSERT_NE(module, nullptr) << GetLastError();
  EXPECT_EQ(log.requested.size(), 2u);
  EXPECT_EQ(log.loaded.size(), 2u);
  EXPECT_TRUE(log.freed.empty());
  module.reset();
  EXPECT_EQ(log.freed, log.loaded);
}

TEST(Imports, NamesComeFromOriginalFirstThunkWhenPresent) {
  // The FirstThunk arrays in the file are spoiled; they are only written, never read, while the
  // name arrays exist.
  Bytes file = loader_test::ReadLibrary("loader_ordinal_user.dll");
  for (const pe_file::Import& import : pe_file::Imports(file)) {
    ASSERT_NE(import.descriptor.OriginalFirstThunk, 0u);
    const size_t addresses = *pe_file::FileOffset(file, import.descriptor.FirstThunk);
    for (size_t i = 0; i < import.thunks.size(); ++i)
      pe_file::Put<uintptr_t>(file, addresses + sizeof(uintptr_t) * i, 0x7FFFFFF0);
  }
  CallbackLog log;
  MemoryModulePtr module(loader_test::LoadLogged(file, log));
  ASSERT_NE(module, nullptr) << GetLastError();
  EXPECT_EQ(loader_test::ExportOf<int (*)(int, int)>(module.get(), "user_combine")(3, 4), 712);
}

TEST(Imports, NamesComeFromFirstThunkWithoutOriginalFirstThunk) {
  Bytes file = loader_test::ReadLibrary("loader_ordinal_user.dll");
  for (const pe_file::Import& import : pe_file::Imports(file))
    pe_file::Put<uint32_t>(file, import.descriptorOffset + offsetof(IMAGE_IMPORT_DESCRIPTOR, OriginalFirstThunk), 0);
  CallbackLog log;
  MemoryModulePtr module(loader_test::LoadLogged(file, log));
  ASSERT_NE(module, nullptr) << GetLastError();
  EXPECT_TRUE(Contains(log.procedures, "#7"));
  EXPECT_TRUE(Contains(log.procedures, "provider_scale"));
  EXPECT_EQ(loader_test::ExportOf<int (*)(int, int)>(module.get(), "user_combine")(3, 4), 712);
}

TEST(Imports, MissingLibraryFailsWithModNotFound) {
  const Bytes file = loader_test::ReadLibrary("loader_missing_dll.dll");
  SetLastError(0);
  EXPECT_EQ(MemoryModuleLoad(file.data(), file.size()), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));

  CallbackLog log;
  SetLastError(0);
  EXPECT_EQ(loader_test::LoadLogged(file, log), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_TRUE(Contains(log.requested, "loader_absent.dll"));
  EXPECT_EQ(log.freed, log.loaded);
}

TEST(Imports, MissingFunctionFailsWithProcNotFoundAndReleasesItsLibrary) {
  const Bytes file = loader_test::ReadLibrary("loader_missing_function.dll");
  SetLastError(0);
  EXPECT_EQ(MemoryModuleLoad(file.data(), file.size()), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));

  CallbackLog log;
  SetLastError(0);
  EXPECT_EQ(loader_test::LoadLogged(file, log), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_TRUE(Contains(log.procedures, "probe_vanished"));
  ASSERT_EQ(log.loaded.size(), 1u);
  EXPECT_EQ(log.freed, log.loaded);
}

TEST(Imports, LibraryRefusedByTheCallerFailsWithModNotFound) {
  const Bytes file = loader_test::ReadLibrary("loader_ordinal_user.dll");
  const std::vector<pe_file::Import> imports = pe_file::Imports(file);
  ASSERT_EQ(imports.size(), 2u);
  CallbackLog log;
  log.refuse = {imports[1].library};
  SetLastError(0);
  EXPECT_EQ(loader_test::LoadLogged(file, log), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  // The first library was loaded and resolved before the second was refused.
  ASSERT_EQ(log.loaded.size(), 1u);
  EXPECT_EQ(log.freed, log.loaded);
  EXPECT_TRUE(loader_test::Reservable(LOADER_ORDINAL_USER_BASE, pe_file::NtHeaders(file).OptionalHeader.SizeOfImage));
}

}  // namespace
