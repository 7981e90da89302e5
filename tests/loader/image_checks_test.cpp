// Images that are not loadable images of the test program's architecture, or whose headers, sections, relocations or imports
// point outside the image, are refused with ERROR_BAD_EXE_FORMAT and leave nothing behind.
#include <gtest/gtest.h>

#include <functional>

#include "loader_support.h"

namespace {

using loader_test::CallbackLog;
using pe_file::Bytes;
using pe_file::Get;
using pe_file::Put;

constexpr uintptr_t kUserBase = LOADER_ORDINAL_USER_BASE;

struct Patch {
  const char* what;
  std::function<void(Bytes&)> apply;
};

// Loads the patched image and expects a clean refusal: the error, every library it loaded
// released once, and its preferred base free again.
void ExpectRefused(const Bytes& image, DWORD error, DWORD sizeOfImage) {
  CallbackLog log;
  SetLastError(0);
  MemoryModule* module = loader_test::LoadLogged(image, log);
  const DWORD lastError = GetLastError();
  EXPECT_EQ(module, nullptr);
  MemoryModuleFree(module);
  EXPECT_EQ(lastError, error);
  EXPECT_EQ(log.freed, log.loaded);
  EXPECT_TRUE(loader_test::Reservable(kUserBase, sizeOfImage));
}

void ExpectAllRefused(const std::vector<Patch>& patches, DWORD error = ERROR_BAD_EXE_FORMAT) {
  const Bytes original = loader_test::ReadLibrary("loader_ordinal_user.dll");
  for (const Patch& patch : patches) {
    SCOPED_TRACE(patch.what);
    Bytes image = original;
    patch.apply(image);
    ExpectRefused(image, error, pe_file::NtHeaders(original).OptionalHeader.SizeOfImage);
  }
}

size_t Optional(const Bytes& image, size_t field) { return pe_file::OptionalFieldOffset(image, field); }

TEST(ImageChecks, LoadsTheUnchangedImageAndOneWithBytesAfterIt) {
  Bytes image = loader_test::ReadLibrary("loader_ordinal_user.dll");
  ASSERT_TRUE(loader_test::Reservable(kUserBase, 0x10000)) << "the test library's preferred base is taken";
  MemoryModulePtr module(MemoryModuleLoad(image.data(), image.size()));
  ASSERT_NE(module, nullptr) << GetLastError();
  EXPECT_EQ(loader_test::ExportOf<int (*)(int, int)>(module.get(), "user_combine")(3, 4), 712);
  module.reset();

  // Start-up hands over the package entry followed by 4 zero bytes.
  image.insert(image.end(), 4, 0);
  module.reset(MemoryModuleLoad(image.data(), image.size()));
  ASSERT_NE(module, nullptr) << GetLastError();
  EXPECT_EQ(loader_test::ExportOf<int (*)(int, int)>(module.get(), "user_combine")(3, 4), 712);
}

size_t MachineOffset(const Bytes& image) {
  return pe_file::NtOffset(image) + offsetof(IMAGE_NT_HEADERS, FileHeader.Machine);
}

TEST(ImageChecks, RefusesWhatIsNotAnImageOfTheProcessArchitecture) {
  {
    const Bytes image = loader_test::ReadLibrary("loader_ordinal_user.dll");
    ASSERT_EQ(Get<WORD>(image, MachineOffset(image)), loader_test::kNativeMachine);
    ASSERT_EQ(Get<WORD>(image, Optional(image, 0)), loader_test::kNativeMagic);
  }
  ExpectAllRefused({
      {"no MZ", [](Bytes& image) { image[0] = 'Z'; }},
      {"no PE signature", [](Bytes& image) { image[pe_file::NtOffset(image) + 2] = 'X'; }},
      {"optional header of the other format",
       [](Bytes& image) { Put<WORD>(image, Optional(image, 0), loader_test::kForeignMagic); }},
      {"machine of the other architecture",
       [](Bytes& image) { Put<WORD>(image, MachineOffset(image), loader_test::kForeignMachine); }},
      {"both of the other architecture",
       [](Bytes& image) {
         Put<WORD>(image, Optional(image, 0), loader_test::kForeignMagic);
         Put<WORD>(image, MachineOffset(image), loader_test::kForeignMachine);
       }},
      {"ARM machine", [](Bytes& image) { Put<WORD>(image, MachineOffset(image), IMAGE_FILE_MACHINE_ARMNT); }},
      {"ARM64 machine", [](Bytes& image) { Put<WORD>(image, MachineOffset(image), IMAGE_FILE_MACHINE_ARM64); }},
  });
}

TEST(ImageChecks, RefusesNothingAndTooLittle) {
  SetLastError(0);
  EXPECT_EQ(MemoryModuleLoad(nullptr, 4096), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
  const Bytes image = loader_test::ReadLibrary("loader_ordinal_user.dll");
  SetLastError(0);
  EXPECT_EQ(MemoryModuleLoad(image.data(), 0), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
}

TEST(ImageChecks, RefusesHeadersOutsideTheImage) {
  ExpectAllRefused({
      {"negative e_lfanew", [](Bytes& image) { Put<LONG>(image, offsetof(IMAGE_DOS_HEADER, e_lfanew), -8); }},
      {"e_lfanew past the end",
       [](Bytes& image) {
         Put<LONG>(image, offsetof(IMAGE_DOS_HEADER, e_lfanew), static_cast<LONG>(image.size()) - 8);
       }},
      {"SizeOfHeaders past the end",
       [](Bytes& image) {
         Put<DWORD>(image, Optional(image, offsetof(IMAGE_OPTIONAL_HEADER, SizeOfHeaders)),
                    static_cast<DWORD>(image.size()) + 1);
       }},
      {"SizeOfHeaders past SizeOfImage",
       [](Bytes& image) {
         const auto sizeOfImage = Get<DWORD>(image, Optional(image, offsetof(IMAGE_OPTIONAL_HEADER, SizeOfImage)));
         Put<DWORD>(image, Optional(image, offsetof(IMAGE_OPTIONAL_HEADER, SizeOfHeaders)), sizeOfImage + 0x200);
       }},
      {"SizeOfHeaders too small for the NT headers",
       [](Bytes& image) { Put<DWORD>(image, Optional(image, offsetof(IMAGE_OPTIONAL_HEADER, SizeOfHeaders)), 0x40); }},
      {"section table past the headers",
       [](Bytes& image) {
         Put<WORD>(image, pe_file::NtOffset(image) + offsetof(IMAGE_NT_HEADERS, FileHeader.NumberOfSections), 0xFFFF);
       }},
      {"optional header running past the headers",
       [](Bytes& image) {
         Put<WORD>(image, pe_file::NtOffset(image) + offsetof(IMAGE_NT_HEADERS, FileHeader.SizeOfOptionalHeader),
                   0xFFF0);
       }},
      {"entry point past the image",
       [](Bytes& image) {
         const auto sizeOfImage = Get<DWORD>(image, Optional(image, offsetof(IMAGE_OPTIONAL_HEADER, SizeOfImage)));
         Put<DWORD>(image, Optional(image, offsetof(IMAGE_OPTIONAL_HEADER, AddressOfEntryPoint)), sizeOfImage);
       }},
  });
}

TEST(ImageChecks, RefusesSectionsOutsideTheImage) {
  const auto text = [](const Bytes& image) { return pe_file::SectionHeaderOffset(image, ".text"); };
  ExpectAllRefused({
      {"raw data past the end of the file",
       [&](Bytes& image) {
         Put<DWORD>(image, text(image) + offsetof(IMAGE_SECTION_HEADER, PointerToRawData),
                    static_cast<DWORD>(image.size()) - 0x10);
       }},
      {"raw data offset wrapping around",
       [&](Bytes& image) {
         Put<DWORD>(image, text(image) + offsetof(IMAGE_SECTION_HEADER, PointerToRawData), 0xFFFFFF00);
       }},
      {"raw size past the end of the file",
       [&](Bytes& image) {
         Put<DWORD>(image, text(image) + offsetof(IMAGE_SECTION_HEADER, SizeOfRawData),
                    static_cast<DWORD>(image.size()));
       }},
      {"section placed past SizeOfImage",
       [&](Bytes& image) {
         const auto sizeOfImage = Get<DWORD>(image, Optional(image, offsetof(IMAGE_OPTIONAL_HEADER, SizeOfImage)));
         Put<DWORD>(image, text(image) + offsetof(IMAGE_SECTION_HEADER, VirtualAddress), sizeOfImage - 0x10);
       }},
      {"section without raw data whose SectionAlignment runs past SizeOfImage",
       [&](Bytes& image) {
         const auto sizeOfImage = Get<DWORD>(image, Optional(image, offsetof(IMAGE_OPTIONAL_HEADER, SizeOfImage)));
         Put<DWORD>(image, text(image) + offsetof(IMAGE_SECTION_HEADER, SizeOfRawData), 0);
         Put<DWORD>(image, text(image) + offsetof(IMAGE_SECTION_HEADER, VirtualAddress), sizeOfImage - 0x800);
       }},
  });
}

TEST(ImageChecks, RefusesImportsOutsideTheImage) {
  const auto firstDescriptor = [](const Bytes& image) { return pe_file::Imports(image).at(0).descriptorOffset; };
  const auto sizeOfImage = [](const Bytes& image) {
    return Get<DWORD>(image, Optional(image, offsetof(IMAGE_OPTIONAL_HEADER, SizeOfImage)));
  };
  ExpectAllRefused({
      {"import directory past the image",
       [&](Bytes& image) {
         Put<DWORD>(image, pe_file::DataDirectoryOffset(image, IMAGE_DIRECTORY_ENTRY_IMPORT), sizeOfImage(image) - 8);
       }},
      {"descriptors running off the end of the image",
       [&](Bytes& image) {
         // A directory of 8 bytes at the very end: its first descriptor would reach past the image.
         const size_t directory = pe_file::DataDirectoryOffset(image, IMAGE_DIRECTORY_ENTRY_IMPORT);
         Put<DWORD>(image, directory, sizeOfImage(image) - 8);
         Put<DWORD>(image, directory + 4, 8);
       }},
      {"library name past the image",
       [&](Bytes& image) {
         Put<DWORD>(image, firstDescriptor(image) + offsetof(IMAGE_IMPORT_DESCRIPTOR, Name), sizeOfImage(image));
       }},
      {"name thunks past the image",
       [&](Bytes& image) {
         Put<DWORD>(image, firstDescriptor(image) + offsetof(IMAGE_IMPORT_DESCRIPTOR, OriginalFirstThunk),
                    sizeOfImage(image) - 2);
       }},
      {"address thunks past the image",
       [&](Bytes& image) {
         Put<DWORD>(image, firstDescriptor(image) + offsetof(IMAGE_IMPORT_DESCRIPTOR, FirstThunk), 0xFFFFFFF0);
       }},
      {"function name past the image",
       [&](Bytes& image) {
         const pe_file::Import import = pe_file::Imports(image).at(0);
         const size_t thunks = *pe_file::FileOffset(image, import.descriptor.OriginalFirstThunk);
         for (size_t i = 0; i < import.thunks.size(); ++i)
           Put<uintptr_t>(image, thunks + sizeof(uintptr_t) * i, sizeOfImage(image) - 1);
       }},
  });
}

TEST(ImageChecks, RefusesAnImportNameThatRunsToTheEndOfTheImage) {
  // The last bytes of the image (the end of the last section) are made into text without a
  // terminator, and the first library name is pointed at them.
  Bytes image = loader_test::ReadLibrary("loader_ordinal_user.dll");
  const DWORD sizeOfImage = Get<DWORD>(image, Optional(image, offsetof(IMAGE_OPTIONAL_HEADER, SizeOfImage)));
  const IMAGE_SECTION_HEADER last = pe_file::Sections(image).back();
  ASSERT_LE(last.VirtualAddress + last.SizeOfRawData, sizeOfImage);
  // Stretch the last section's raw data to the end of the image, filled with letters.
  const DWORD stretched = sizeOfImage - last.VirtualAddress;
  image.resize(last.PointerToRawData + stretched, 'a');
  std::fill(image.begin() + last.PointerToRawData, image.end(), 'a');
  const size_t lastHeader = pe_file::SectionTableOffset(image) + (pe_file::Sections(image).size() - 1) * sizeof last;
  Put<DWORD>(image, lastHeader + offsetof(IMAGE_SECTION_HEADER, SizeOfRawData), stretched);
  // The stretched section is no longer the relocations the loader might walk: no relocations.
  Put<DWORD>(image, pe_file::DataDirectoryOffset(image, IMAGE_DIRECTORY_ENTRY_BASERELOC) + 4, 0);
  Put<DWORD>(image, pe_file::Imports(image).at(0).descriptorOffset + offsetof(IMAGE_IMPORT_DESCRIPTOR, Name),
             sizeOfImage - 16);
  ExpectRefused(image, ERROR_BAD_EXE_FORMAT, sizeOfImage);
}

TEST(ImageChecks, RefusesTruncatedImagesAndLoadsOnesThatKeepAllRawData) {
  const Bytes image = loader_test::ReadLibrary("loader_ordinal_user.dll");
  const size_t needed = pe_file::RawDataEnd(image);
  const size_t ntOffset = pe_file::NtOffset(image);
  for (size_t length : {size_t{0}, size_t{1}, size_t{63}, size_t{64}, ntOffset + 4, ntOffset + 100,
                        size_t{pe_file::NtHeaders(image).OptionalHeader.SizeOfHeaders}, needed / 2, needed - 1}) {
    SCOPED_TRACE(length);
    ExpectRefused(Bytes(image.begin(), image.begin() + static_cast<ptrdiff_t>(length)), ERROR_BAD_EXE_FORMAT,
                  pe_file::NtHeaders(image).OptionalHeader.SizeOfImage);
  }
  // Whatever follows the sections' raw data (a symbol table) is not needed.
  MemoryModulePtr module(MemoryModuleLoad(image.data(), needed));
  EXPECT_NE(module, nullptr) << GetLastError();
}

}  // namespace
