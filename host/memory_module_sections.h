#pragma once
// Placing the sections in the image memory and giving them their final page protection.
#include <windows.h>

#include "memory_module_headers.h"
#include "memory_module_record.h"

namespace memory_module {

// Page protection for a section's characteristics: executable, readable and writeable select
// one of eight protections; IMAGE_SCN_MEM_NOT_CACHED adds PAGE_NOCACHE.
DWORD SectionProtection(DWORD characteristics) noexcept;

// Copies each section's raw data to its place, or zeroes one SectionAlignment for a section
// without raw data, and in a 32-bit process records the section's address in the mapped section
// header.
void CopySections(MemoryModule& module, const unsigned char* image, const ImageLayout& layout) noexcept;

// Decommits discardable sections and sets the others' protection.
void FinalizeSections(MemoryModule& module, const unsigned char* image, const ImageLayout& layout) noexcept;

}  // namespace memory_module
