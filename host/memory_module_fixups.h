#pragma once
// Base relocations and imports of a mapped image. Both return ERROR_SUCCESS or the load's error.
#include <windows.h>

#include <cstdint>

#include "memory_module_headers.h"
#include "memory_module_record.h"

namespace memory_module {

// Adds `delta` to every address-sized site of the relocation directory: HIGHLOW entries in a
// PE32 image, DIR64 entries in a PE32+ image. Entries of any other type are skipped.
DWORD Relocate(MemoryModule& module, const ImageLayout& layout, ImageAddress delta) noexcept;

// Loads the imported libraries through the module's callbacks (appending each to the module's
// array) and writes the imported functions' addresses into the import address tables.
DWORD ResolveImports(MemoryModule& module, const ImageLayout& layout) noexcept;

}  // namespace memory_module
