#include "memory_module_headers.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "memory_module_record.h"

namespace memory_module {
namespace {

void CopyOptionalHeader(const NativeNtHeaders& nt, ImageLayout& layout) noexcept {
  const auto& optional = nt.OptionalHeader;
  layout.imageBase = optional.ImageBase;
  layout.sizeOfImage = optional.SizeOfImage;
  layout.sizeOfHeaders = optional.SizeOfHeaders;
  layout.sectionAlignment = optional.SectionAlignment;
  layout.entryPoint = optional.AddressOfEntryPoint;
  layout.sizeOfInitializedData = optional.SizeOfInitializedData;
  layout.sizeOfUninitializedData = optional.SizeOfUninitializedData;
  std::copy(std::begin(optional.DataDirectory), std::end(optional.DataDirectory), layout.directories);
}

}  // namespace

bool ReadLayout(const unsigned char* image, size_t size, ImageLayout& layout) noexcept {
  if (!image || size < sizeof(IMAGE_DOS_HEADER)) return false;
  IMAGE_DOS_HEADER dos;
  std::memcpy(&dos, image, sizeof dos);
  if (dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew < 0) return false;
  layout.ntOffset = static_cast<uint32_t>(dos.e_lfanew);
  NativeNtHeaders nt;
  if (!Fits(layout.ntOffset, sizeof nt, size)) return false;
  std::memcpy(&nt, image + layout.ntOffset, sizeof nt);

  const IMAGE_FILE_HEADER& file = nt.FileHeader;
  if (nt.Signature != IMAGE_NT_SIGNATURE || file.Machine != kNativeFormat.machine ||
      nt.OptionalHeader.Magic != kNativeFormat.magic)
    return false;
  CopyOptionalHeader(nt, layout);
  if (layout.sizeOfHeaders > size || layout.sizeOfHeaders > layout.sizeOfImage) return false;

  // The header copy has always taken e_lfanew bytes more than SizeOfHeaders; those belong to the
  // first section and are overwritten by it. The copy stops at the end of the image.
  const uint64_t copy = uint64_t{layout.ntOffset} + layout.sizeOfHeaders;
  layout.headerCopySize = static_cast<uint32_t>(std::min<uint64_t>({copy, size, layout.sizeOfImage}));
  if (!Fits(layout.ntOffset, sizeof nt, layout.headerCopySize)) return false;

  layout.sectionTableOffset = layout.ntOffset + offsetof(NativeNtHeaders, OptionalHeader) + file.SizeOfOptionalHeader;
  layout.sectionCount = file.NumberOfSections;
  if (!Fits(layout.sectionTableOffset, uint64_t{layout.sectionCount} * sizeof(IMAGE_SECTION_HEADER),
            layout.headerCopySize))
    return false;

  for (uint32_t i = 0; i < layout.sectionCount; ++i) {
    const IMAGE_SECTION_HEADER section = SectionHeader(image, layout, i);
    if (section.SizeOfRawData != 0) {
      if (!Fits(section.PointerToRawData, section.SizeOfRawData, size) ||
          !Fits(section.VirtualAddress, section.SizeOfRawData, layout.sizeOfImage))
        return false;
    } else if (layout.sectionAlignment != 0 &&
               !Fits(section.VirtualAddress, layout.sectionAlignment, layout.sizeOfImage)) {
      return false;
    }
  }
  return layout.entryPoint < layout.sizeOfImage;
}

IMAGE_SECTION_HEADER SectionHeader(const unsigned char* image, const ImageLayout& layout, uint32_t index) noexcept {
  IMAGE_SECTION_HEADER section;
  std::memcpy(&section, image + layout.sectionTableOffset + index * sizeof section, sizeof section);
  return section;
}

bool SectionIsMapped(const IMAGE_SECTION_HEADER& section, const ImageLayout& layout) noexcept {
  return section.SizeOfRawData != 0 || layout.sectionAlignment != 0;
}

}  // namespace memory_module
