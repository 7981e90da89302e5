#include "memory_module_sections.h"

#include <cstddef>
#include <cstring>

namespace memory_module {
namespace {

// Indexed by executable * 4 + readable * 2 + writeable.
constexpr DWORD kProtection[8] = {
    PAGE_NOACCESS, PAGE_WRITECOPY,         PAGE_READONLY,     PAGE_READWRITE,
    PAGE_EXECUTE,  PAGE_EXECUTE_WRITECOPY, PAGE_EXECUTE_READ, PAGE_EXECUTE_READWRITE,
};

}  // namespace

DWORD SectionProtection(DWORD characteristics) noexcept {
  const unsigned index = ((characteristics & IMAGE_SCN_MEM_EXECUTE) ? 4 : 0) |
                         ((characteristics & IMAGE_SCN_MEM_READ) ? 2 : 0) |
                         ((characteristics & IMAGE_SCN_MEM_WRITE) ? 1 : 0);
  DWORD protection = kProtection[index];
  if (characteristics & IMAGE_SCN_MEM_NOT_CACHED) protection |= PAGE_NOCACHE;
  return protection;
}

void CopySections(MemoryModule& module, const unsigned char* image, const ImageLayout& layout) noexcept {
  // The whole image was committed read/write when it was reserved, so no section needs a commit
  // of its own; ReadLayout has checked every range used here.
  const DWORD alignment = layout.sectionAlignment;
  for (uint32_t i = 0; i < layout.sectionCount; ++i) {
    const IMAGE_SECTION_HEADER section = SectionHeader(image, layout, i);
    if (!SectionIsMapped(section, layout)) continue;
    unsigned char* const address = module.codeBase + section.VirtualAddress;
    if (section.SizeOfRawData == 0) std::memset(address, 0, alignment);
    else std::memcpy(address, image + section.PointerToRawData, section.SizeOfRawData);
    // A 64-bit address does not fit the 32-bit field, which then keeps the section's VirtualSize.
    if constexpr (!kProcessIs64Bit) {
      unsigned char* const mappedHeader =
          module.codeBase + layout.sectionTableOffset + i * sizeof(IMAGE_SECTION_HEADER);
      WriteU32(mappedHeader + offsetof(IMAGE_SECTION_HEADER, Misc.PhysicalAddress),
               static_cast<uint32_t>(reinterpret_cast<uintptr_t>(address)));
    }
  }
}

void FinalizeSections(MemoryModule& module, const unsigned char* image, const ImageLayout& layout) noexcept {
  // The section table is read from the caller's checked bytes, not from the mapped copy: an
  // earlier section's new protection may already cover the mapped headers, and the image's
  // relocations or imports may have written over them.
  for (uint32_t i = 0; i < layout.sectionCount; ++i) {
    const IMAGE_SECTION_HEADER section = SectionHeader(image, layout, i);
    // A section without raw data when SectionAlignment is 0 got no memory and has no address.
    if (!SectionIsMapped(section, layout)) continue;
    unsigned char* const address = module.codeBase + section.VirtualAddress;
    const DWORD characteristics = section.Characteristics;
    if (characteristics & IMAGE_SCN_MEM_DISCARDABLE) {
      // Size 0 would make VirtualFree decommit the whole region when the address is its base.
      if (section.SizeOfRawData != 0) VirtualFree(address, section.SizeOfRawData, MEM_DECOMMIT);
      continue;
    }
    DWORD size = section.SizeOfRawData;
    if (size == 0) {
      if (characteristics & IMAGE_SCN_CNT_INITIALIZED_DATA) size = layout.sizeOfInitializedData;
      else if (characteristics & IMAGE_SCN_CNT_UNINITIALIZED_DATA) size = layout.sizeOfUninitializedData;
    }
    if (size == 0) continue;
    // A failed change leaves the pages read/write and does not fail the load. The write-copy
    // protections always fail here: VirtualProtect takes them only for mapped views, and the
    // image memory is private. The image-wide
    // sizes used for sections without raw data can reach past the image; VirtualProtect then
    // refuses, since a range may not leave the region the image memory was reserved as.
    DWORD previous;
    VirtualProtect(address, size, SectionProtection(characteristics), &previous);
  }
}

}  // namespace memory_module
