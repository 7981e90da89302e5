// The TLS directory: the image's callbacks hear the attach before the entry point and the detach
// on free; the index slot holds a TLS index the module owns until it is freed; a directory, slot,
// callback array or callback outside the image is refused before any of the image's code runs.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "loader_support.h"

namespace {

using loader_test::TheProbe;
using pe_file::Bytes;

constexpr int kCallback = 100;  // the test library's TLS callback notes 100 + reason
constexpr int kEntry = 200;     // its entry point 200 + reason

class Tls : public testing::Test {
 protected:
  void SetUp() override { TheProbe().reset(); }
};

size_t TlsDirectoryOffset(const Bytes& file) {
  const IMAGE_DATA_DIRECTORY directory =
      pe_file::NtHeaders(file).OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_TLS];
  if (directory.Size == 0) throw std::runtime_error("no TLS directory");
  return *pe_file::FileOffset(file, directory.VirtualAddress);
}

// File offset of the byte at virtual address `va` of an image loaded at its preferred base.
size_t FileOffsetOfAddress(const Bytes& file, uint64_t va) {
  return *pe_file::FileOffset(file, static_cast<uint32_t>(va - pe_file::NtHeaders(file).OptionalHeader.ImageBase));
}

TEST_F(Tls, TheLibraryHasItsOwnCallbackBesideTheRunTimes) {
  const Bytes file = loader_test::ReadLibrary("loader_tls.dll");
  const auto tls = pe_file::Get<IMAGE_TLS_DIRECTORY>(file, TlsDirectoryOffset(file));
  ASSERT_NE(tls.AddressOfCallBacks, 0u);
  size_t callbacks = 0;
  for (size_t at = FileOffsetOfAddress(file, tls.AddressOfCallBacks); pe_file::Get<uintptr_t>(file, at) != 0;
       at += sizeof(uintptr_t))
    ++callbacks;
  EXPECT_GE(callbacks, 2u);
}

TEST_F(Tls, CallbacksHearTheAttachBeforeTheEntryPointAndTheDetachOnFree) {
  const Bytes file = loader_test::ReadLibrary("loader_tls.dll");
  for (const bool relocated : {false, true}) {
    SCOPED_TRACE(relocated ? "loaded elsewhere" : "loaded at its preferred base");
    TheProbe().reset();
    std::optional<loader_test::Occupied> preferred;
    if (relocated) {
      preferred.emplace(pe_file::NtHeaders(file).OptionalHeader.ImageBase);
      ASSERT_TRUE(preferred->held());
    }
    MemoryModule* module = MemoryModuleLoad(file.data(), file.size());
    ASSERT_NE(module, nullptr) << GetLastError();
    EXPECT_EQ(reinterpret_cast<uintptr_t>(module->codeBase) != pe_file::NtHeaders(file).OptionalHeader.ImageBase,
              relocated);
    EXPECT_EQ(TheProbe().Notes(), (std::vector<int>{kCallback + DLL_PROCESS_ATTACH, kEntry + DLL_PROCESS_ATTACH}));
    MemoryModuleFree(module);
    EXPECT_EQ(TheProbe().Notes(), (std::vector<int>{kCallback + DLL_PROCESS_ATTACH, kEntry + DLL_PROCESS_ATTACH,
                                                    kCallback + DLL_PROCESS_DETACH, kEntry + DLL_PROCESS_DETACH}));
  }
}

TEST_F(Tls, IndexSlotHoldsAnIndexTheModuleOwnsUntilFreed) {
  // One index is held throughout, so the lowest free index (the next TlsAlloc's) is never 0,
  // the slot's value in the file.
  const DWORD held = TlsAlloc();
  ASSERT_NE(held, TLS_OUT_OF_INDEXES);
  const DWORD lowestFree = TlsAlloc();
  ASSERT_NE(lowestFree, 0u);
  TlsFree(lowestFree);

  const Bytes file = loader_test::ReadLibrary("loader_tls.dll");
  MemoryModule* module = MemoryModuleLoad(file.data(), file.size());
  ASSERT_NE(module, nullptr) << GetLastError();
  EXPECT_EQ(module->tlsIndex, lowestFree);
  EXPECT_EQ(loader_test::ExportOf<ULONG (*)()>(module, "tls_index_value")(), lowestFree);
  EXPECT_EQ(loader_test::ExportOf<ULONG (*)()>(module, "tls_index_seen_by_callback")(), lowestFree);
  const DWORD other = TlsAlloc();
  EXPECT_NE(other, lowestFree);
  TlsFree(other);

  MemoryModuleFree(module);
  const DWORD again = TlsAlloc();
  EXPECT_EQ(again, lowestFree) << "the module's index was not released";
  TlsFree(again);
  TlsFree(held);
}

struct Patch {
  const char* what;
  std::function<void(Bytes&)> apply;
};

TEST_F(Tls, DirectoryIndexSlotOrCallbacksOutsideTheImageAreRefusedBeforeAnyCodeRuns) {
  const Bytes original = loader_test::ReadLibrary("loader_tls.dll");
  const IMAGE_OPTIONAL_HEADER optional = pe_file::NtHeaders(original).OptionalHeader;
  const uint64_t imageEnd = optional.ImageBase + optional.SizeOfImage;
  const size_t directory = TlsDirectoryOffset(original);
  const auto field = [&](size_t offset) { return directory + offset; };
  const auto tls = pe_file::Get<IMAGE_TLS_DIRECTORY>(original, directory);
  const size_t firstCallback = FileOffsetOfAddress(original, tls.AddressOfCallBacks);
  using Address = decltype(tls.AddressOfIndex);

  const Patch patches[] = {
      {"directory past the image",
       [&](Bytes& image) {
         pe_file::Put<DWORD>(image, pe_file::DataDirectoryOffset(image, IMAGE_DIRECTORY_ENTRY_TLS),
                             optional.SizeOfImage - 8);
       }},
      {"index slot past the image",
       [&](Bytes& image) {
         pe_file::Put<Address>(image, field(offsetof(IMAGE_TLS_DIRECTORY, AddressOfIndex)), imageEnd);
       }},
      {"index slot running past the image",
       [&](Bytes& image) {
         pe_file::Put<Address>(image, field(offsetof(IMAGE_TLS_DIRECTORY, AddressOfIndex)), imageEnd - 2);
       }},
      {"index slot at address 0",
       [&](Bytes& image) { pe_file::Put<Address>(image, field(offsetof(IMAGE_TLS_DIRECTORY, AddressOfIndex)), 0); }},
      {"callback array before the image",
       [&](Bytes& image) {
         pe_file::Put<Address>(image, field(offsetof(IMAGE_TLS_DIRECTORY, AddressOfCallBacks)),
                               optional.ImageBase - 0x1000);
       }},
      {"callback array running past the image",
       [&](Bytes& image) {
         pe_file::Put<Address>(image, field(offsetof(IMAGE_TLS_DIRECTORY, AddressOfCallBacks)),
                               imageEnd - sizeof(uintptr_t) / 2);
       }},
      {"callback past the image",
       [&](Bytes& image) { pe_file::Put<uintptr_t>(image, firstCallback, imageEnd + 0x1000); }},
      {"second callback past the image",
       [&](Bytes& image) { pe_file::Put<uintptr_t>(image, firstCallback + sizeof(uintptr_t), imageEnd); }},
  };
  for (const Patch& patch : patches) {
    SCOPED_TRACE(patch.what);
    Bytes image = original;
    patch.apply(image);
    TheProbe().reset();
    loader_test::CallbackLog log;
    SetLastError(0);
    MemoryModule* module = loader_test::LoadLogged(image, log);
    const DWORD error = GetLastError();
    EXPECT_EQ(module, nullptr);
    MemoryModuleFree(module);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
    EXPECT_EQ(TheProbe().Notes(), std::vector<int>{});
    EXPECT_EQ(log.freed, log.loaded);
  }
}

}  // namespace
