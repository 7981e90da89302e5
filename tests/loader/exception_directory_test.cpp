// C++ exceptions thrown and caught inside a library loaded from memory. In the 64-bit build they
// unwind only through the image's exception directory (.pdata), which the loader registers while
// the module is loaded and removes when it is freed; a directory or entry outside the image is
// refused.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "loader_support.h"

namespace {

using pe_file::Bytes;

void ExpectExceptionsRoundTrip(MemoryModule* module) {
  const auto roundTrip = loader_test::ExportOf<int (*)(int)>(module, "throw_round_trip");
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(roundTrip(4), 42);  // caught, with both destructors run on the way
    EXPECT_EQ(roundTrip(123), 1232);
    EXPECT_EQ(roundTrip(-5), -4);  // nothing thrown
  }
}

TEST(ExceptionDirectory, ExceptionThrownInsideTheLibraryIsCaughtThere) {
  const Bytes file = loader_test::ReadLibrary("loader_throw.dll");
  for (const bool relocated : {false, true}) {
    SCOPED_TRACE(relocated ? "loaded elsewhere" : "loaded at its preferred base");
    std::optional<loader_test::Occupied> preferred;
    if (relocated) {
      preferred.emplace(pe_file::NtHeaders(file).OptionalHeader.ImageBase);
      ASSERT_TRUE(preferred->held());
    }
    MemoryModulePtr module(MemoryModuleLoad(file.data(), file.size()));
    ASSERT_NE(module, nullptr) << GetLastError();
    EXPECT_EQ(reinterpret_cast<uintptr_t>(module->codeBase) != pe_file::NtHeaders(file).OptionalHeader.ImageBase,
              relocated);
    ExpectExceptionsRoundTrip(module.get());
  }
}

#if defined(_WIN64)

TEST(ExceptionDirectory, FunctionTableIsRegisteredWhileLoadedAndRemovedOnFree) {
  const Bytes file = loader_test::ReadLibrary("loader_throw.dll");
  ASSERT_NE(pe_file::NtHeaders(file).OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXCEPTION].Size, 0u);
  MemoryModule* module = MemoryModuleLoad(file.data(), file.size());
  ASSERT_NE(module, nullptr) << GetLastError();
  void* const function = MemoryModuleGetExport(module, "throw_round_trip");
  ASSERT_NE(function, nullptr);
  const DWORD64 address = reinterpret_cast<DWORD64>(function);
  const DWORD64 codeBase = reinterpret_cast<DWORD64>(module->codeBase);

  DWORD64 base = 0;
  const RUNTIME_FUNCTION* entry = RtlLookupFunctionEntry(address, &base, nullptr);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(base, codeBase);
  EXPECT_LE(entry->BeginAddress, address - codeBase);
  EXPECT_GT(entry->EndAddress, address - codeBase);
  ExpectExceptionsRoundTrip(module);

  MemoryModuleFree(module);
  base = 0;
  EXPECT_EQ(RtlLookupFunctionEntry(address, &base, nullptr), nullptr);
}

struct Patch {
  const char* what;
  std::function<void(Bytes&)> apply;
};

TEST(ExceptionDirectory, DirectoryOrEntriesOutsideTheImageAreRefused) {
  const Bytes original = loader_test::ReadLibrary("loader_throw.dll");
  const IMAGE_OPTIONAL_HEADER optional = pe_file::NtHeaders(original).OptionalHeader;
  const IMAGE_DATA_DIRECTORY exceptions = optional.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXCEPTION];
  ASSERT_GE(exceptions.Size, 2 * sizeof(RUNTIME_FUNCTION));
  const size_t directory = pe_file::DataDirectoryOffset(original, IMAGE_DIRECTORY_ENTRY_EXCEPTION);
  const size_t table = *pe_file::FileOffset(original, exceptions.VirtualAddress);
  const size_t lastEntry = table + exceptions.Size - sizeof(RUNTIME_FUNCTION);
  const std::optional<IMAGE_SECTION_HEADER> relocations = pe_file::SectionNamed(original, ".reloc");
  ASSERT_TRUE(relocations);
  ASSERT_TRUE(relocations->Characteristics & IMAGE_SCN_MEM_DISCARDABLE);

  const Patch patches[] = {
      {"directory past the image",
       [&](Bytes& image) { pe_file::Put<DWORD>(image, directory, optional.SizeOfImage - 12); }},
      {"directory size past the image", [&](Bytes& image) { pe_file::Put<DWORD>(image, directory + 4, 0xFFFFFFF4); }},
      {"size not a whole number of entries",
       [&](Bytes& image) { pe_file::Put<DWORD>(image, directory + 4, exceptions.Size - 4); }},
      {"directory in a discarded section",
       [&](Bytes& image) {
         pe_file::Put<DWORD>(image, directory, relocations->VirtualAddress);
         pe_file::Put<DWORD>(image, directory + 4, sizeof(RUNTIME_FUNCTION));
       }},
      {"last entry's code past the image",
       [&](Bytes& image) {
         pe_file::Put<DWORD>(image, lastEntry + offsetof(RUNTIME_FUNCTION, EndAddress), optional.SizeOfImage + 1);
       }},
      {"first entry ending before it begins",
       [&](Bytes& image) {
         const auto begin = pe_file::Get<DWORD>(image, table + offsetof(RUNTIME_FUNCTION, BeginAddress));
         pe_file::Put<DWORD>(image, table + offsetof(RUNTIME_FUNCTION, EndAddress), begin - 1);
       }},
      {"last entry's unwind data past the image",
       [&](Bytes& image) {
         pe_file::Put<DWORD>(image, lastEntry + offsetof(RUNTIME_FUNCTION, UnwindData), optional.SizeOfImage - 2);
       }},
  };
  for (const Patch& patch : patches) {
    SCOPED_TRACE(patch.what);
    Bytes image = original;
    patch.apply(image);
    loader_test::CallbackLog log;
    SetLastError(0);
    MemoryModule* module = loader_test::LoadLogged(image, log);
    const DWORD error = GetLastError();
    EXPECT_EQ(module, nullptr);
    MemoryModuleFree(module);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
    EXPECT_EQ(log.freed, log.loaded);
    EXPECT_TRUE(loader_test::Reservable(optional.ImageBase, optional.SizeOfImage));
  }
}

#endif

}  // namespace
