// The loader takes images of the process's own architecture only. A small image is built here in
// both formats from the same description: the one of the process's architecture loads, the other
// is refused with ERROR_BAD_EXE_FORMAT and leaves nothing behind.
#include <gtest/gtest.h>

#include "loader_support.h"

namespace {

using pe_file::Bytes;

constexpr uint32_t kCodeRva = 0x1000;
constexpr uint32_t kFileAlignment = 0x200;
constexpr uint32_t kSizeOfImage = 0x2000;
constexpr uintptr_t kImageBase = 0x20000000;

// A DLL image without imports, relocations or entry point whose one section holds a `ret`.
template <typename NtHeaders>
Bytes SmallImage(WORD machine, WORD magic) {
  Bytes image(2 * kFileAlignment, 0);
  IMAGE_DOS_HEADER dos{};
  dos.e_magic = IMAGE_DOS_SIGNATURE;
  dos.e_lfanew = sizeof dos;
  pe_file::Put(image, 0, dos);

  NtHeaders nt{};
  nt.Signature = IMAGE_NT_SIGNATURE;
  nt.FileHeader.Machine = machine;
  nt.FileHeader.NumberOfSections = 1;
  nt.FileHeader.SizeOfOptionalHeader = sizeof nt.OptionalHeader;
  nt.FileHeader.Characteristics = IMAGE_FILE_EXECUTABLE_IMAGE | IMAGE_FILE_DLL;
  nt.OptionalHeader.Magic = magic;
  nt.OptionalHeader.ImageBase = kImageBase;
  nt.OptionalHeader.SectionAlignment = kCodeRva;
  nt.OptionalHeader.FileAlignment = kFileAlignment;
  nt.OptionalHeader.SizeOfImage = kSizeOfImage;
  nt.OptionalHeader.SizeOfHeaders = kFileAlignment;
  nt.OptionalHeader.SizeOfCode = kFileAlignment;
  nt.OptionalHeader.Subsystem = IMAGE_SUBSYSTEM_WINDOWS_GUI;
  nt.OptionalHeader.NumberOfRvaAndSizes = IMAGE_NUMBEROF_DIRECTORY_ENTRIES;
  pe_file::Put(image, sizeof dos, nt);

  IMAGE_SECTION_HEADER text{};
  std::memcpy(text.Name, ".text", 5);
  text.Misc.VirtualSize = 1;
  text.VirtualAddress = kCodeRva;
  text.SizeOfRawData = kFileAlignment;
  text.PointerToRawData = kFileAlignment;
  text.Characteristics = IMAGE_SCN_CNT_CODE | IMAGE_SCN_MEM_EXECUTE | IMAGE_SCN_MEM_READ;
  pe_file::Put(image, sizeof dos + sizeof nt, text);
  image[kFileAlignment] = 0xC3;
  return image;
}

Bytes Pe32Image() { return SmallImage<IMAGE_NT_HEADERS32>(IMAGE_FILE_MACHINE_I386, IMAGE_NT_OPTIONAL_HDR32_MAGIC); }
Bytes Pe32PlusImage() {
  return SmallImage<IMAGE_NT_HEADERS64>(IMAGE_FILE_MACHINE_AMD64, IMAGE_NT_OPTIONAL_HDR64_MAGIC);
}
Bytes NativeImage() { return loader_test::kIs64Bit ? Pe32PlusImage() : Pe32Image(); }
Bytes ForeignImage() { return loader_test::kIs64Bit ? Pe32Image() : Pe32PlusImage(); }

TEST(Architecture, SmallImageOfTheProcessArchitectureLoads) {
  const Bytes image = NativeImage();
  MemoryModulePtr module(MemoryModuleLoad(image.data(), image.size()));
  ASSERT_NE(module, nullptr) << GetLastError();
  EXPECT_EQ(module->codeBase[kCodeRva], 0xC3);
  EXPECT_EQ(module->imageSize, kSizeOfImage);
}

TEST(Architecture, SmallImageOfTheOtherArchitectureIsRefused) {
  const Bytes image = ForeignImage();
  ASSERT_TRUE(loader_test::Reservable(kImageBase, kSizeOfImage));
  SetLastError(0);
  MemoryModule* module = MemoryModuleLoad(image.data(), image.size());
  const DWORD error = GetLastError();
  EXPECT_EQ(module, nullptr);
  MemoryModuleFree(module);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
  EXPECT_TRUE(loader_test::Reservable(kImageBase, kSizeOfImage));
}

// The other architecture's headers patched to claim the process's machine, or the other way
// round: each mix of machine and optional header format is refused.
TEST(Architecture, MixedMachineAndFormatAreRefused) {
  const size_t machine = sizeof(IMAGE_DOS_HEADER) + offsetof(IMAGE_NT_HEADERS, FileHeader.Machine);
  Bytes foreignFormat = ForeignImage();
  pe_file::Put<WORD>(foreignFormat, machine, loader_test::kNativeMachine);
  Bytes foreignMachine = NativeImage();
  pe_file::Put<WORD>(foreignMachine, machine, loader_test::kForeignMachine);
  for (const Bytes* image : {&foreignFormat, &foreignMachine}) {
    SetLastError(0);
    MemoryModule* module = MemoryModuleLoad(image->data(), image->size());
    const DWORD error = GetLastError();
    EXPECT_EQ(module, nullptr);
    MemoryModuleFree(module);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
  }
}

}  // namespace
