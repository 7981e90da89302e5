// Text: character references, file bytes in their encodings, and CESU-8 <-> UTF-16.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/text.h"
#include "dom/html_entities.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view src(reinterpret_cast<const char*>(data), size);
  std::string decoded = html::DecodeEntities(src);
  FUZZ_CHECK(decoded.size() <= src.size() * 2 + 8);
  if (src.find('&') == std::string_view::npos) FUZZ_CHECK(decoded == src);
  std::string cesu = text::DecodeFileBytes(src);
  std::wstring wide = text::CesuToWide(cesu);
  (void)text::WideToCesu(wide);
  (void)text::CesuToUtf8(src);
  (void)text::Utf8ToCesu(src);
  // Every sequence of UTF-16 units, lone surrogates included, survives CESU-8 and back.
  std::wstring units;
  for (size_t i = 0; i + 1 < size; i += 2) units.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
  FUZZ_CHECK(text::CesuToWide(text::WideToCesu(units)) == units);
  std::string lower = text::AsciiLower(src);
  FUZZ_CHECK(lower.size() == src.size() && text::EqualsIgnoreCase(lower, src));
  std::string_view trimmed = text::Trim(src);
  FUZZ_CHECK(trimmed.empty() || (!text::IsSpace(trimmed.front()) && !text::IsSpace(trimmed.back())));
  return 0;
}
