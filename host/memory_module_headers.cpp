#include "memory_module_headers.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "memory_module_record.h"

namespace memory_module {

bool ReadLayout(const unsigned char* image, size_t size, ImageLayout& layout) noexcept {
  if (!image || size < sizeof(IMAGE_DOS_HEADER)) return false;
  IMAGE_DOS_HEADER dos;
  std::memcpy(&dos, image, sizeof dos);
  if (dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew < 0) return false;
  layout.ntOffset = static_cast<uint32_t>(dos.e_lfanew);
  if (!Fits(layout.ntOffset, sizeof layout.nt, size)) return false;
  std::memcpy(&layout.nt, image + layout.ntOffset, sizeof layout.nt);

  const IMAGE_FILE_HEADER& file = layout.nt.FileHeader;
  const IMAGE_OPTIONAL_HEADER32& optional = layout.nt.OptionalHeader;
  if (layout.nt.Signature != IMAGE_NT_SIGNATURE || file.Machine != IMAGE_FILE_MACHINE_I386 ||
      optional.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC)
    return false;
  if (optional.SizeOfHeaders > size || optional.SizeOfHeaders > optional.SizeOfImage) return false;

  // The header copy has always taken e_lfanew bytes more than SizeOfHeaders; those belong to the
  // first section and are overwritten by it. The copy stops at the end of the image.
  const uint64_t copy = uint64_t{layout.ntOffset} + optional.SizeOfHeaders;
  layout.headerCopySize = static_cast<uint32_t>(std::min<uint64_t>({copy, size, optional.SizeOfImage}));
  if (!Fits(layout.ntOffset, sizeof layout.nt, layout.headerCopySize)) return false;

  layout.sectionTableOffset =
      layout.ntOffset + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) + file.SizeOfOptionalHeader;
  layout.sectionCount = file.NumberOfSections;
  if (!Fits(layout.sectionTableOffset, uint64_t{layout.sectionCount} * sizeof(IMAGE_SECTION_HEADER),
            layout.headerCopySize))
    return false;

  for (uint32_t i = 0; i < layout.sectionCount; ++i) {
    const IMAGE_SECTION_HEADER section = SectionHeader(image, layout, i);
    if (section.SizeOfRawData != 0) {
      if (!Fits(section.PointerToRawData, section.SizeOfRawData, size) ||
          !Fits(section.VirtualAddress, section.SizeOfRawData, optional.SizeOfImage))
        return false;
    } else if (optional.SectionAlignment != 0 &&
               !Fits(section.VirtualAddress, optional.SectionAlignment, optional.SizeOfImage)) {
      return false;
    }
  }
  return optional.AddressOfEntryPoint < optional.SizeOfImage;
}

IMAGE_SECTION_HEADER SectionHeader(const unsigned char* image, const ImageLayout& layout, uint32_t index) noexcept {
  IMAGE_SECTION_HEADER section;
  std::memcpy(&section, image + layout.sectionTableOffset + index * sizeof section, sizeof section);
  return section;
}

bool SectionIsMapped(const IMAGE_SECTION_HEADER& section, const ImageLayout& layout) noexcept {
  return section.SizeOfRawData != 0 || layout.nt.OptionalHeader.SectionAlignment != 0;
}

}  // namespace memory_module
