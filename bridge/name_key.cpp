#include "name_key.h"

#include <zlib.h>

namespace names {

uint32_t KeyOfBytes(const void* bytes, size_t size) {
  if (!bytes || size == 0) return 0;
  return static_cast<uint32_t>(crc32(0, static_cast<const Bytef*>(bytes), static_cast<uInt>(size)));
}

uint32_t Key(std::wstring_view text) {
  // wchar_t is 16 bits on Windows, so the characters are the UTF-16LE bytes.
  return KeyOfBytes(text.data(), text.size() * sizeof(wchar_t));
}

}  // namespace names
