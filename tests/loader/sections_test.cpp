// Sections: raw data copied, a section without raw data given zeroed memory, discardable
// sections decommitted and every other section protected as its characteristics ask.
#include <gtest/gtest.h>

#include "loader_support.h"
#include "host/memory_module_sections.h"

namespace {

using pe_file::Bytes;

constexpr DWORD kExecute = IMAGE_SCN_MEM_EXECUTE;
constexpr DWORD kRead = IMAGE_SCN_MEM_READ;
constexpr DWORD kWrite = IMAGE_SCN_MEM_WRITE;

// The protection a section's characteristics call for.
DWORD Wanted(DWORD characteristics) {
  static const DWORD table[2][2][2] = {
      {{PAGE_NOACCESS, PAGE_WRITECOPY}, {PAGE_READONLY, PAGE_READWRITE}},
      {{PAGE_EXECUTE, PAGE_EXECUTE_WRITECOPY}, {PAGE_EXECUTE_READ, PAGE_EXECUTE_READWRITE}},
  };
  DWORD protection =
      table[(characteristics & kExecute) != 0][(characteristics & kRead) != 0][(characteristics & kWrite) != 0];
  if (characteristics & IMAGE_SCN_MEM_NOT_CACHED) protection |= PAGE_NOCACHE;
  return protection;
}

MEMORY_BASIC_INFORMATION Query(const void* address) {
  MEMORY_BASIC_INFORMATION info{};
  VirtualQuery(address, &info, sizeof info);
  return info;
}

TEST(Sections, ProtectionFollowsExecuteReadWriteAndNotCached) {
  using memory_module::SectionProtection;
  EXPECT_EQ(SectionProtection(0), static_cast<DWORD>(PAGE_NOACCESS));
  EXPECT_EQ(SectionProtection(kWrite), static_cast<DWORD>(PAGE_WRITECOPY));
  EXPECT_EQ(SectionProtection(kRead), static_cast<DWORD>(PAGE_READONLY));
  EXPECT_EQ(SectionProtection(kRead | kWrite), static_cast<DWORD>(PAGE_READWRITE));
  EXPECT_EQ(SectionProtection(kExecute), static_cast<DWORD>(PAGE_EXECUTE));
  EXPECT_EQ(SectionProtection(kExecute | kWrite), static_cast<DWORD>(PAGE_EXECUTE_WRITECOPY));
  EXPECT_EQ(SectionProtection(kExecute | kRead), static_cast<DWORD>(PAGE_EXECUTE_READ));
  EXPECT_EQ(SectionProtection(kExecute | kRead | kWrite), static_cast<DWORD>(PAGE_EXECUTE_READWRITE));
  EXPECT_EQ(SectionProtection(kRead | kWrite | IMAGE_SCN_MEM_NOT_CACHED),
            static_cast<DWORD>(PAGE_READWRITE | PAGE_NOCACHE));
  EXPECT_EQ(SectionProtection(kExecute | kRead | IMAGE_SCN_MEM_NOT_CACHED),
            static_cast<DWORD>(PAGE_EXECUTE_READ | PAGE_NOCACHE));
  // Bits other than the three access bits and not-cached play no part.
  EXPECT_EQ(SectionProtection(kRead | IMAGE_SCN_CNT_INITIALIZED_DATA | IMAGE_SCN_MEM_SHARED),
            static_cast<DWORD>(PAGE_READONLY));
}

TEST(Sections, SectionWithoutRawDataGetsZeroedWritableMemory) {
  const Bytes file = loader_test::ReadLibrary("loader_bss.dll");
  const std::optional<IMAGE_SECTION_HEADER> bss = pe_file::SectionNamed(file, ".bss");
  ASSERT_TRUE(bss);
  ASSERT_EQ(bss->SizeOfRawData, 0u);
  ASSERT_TRUE(bss->Characteristics & IMAGE_SCN_CNT_UNINITIALIZED_DATA);
  const DWORD alignment = pe_file::NtHeaders(file).OptionalHeader.SectionAlignment;

  MemoryModulePtr module(MemoryModuleLoad(file.data(), file.size()));
  ASSERT_NE(module, nullptr) << GetLastError();
  const unsigned char* section = module->codeBase + bss->VirtualAddress;
  EXPECT_EQ(Query(section).State, static_cast<DWORD>(MEM_COMMIT));
  EXPECT_EQ(Query(section).Protect, static_cast<DWORD>(PAGE_READWRITE));
  for (DWORD i = 0; i < alignment; ++i) ASSERT_EQ(section[i], 0) << i;

  // The library's own zero-initialised array lies there and is usable through its whole length.
  const auto address = loader_test::ExportOf<unsigned char* (*)()>(module.get(), "bss_address")();
  EXPECT_GE(address, section);
  EXPECT_LT(address, section + alignment);
  const auto sum = loader_test::ExportOf<unsigned (*)()>(module.get(), "bss_sum");
  const auto fill = loader_test::ExportOf<void (*)(unsigned char)>(module.get(), "bss_fill");
  EXPECT_EQ(sum(), 0u);
  fill(1);
  EXPECT_EQ(sum(), 4096u * 3 + 100);
  // In a 32-bit process the mapped section header records where the section went; a 64-bit
  // address does not fit there, and the header keeps the file's VirtualSize.
  const auto* headers = reinterpret_cast<const IMAGE_SECTION_HEADER*>(
      reinterpret_cast<const unsigned char*>(&module->headers->OptionalHeader) +
      module->headers->FileHeader.SizeOfOptionalHeader);
  const uintptr_t expected = loader_test::kIs64Bit ? bss->Misc.VirtualSize : reinterpret_cast<uintptr_t>(section);
  bool recorded = false;
  for (unsigned i = 0; i < module->headers->FileHeader.NumberOfSections; ++i)
    if (headers[i].VirtualAddress == bss->VirtualAddress) recorded = headers[i].Misc.PhysicalAddress == expected;
  EXPECT_TRUE(recorded);
}

TEST(Sections, EachSectionOfARealLibraryGetsItsProtectionOrIsDiscarded) {
  const Bytes file = loader_test::ReadLibrary("loader_realworld.dll");
  MemoryModulePtr module(MemoryModuleLoad(file.data(), file.size()));
  ASSERT_NE(module, nullptr) << GetLastError();
  int discarded = 0, protectedSections = 0;
  for (const IMAGE_SECTION_HEADER& section : pe_file::Sections(file)) {
    SCOPED_TRACE(std::string(reinterpret_cast<const char*>(section.Name), 8).c_str());
    const MEMORY_BASIC_INFORMATION info = Query(module->codeBase + section.VirtualAddress);
    if (section.Characteristics & IMAGE_SCN_MEM_DISCARDABLE) {
      EXPECT_EQ(info.State, static_cast<DWORD>(MEM_RESERVE));
      ++discarded;
    } else {
      EXPECT_EQ(info.State, static_cast<DWORD>(MEM_COMMIT));
      EXPECT_EQ(info.Protect, loader_test::ProtectionAfterRequest(Wanted(section.Characteristics)));
      ++protectedSections;
    }
  }
  EXPECT_GE(discarded, 1);  // the relocations
  EXPECT_GE(protectedSections, 3);
}

class SectionCharacteristics : public testing::TestWithParam<DWORD> {};

// The data section of the relocation test library (nothing in it runs while loading) is given
// each combination of characteristics in turn.
TEST_P(SectionCharacteristics, DecideTheSectionsProtection) {
  Bytes file = loader_test::ReadLibrary("loader_reloc.dll");
  const size_t header = pe_file::SectionHeaderOffset(file, ".data");
  const auto data = pe_file::Get<IMAGE_SECTION_HEADER>(file, header);
  ASSERT_NE(data.SizeOfRawData, 0u);
  const DWORD characteristics = IMAGE_SCN_CNT_INITIALIZED_DATA | GetParam();
  pe_file::Put<DWORD>(file, header + offsetof(IMAGE_SECTION_HEADER, Characteristics), characteristics);

  MemoryModulePtr module(MemoryModuleLoad(file.data(), file.size()));
  ASSERT_NE(module, nullptr) << GetLastError();
  const MEMORY_BASIC_INFORMATION info = Query(module->codeBase + data.VirtualAddress);
  if (characteristics & IMAGE_SCN_MEM_DISCARDABLE) {
    EXPECT_EQ(info.State, static_cast<DWORD>(MEM_RESERVE));
  } else {
    EXPECT_EQ(info.State, static_cast<DWORD>(MEM_COMMIT));
    EXPECT_EQ(info.Protect, loader_test::ProtectionAfterRequest(Wanted(characteristics))) << std::hex << info.Protect;
  }
}

std::vector<DWORD> AllCharacteristics() {
  std::vector<DWORD> all;
  for (DWORD access = 0; access < 8; ++access) {
    const DWORD bits = ((access & 4) ? kExecute : 0) | ((access & 2) ? kRead : 0) | ((access & 1) ? kWrite : 0);
    all.push_back(bits);
    all.push_back(bits | IMAGE_SCN_MEM_NOT_CACHED);
  }
  all.push_back(kRead | kWrite | IMAGE_SCN_MEM_DISCARDABLE);
  all.push_back(kRead | IMAGE_SCN_MEM_DISCARDABLE | IMAGE_SCN_MEM_NOT_CACHED);
  return all;
}

INSTANTIATE_TEST_SUITE_P(AllCombinations, SectionCharacteristics, testing::ValuesIn(AllCharacteristics()),
                         [](const testing::TestParamInfo<DWORD>& info) {
                           char name[16];
                           wsprintfA(name, "bits_%08lX", static_cast<unsigned long>(info.param));
                           return std::string(name);
                         });

}  // namespace
