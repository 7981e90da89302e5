#pragma once
// The name key: CRC-32 (zlib's crc32) over a text's UTF-16LE bytes; 0 for an empty text.
// Process-wide tables looked up by a text (window flags, stored key strings) use it, and
// compare only keys, never the texts.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace names {

uint32_t KeyOfBytes(const void* bytes, size_t size);
uint32_t Key(std::wstring_view text);

}  // namespace names
