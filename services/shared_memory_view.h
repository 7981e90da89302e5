#pragma once
// Named shared memory seen from this process: how far a mapped view may be touched, and the
// text rules of ReadFileMapping and WriteFileMapping over a view of known size.
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace shared_memory {

// How many bytes from the start of a view may be read and written: the committed pages at its
// start, and no more than the section's own size where the system tells it (the section handle
// needs query access for that).
uint64_t UsableSize(HANDLE section, const void* view);

// The text at the start of a view: up to the first zero character, or to the end of the view.
std::wstring ReadText(const void* view, uint64_t size);

// What WriteFileMapping stores: a text of fewer than 2048 characters with its terminating
// zero, a longer one as its first 2047 characters without a terminator; never more than size
// bytes. Returns the number of bytes written.
uint64_t WriteText(void* view, uint64_t size, std::wstring_view text);

}  // namespace shared_memory
