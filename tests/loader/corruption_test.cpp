// Thousands of damaged copies of a valid image of the test program's architecture (PE32 in the
// 32-bit build, PE32+ in the 64-bit one): bytes changed in the headers, the section table, the
// relocations, the imports and (PE32+) the exception directory, and the image cut short. Each
// must load or be refused cleanly; none may crash or hang the loader, and nothing may be left
// behind.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <random>

#include "loader_support.h"

namespace {

using pe_file::Bytes;

constexpr int kImagesPerKind = 2000;

// Libraries are only handed out when the process has them already (the test loads them first),
// so a damaged name never makes the system load some other library; loads and frees are counted.
struct Libraries {
  int loads = 0;
  int frees = 0;
};

void* PresentLibrary(const char* name, void* userData) {
  HMODULE library = GetModuleHandleA(name);
  if (library) ++static_cast<Libraries*>(userData)->loads;
  return library;
}

void* Procedure(void* library, const char* name, void*) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void Release(void*, void* userData) { ++static_cast<Libraries*>(userData)->frees; }

struct Tally {
  int loaded = 0;
  std::map<DWORD, int> refused;  // by last error
  int Refused() const {
    int total = 0;
    for (const auto& [error, count] : refused) total += count;
    return total;
  }
};

struct Range {
  size_t begin;
  size_t end;
};

class Mutator {
 public:
  Mutator(const Bytes& original, uint32_t seed) : original_(original), random_(seed) {}

  // A copy with one to four changes inside `range`: a random byte, a flipped bit, or a 16-, 32-
  // or (in the 64-bit build) 64-bit field set to a value that sits on some edge (0, all ones,
  // sizes of the image, the ordinal flag).
  Bytes Damage(Range range) {
    Bytes image = original_;
    const uint32_t sizeOfImage = pe_file::NtHeaders(original_).OptionalHeader.SizeOfImage;
    const uint32_t edges32[] = {0,
                                1,
                                8,
                                0x1000,
                                0xFFFF,
                                0x7FFFFFFF,
                                0x80000000,
                                0xFFFFFFFF,
                                static_cast<uint32_t>(image.size()),
                                static_cast<uint32_t>(image.size()) - 1,
                                sizeOfImage,
                                sizeOfImage - 1,
                                sizeOfImage - 4,
                                sizeOfImage - 8};
    const uint16_t edges16[] = {0, 1, 8, 0x7FFF, 0x8000, 0xFFFF, 0x3000};
    const uint64_t edges64[] = {0,
                                1,
                                UINT64_MAX,
                                0x8000000000000000ull,
                                0x7FFFFFFFFFFFFFFFull,
                                0x100000000ull,
                                0xFFFFFFFF00000000ull,
                                sizeOfImage,
                                0x8000000000000000ull | 0xFFFF};
    const int changes = Pick(1, 4);
    for (int i = 0; i < changes; ++i) {
      const size_t at = static_cast<size_t>(Pick(static_cast<int>(range.begin), static_cast<int>(range.end) - 1));
      switch (Pick(0, loader_test::kIs64Bit ? 4 : 3)) {
        case 0: image[at] = static_cast<unsigned char>(Pick(0, 255)); break;
        case 1: image[at] ^= static_cast<unsigned char>(1u << Pick(0, 7)); break;
        case 2:
          if (at + 4 <= image.size()) pe_file::Put<uint32_t>(image, at, edges32[Pick(0, std::size(edges32) - 1)]);
          break;
        case 3:
          if (at + 2 <= image.size()) pe_file::Put<uint16_t>(image, at, edges16[Pick(0, std::size(edges16) - 1)]);
          break;
        default:
          if (at + 8 <= image.size()) pe_file::Put<uint64_t>(image, at, edges64[Pick(0, std::size(edges64) - 1)]);
          break;
      }
    }
    // The loader cannot judge code: an entry point or TLS callback moved into damaged bytes would
    // run them, which is the image's doing, not the loader's. The entry stays 0 and the TLS
    // directory absent so that only loading is tested. The loader reads both from wherever the
    // (maybe changed) e_lfanew points.
    const auto ntOffset = pe_file::Get<LONG>(image, offsetof(IMAGE_DOS_HEADER, e_lfanew));
    const uint64_t nt = uint64_t(uint32_t(ntOffset));
    const uint64_t entry = nt + offsetof(IMAGE_NT_HEADERS, OptionalHeader.AddressOfEntryPoint);
    if (ntOffset >= 0 && entry + 4 <= image.size()) pe_file::Put<DWORD>(image, static_cast<size_t>(entry), 0);
    const uint64_t tls = nt + offsetof(IMAGE_NT_HEADERS, OptionalHeader.DataDirectory) +
                         IMAGE_DIRECTORY_ENTRY_TLS * sizeof(IMAGE_DATA_DIRECTORY);
    if (ntOffset >= 0 && tls + sizeof(IMAGE_DATA_DIRECTORY) <= image.size())
      pe_file::Put<IMAGE_DATA_DIRECTORY>(image, static_cast<size_t>(tls), IMAGE_DATA_DIRECTORY{});
    return image;
  }

  Bytes Truncate() {
    return Bytes(original_.begin(), original_.begin() + Pick(0, static_cast<int>(original_.size()) - 1));
  }

 private:
  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  const Bytes& original_;
  std::mt19937 random_;
};

// Bytes of the address space reserved or committed, counted region by region. (The available
// address space GlobalMemoryStatusEx reports moves by a megabyte or more under 64-bit Wine while
// no region changes.)
uint64_t UsedAddressSpace() {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  const auto end = reinterpret_cast<uintptr_t>(system.lpMaximumApplicationAddress);
  uint64_t used = 0;
  MEMORY_BASIC_INFORMATION region;
  for (uintptr_t at = reinterpret_cast<uintptr_t>(system.lpMinimumApplicationAddress);
       at < end && VirtualQuery(reinterpret_cast<void*>(at), &region, sizeof region);
       at = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize) {
    if (region.State != MEM_FREE) used += region.RegionSize;
  }
  return used;
}

Range SectionRawData(const Bytes& image, uint32_t rva) {
  for (const IMAGE_SECTION_HEADER& section : pe_file::Sections(image))
    if (rva >= section.VirtualAddress && rva - section.VirtualAddress < section.SizeOfRawData)
      return {section.PointerToRawData, section.PointerToRawData + section.SizeOfRawData};
  throw std::runtime_error("no section holds the rva");
}

TEST(Corruption, DamagedImagesLoadOrFailCleanly) {
  const Bytes original = loader_test::ReadLibrary("loader_ordinal_user.dll");
  // The libraries it imports are in the process beforehand; its preferred base is taken so that
  // the relocations are applied.
  const loader_test::Occupied preferred(LOADER_ORDINAL_USER_BASE);
  ASSERT_TRUE(preferred.held());
  ASSERT_NE(LoadLibraryA("loader_provider.dll"), nullptr);
  ASSERT_NE(LoadLibraryA("loader_probe.dll"), nullptr);

  const IMAGE_OPTIONAL_HEADER optional = pe_file::NtHeaders(original).OptionalHeader;
  ASSERT_EQ(pe_file::NtHeaders(original).FileHeader.Machine, loader_test::kNativeMachine);
  ASSERT_EQ(optional.Magic, loader_test::kNativeMagic);
  ASSERT_EQ(optional.DataDirectory[IMAGE_DIRECTORY_ENTRY_TLS].Size, 0u) << "the image runs no TLS callbacks";
  const IMAGE_DATA_DIRECTORY relocations = optional.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC];
  const size_t relocationStart = *pe_file::FileOffset(original, relocations.VirtualAddress);
  const size_t sectionTable = pe_file::SectionTableOffset(original);
  std::vector<std::pair<const char*, Range>> kinds = {
      {"headers", {0, sectionTable}},
      {"section table",
       {sectionTable, sectionTable + pe_file::Sections(original).size() * sizeof(IMAGE_SECTION_HEADER)}},
      {"relocations", {relocationStart, relocationStart + relocations.Size}},
      {"imports", SectionRawData(original, optional.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress)},
  };
  if (loader_test::kIs64Bit) {
    const IMAGE_DATA_DIRECTORY exceptions = optional.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXCEPTION];
    ASSERT_NE(exceptions.Size, 0u);
    const size_t exceptionStart = *pe_file::FileOffset(original, exceptions.VirtualAddress);
    kinds.push_back({"exceptions", {exceptionStart, exceptionStart + exceptions.Size}});
  }

  Mutator mutator(original, 20261208);
  Libraries libraries;
  const uint64_t usedBefore = UsedAddressSpace();
  const auto started = std::chrono::steady_clock::now();

  const auto attempt = [&](const Bytes& image, Tally& tally) {
    SetLastError(0);
    MemoryModule* module =
        MemoryModuleLoadWithCallbacks(image.data(), image.size(), PresentLibrary, Procedure, Release, &libraries);
    if (!module) {
      ++tally.refused[GetLastError()];
      return;
    }
    ++tally.loaded;
    // Lookups walk the (possibly damaged) export tables; nothing found is called.
    MemoryModuleGetExport(module, "user_combine");
    MemoryModuleGetExport(module, "USER_REPORT");
    MemoryModuleGetExport(module, "not_there");
    MemoryModuleFree(module);
  };

  std::vector<std::pair<std::string, Tally>> tallies;
  for (const auto& [kind, range] : kinds) {
    Tally tally;
    for (int i = 0; i < kImagesPerKind; ++i) attempt(mutator.Damage(range), tally);
    tallies.emplace_back(kind, tally);
  }
  Tally truncated;
  for (int i = 0; i < kImagesPerKind; ++i) attempt(mutator.Truncate(), truncated);
  tallies.emplace_back("truncated", truncated);

  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  int loaded = 0, refused = 0;
  for (const auto& [kind, tally] : tallies) {
    std::string errors;
    for (const auto& [error, count] : tally.refused) {
      char entry[32];
      std::snprintf(entry, sizeof entry, " %lu:%d", static_cast<unsigned long>(error), count);
      errors += entry;
    }
    std::printf("[ corrupt  ] %-13s %d images: %d loaded, %d refused (by error%s)\n", kind.c_str(), kImagesPerKind,
                tally.loaded, tally.Refused(), errors.c_str());
    EXPECT_EQ(tally.loaded + tally.Refused(), kImagesPerKind) << kind;
    EXPECT_GT(tally.Refused(), 0) << kind << ": the damage never made the loader refuse";
    for (const auto& [error, count] : tally.refused) {
      EXPECT_TRUE(error == ERROR_BAD_EXE_FORMAT || error == ERROR_OUTOFMEMORY || error == ERROR_MOD_NOT_FOUND ||
                  error == ERROR_PROC_NOT_FOUND)
          << kind << ": unexpected last error " << error;
    }
    loaded += tally.loaded;
    refused += tally.Refused();
  }
  std::printf("[ corrupt  ] total %d images: %d loaded, %d refused, %.2f s\n", loaded + refused, loaded, refused,
              seconds);
  RecordProperty("loaded", loaded);
  RecordProperty("refused", refused);

  EXPECT_EQ(libraries.frees, libraries.loads);
  // Each leaked image would hold at least SizeOfImage of address space.
  const uint64_t usedAfter = UsedAddressSpace();
  EXPECT_LE(usedAfter, usedBefore + 8 * optional.SizeOfImage);
}

}  // namespace
