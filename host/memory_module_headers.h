#pragma once
// Checks of an image's headers and section table against the image before anything is mapped.
#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace memory_module {

// What loading takes from the headers, copied out of the caller's bytes once they were checked.
struct ImageLayout {
  uint32_t ntOffset = 0;  // e_lfanew
  IMAGE_NT_HEADERS32 nt{};
  uint32_t sectionTableOffset = 0;
  uint32_t sectionCount = 0;
  uint32_t headerCopySize = 0;  // bytes copied to the start of the image memory
};

// False when the image is not a PE32 image for i386 or any header, the section table or a
// section's raw data or place in the image lies outside the image.
bool ReadLayout(const unsigned char* image, size_t size, ImageLayout& layout) noexcept;

// Section `index` of a layout ReadLayout accepted.
IMAGE_SECTION_HEADER SectionHeader(const unsigned char* image, const ImageLayout& layout, uint32_t index) noexcept;

// True when the section gets memory of its own: its raw data, or one SectionAlignment of zeros.
bool SectionIsMapped(const IMAGE_SECTION_HEADER& section, const ImageLayout& layout) noexcept;

}  // namespace memory_module
