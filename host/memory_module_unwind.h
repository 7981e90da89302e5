#pragma once
// The exception directory (.pdata) of a mapped PE32+ image, registered with the system so that
// exceptions raised in the image's code unwind through it: C++ exceptions and structured
// exception handling work inside a module loaded from memory. PE32 images on i386 unwind
// without such a table; in a 32-bit process both steps do nothing.
#include <windows.h>

#include "memory_module_headers.h"
#include "memory_module_record.h"

namespace memory_module {

// Checks the directory (inside the image and readable, a whole number of entries, each entry's
// code range and unwind data inside the image) and registers it with RtlAddFunctionTable.
// Runs once the sections are protected, since a discarded section is no longer readable.
DWORD RegisterFunctionTable(MemoryModule& module, const ImageLayout& layout) noexcept;

// Removes the registered table, if any (RtlDeleteFunctionTable).
void UnregisterFunctionTable(MemoryModule& module) noexcept;

}  // namespace memory_module
