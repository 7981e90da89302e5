#pragma once
// Checks of an image's headers and section table against the image before anything is mapped.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace memory_module {

// What sets the images of one architecture apart. The loader takes only images of the process's
// own architecture: PE32 for i386 in a 32-bit process, PE32+ for x86-64 in a 64-bit one.
struct ImageFormat {
  WORD machine;
  WORD magic;
  WORD relocationType;   // the one base relocation type applied; all others are skipped
  uint64_t ordinalFlag;  // set in an import thunk that names its function by ordinal
};
inline constexpr ImageFormat kPe32{IMAGE_FILE_MACHINE_I386, IMAGE_NT_OPTIONAL_HDR32_MAGIC, IMAGE_REL_BASED_HIGHLOW,
                                   IMAGE_ORDINAL_FLAG32};
inline constexpr ImageFormat kPe32Plus{IMAGE_FILE_MACHINE_AMD64, IMAGE_NT_OPTIONAL_HDR64_MAGIC, IMAGE_REL_BASED_DIR64,
                                       IMAGE_ORDINAL_FLAG64};
inline constexpr bool kProcessIs64Bit = sizeof(void*) == 8;
inline constexpr ImageFormat kNativeFormat = kProcessIs64Bit ? kPe32Plus : kPe32;
using NativeNtHeaders = std::conditional_t<kProcessIs64Bit, IMAGE_NT_HEADERS64, IMAGE_NT_HEADERS32>;
using NativeTlsDirectory = std::conditional_t<kProcessIs64Bit, IMAGE_TLS_DIRECTORY64, IMAGE_TLS_DIRECTORY32>;
// Import address table slots, relocated words and the TLS directory's pointers are this wide.
using ImageAddress = uintptr_t;

// What loading takes from the headers, copied out of the caller's bytes once they were checked.
struct ImageLayout {
  uint32_t ntOffset = 0;  // e_lfanew
  uint64_t imageBase = 0;
  uint32_t sizeOfImage = 0;
  uint32_t sizeOfHeaders = 0;
  uint32_t sectionAlignment = 0;
  uint32_t entryPoint = 0;
  uint32_t sizeOfInitializedData = 0;
  uint32_t sizeOfUninitializedData = 0;
  IMAGE_DATA_DIRECTORY directories[IMAGE_NUMBEROF_DIRECTORY_ENTRIES]{};
  uint32_t sectionTableOffset = 0;
  uint32_t sectionCount = 0;
  uint32_t headerCopySize = 0;  // bytes copied to the start of the image memory
};

// False when the image is not one of the process's architecture (kNativeFormat) or any header,
// the section table or a section's raw data or place in the image lies outside the image.
bool ReadLayout(const unsigned char* image, size_t size, ImageLayout& layout) noexcept;

// Section `index` of a layout ReadLayout accepted.
IMAGE_SECTION_HEADER SectionHeader(const unsigned char* image, const ImageLayout& layout, uint32_t index) noexcept;

// True when the section gets memory of its own: its raw data, or one SectionAlignment of zeros.
bool SectionIsMapped(const IMAGE_SECTION_HEADER& section, const ImageLayout& layout) noexcept;

}  // namespace memory_module
