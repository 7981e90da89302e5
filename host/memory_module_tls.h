#pragma once
// The thread-local storage directory of a mapped image: its index slot and its callbacks.
//
// The image's static TLS data is not set up: the system's per-thread arrays of static TLS blocks
// cannot be extended from outside the system loader. The index slot gets an index of the
// process's own (TlsAlloc), owned by the module, so that code reading the slot finds a valid
// index. MinGW compiles thread-local variables to emulated TLS and never reads the static
// blocks; an image that does (a `__declspec(thread)` variable of another compiler) would not find
// its data.
#include <windows.h>

#include "memory_module_headers.h"
#include "memory_module_record.h"

namespace memory_module {

// Checks the TLS directory, its index slot and every callback against the image, writes the
// module's index into the slot and remembers the callback array. Runs while the image is still
// writable: the slot may lie in memory that is read-only once the sections are protected.
DWORD PrepareTls(MemoryModule& module, const ImageLayout& layout) noexcept;

// Calls each TLS callback with `reason`, in the order of the array. The walk ends at a slot or
// callback that is no longer inside the image or its readable memory.
void RunTlsCallbacks(const MemoryModule& module, DWORD reason) noexcept;

}  // namespace memory_module
