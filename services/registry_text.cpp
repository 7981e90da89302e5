#include "registry_text.h"

namespace registry {

std::wstring TextOfValueData(const uint8_t* data, size_t bytes) {
  std::wstring text;
  for (size_t offset = 0; offset < bytes; offset += 2) {
    const uint16_t low = data[offset];
    const uint16_t high = offset + 1 < bytes ? data[offset + 1] : 0;
    const wchar_t unit = static_cast<wchar_t>(low | high << 8);
    if (unit == L'\0') break;
    text.push_back(unit);
  }
  return text;
}

}  // namespace registry
