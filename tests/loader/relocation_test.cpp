// An image loaded at its preferred base is used as it is; one loaded elsewhere has every site of
// an address relocation (HIGHLOW in a PE32 image, DIR64 in a PE32+ image) shifted by the
// distance and everything else left as the file has it.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "loader_support.h"

namespace {

using loader_test::kAddressRelocation;
using pe_file::Bytes;

constexpr uintptr_t kRelocBase = LOADER_RELOC_BASE;

struct RelocLibrary {
  int (*value)();
  void (*add)(int);
  int* const* counterAddress;
  const char* const* names;
  int (*const* function)();
  const uintptr_t* plain;
};

RelocLibrary Exports(MemoryModule* module) {
  using loader_test::ExportOf;
  return {ExportOf<int (*)()>(module, "reloc_counter_value"),     ExportOf<void (*)(int)>(module, "reloc_counter_add"),
          ExportOf<int* const*>(module, "reloc_counter_address"), ExportOf<const char* const*>(module, "reloc_names"),
          ExportOf<int (*const*)()>(module, "reloc_function"),    ExportOf<const uintptr_t*>(module, "reloc_plain")};
}

// Compares every loaded section that has raw data (and was not discarded) with the file: each
// relocation site of an address entry must hold the file's address plus `delta`, every other
// byte the file's byte.
void ExpectSectionsAsFilePlus(const MemoryModule& module, const Bytes& file, uintptr_t delta) {
  std::set<uint32_t> sites;
  for (const pe_file::Relocation& relocation : pe_file::Relocations(file))
    if (relocation.type == kAddressRelocation) sites.insert(relocation.site);
  ASSERT_FALSE(sites.empty());

  size_t compared = 0;
  for (const IMAGE_SECTION_HEADER& section : pe_file::Sections(file)) {
    if (section.SizeOfRawData == 0 || (section.Characteristics & IMAGE_SCN_MEM_DISCARDABLE)) continue;
    for (uint32_t offset = 0; offset < section.SizeOfRawData;) {
      const uint32_t rva = section.VirtualAddress + offset;
      const unsigned char* loaded = module.codeBase + rva;
      const size_t inFile = section.PointerToRawData + offset;
      if (sites.count(rva)) {
        uintptr_t word;
        std::memcpy(&word, loaded, sizeof word);
        ASSERT_EQ(word, pe_file::Get<uintptr_t>(file, inFile) + delta) << "relocation site at rva " << std::hex << rva;
        offset += sizeof word;
        compared += sizeof word;
      } else {
        ASSERT_EQ(*loaded, file[inFile]) << "byte at rva " << std::hex << rva;
        offset += 1;
        compared += 1;
      }
    }
  }
  EXPECT_GT(compared, 0u);
}

TEST(Relocation, ImageAtItsPreferredBaseIsNotRelocated) {
  const Bytes file = loader_test::ReadLibrary("loader_reloc.dll");
  ASSERT_EQ(pe_file::NtHeaders(file).OptionalHeader.ImageBase, kRelocBase);
  ASSERT_TRUE(loader_test::Reservable(kRelocBase, pe_file::NtHeaders(file).OptionalHeader.SizeOfImage));

  MemoryModulePtr module(MemoryModuleLoad(file.data(), file.size()));
  ASSERT_NE(module, nullptr) << GetLastError();
  ASSERT_EQ(reinterpret_cast<uintptr_t>(module->codeBase), kRelocBase);
  ExpectSectionsAsFilePlus(*module, file, 0);
  EXPECT_EQ(module->headers->OptionalHeader.ImageBase, kRelocBase);

  const RelocLibrary library = Exports(module.get());
  EXPECT_EQ(**library.counterAddress, 7);
  EXPECT_STREQ(library.names[0], "alpha");
}

TEST(Relocation, ImageElsewhereHasEveryAddressSiteShifted) {
  const Bytes file = loader_test::ReadLibrary("loader_reloc.dll");
  const loader_test::Occupied preferred(kRelocBase);
  ASSERT_TRUE(preferred.held());

  MemoryModulePtr module(MemoryModuleLoad(file.data(), file.size()));
  ASSERT_NE(module, nullptr) << GetLastError();
  const uintptr_t base = reinterpret_cast<uintptr_t>(module->codeBase);
  ASSERT_NE(base, kRelocBase);
  const uintptr_t delta = base - kRelocBase;
  if (loader_test::kIs64Bit) {
    // Both halves of the addresses change, so a relocation of only 32 bits would show.
    const uint64_t distance = delta;
    ASSERT_NE(static_cast<uint32_t>(distance), 0u);
    ASSERT_NE(distance >> 32, 0u);
  }
  ExpectSectionsAsFilePlus(*module, file, delta);
  EXPECT_EQ(module->headers->OptionalHeader.ImageBase, base);

  // The shifted addresses are the right ones: code and data agree on where the counter lives.
  const RelocLibrary library = Exports(module.get());
  EXPECT_EQ(**library.counterAddress, 7);
  library.add(5);
  EXPECT_EQ(library.value(), 12);
  EXPECT_EQ(**library.counterAddress, 12);
  EXPECT_EQ(*library.function, library.value);
  EXPECT_STREQ(library.names[0], "alpha");
  EXPECT_STREQ(library.names[1], "beta");
  EXPECT_EQ(library.names[2], nullptr);
  const auto inImage = [&](const void* p) {
    const uintptr_t at = reinterpret_cast<uintptr_t>(p);
    return at >= base && at < base + module->imageSize;
  };
  EXPECT_TRUE(inImage(*library.counterAddress));
  EXPECT_TRUE(inImage(library.names[0]));
  // Numbers that merely look like addresses have no relocation entry and stay as they were.
  EXPECT_EQ(library.plain[0], kRelocBase + 0x1000);
  EXPECT_EQ(library.plain[1], kRelocBase + 0x2000);
}

TEST(Relocation, EntriesOfOtherTypesAreSkipped) {
  Bytes file = loader_test::ReadLibrary("loader_reloc.dll");
  // Find the address entry for reloc_names[1] and give it another type. The 32-bit relocation
  // HIGHLOW must not be applied in a PE32+ image, nor DIR64 in a PE32 image.
  uint32_t namesRva = 0;
  for (const pe_file::Export& e : pe_file::Exports(file))
    if (e.name == "reloc_names") namesRva = e.functionRva;
  ASSERT_NE(namesRva, 0u);
  const uint32_t secondName = namesRva + sizeof(uintptr_t);
  const WORD otherWidth = loader_test::kIs64Bit ? IMAGE_REL_BASED_HIGHLOW : IMAGE_REL_BASED_DIR64;
  for (WORD otherType : {WORD{IMAGE_REL_BASED_ABSOLUTE}, WORD{IMAGE_REL_BASED_HIGH}, otherWidth}) {
    SCOPED_TRACE(otherType);
    Bytes patched = file;
    bool found = false;
    for (const pe_file::Relocation& relocation : pe_file::Relocations(patched)) {
      if (relocation.site != secondName) continue;
      ASSERT_EQ(relocation.type, kAddressRelocation);
      const auto entry = pe_file::Get<WORD>(patched, relocation.entryOffset);
      pe_file::Put<WORD>(patched, relocation.entryOffset, static_cast<WORD>((otherType << 12) | (entry & 0xFFF)));
      found = true;
    }
    ASSERT_TRUE(found);
    const uintptr_t unshifted = pe_file::Get<uintptr_t>(patched, *pe_file::FileOffset(patched, secondName));

    const loader_test::Occupied preferred(kRelocBase);
    MemoryModulePtr module(MemoryModuleLoad(patched.data(), patched.size()));
    ASSERT_NE(module, nullptr) << GetLastError();
    const uintptr_t delta = reinterpret_cast<uintptr_t>(module->codeBase) - kRelocBase;
    ASSERT_NE(delta, 0u);
    // A HIGHLOW applied by mistake would change the low half; the distance must show there.
    ASSERT_NE(static_cast<uint32_t>(delta), 0u);
    const auto names = loader_test::ExportOf<const uintptr_t*>(module.get(), "reloc_names");
    EXPECT_EQ(names[1], unshifted);
    EXPECT_STREQ(reinterpret_cast<const char*>(names[0]), "alpha");
  }
}

TEST(Relocation, RefusesRelocationsOutsideTheImage) {
  const Bytes file = loader_test::ReadLibrary("loader_reloc.dll");
  const size_t directory = pe_file::DataDirectoryOffset(file, IMAGE_DIRECTORY_ENTRY_BASERELOC);
  const auto relocationDirectory =
      pe_file::NtHeaders(file).OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC];
  const size_t firstBlock = *pe_file::FileOffset(file, relocationDirectory.VirtualAddress);
  const uint32_t sizeOfImage = pe_file::NtHeaders(file).OptionalHeader.SizeOfImage;

  struct Case {
    const char* what;
    size_t offset;
    uint32_t value;
  };
  const Case cases[] = {
      {"directory past the image", directory, sizeOfImage - 4},
      {"directory size past the image", directory + 4, sizeOfImage},
      {"block of size 0 (would never advance)", firstBlock + 4, 0},
      {"block smaller than its header", firstBlock + 4, 6},
      {"block running past the directory", firstBlock + 4, relocationDirectory.Size + 2},
      {"block whose sites lie past the image", firstBlock, sizeOfImage - 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes patched = file;
    pe_file::Put<uint32_t>(patched, c.offset, c.value);
    const loader_test::Occupied preferred(kRelocBase);
    SetLastError(0);
    MemoryModule* module = MemoryModuleLoad(patched.data(), patched.size());
    const DWORD error = GetLastError();
    EXPECT_EQ(module, nullptr);
    MemoryModuleFree(module);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
  }
}

TEST(Relocation, RefusesAnAddressSiteThatRunsPastTheImage) {
  // The first block is moved to the last page and its first entry made an address relocation
  // whose word starts inside the image but ends half an address past it.
  const Bytes file = loader_test::ReadLibrary("loader_reloc.dll");
  const auto directory = pe_file::NtHeaders(file).OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC];
  const size_t firstBlock = *pe_file::FileOffset(file, directory.VirtualAddress);
  const uint32_t sizeOfImage = pe_file::NtHeaders(file).OptionalHeader.SizeOfImage;
  Bytes patched = file;
  pe_file::Put<uint32_t>(patched, firstBlock, sizeOfImage - 0x1000);
  pe_file::Put<WORD>(patched, firstBlock + sizeof(IMAGE_BASE_RELOCATION),
                     static_cast<WORD>(kAddressRelocation << 12 | (0x1000 - sizeof(uintptr_t) / 2)));
  const loader_test::Occupied preferred(kRelocBase);
  SetLastError(0);
  MemoryModule* module = MemoryModuleLoad(patched.data(), patched.size());
  const DWORD error = GetLastError();
  EXPECT_EQ(module, nullptr);
  MemoryModuleFree(module);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
}

}  // namespace
