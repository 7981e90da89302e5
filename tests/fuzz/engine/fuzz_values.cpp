// CSS values: the first line is a property name, the rest its value; colours, lengths, word
// and comma splitting, shorthand expansion and the typed style of the result.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/text.h"
#include "css/css_shorthands.h"
#include "css/css_values.h"
#include "css/style.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto [propertyText, value] = SplitAtNewline(std::string_view(reinterpret_cast<const char*>(data), size));
  std::string property = text::AsciiLower(text::Trim(propertyText));
  if (auto c = css::ParseColor(value)) {
    FUZZ_CHECK(c->r >= 0 && c->r <= 255 && c->g >= 0 && c->g <= 255 && c->b >= 0 && c->b <= 255);
    FUZZ_CHECK(c->a >= 0 && c->a <= 1);
  }
  (void)css::FindColor(value);
  (void)css::ParseLength(value, 100);
  (void)css::SplitWords(value);
  (void)css::SplitCommas(value);
  css::ComputedStyle cascaded;
  cascaded[property] = std::string(value);
  for (auto& [longhand, v] : css::ExpandShorthand(property, value)) cascaded[longhand] = v;
  style::Style parent;
  style::Style s = style::Resolve(cascaded, &parent, 16);
  FUZZ_CHECK(s.fontSize >= 0 && s.fontSize <= 1000);
  FUZZ_CHECK(s.opacity >= 0 && s.opacity <= 1);
  for (const char* name : {"width", "margin", "padding", "font-size", "line-height", "border", "background", "flex"}) {
    css::ComputedStyle one{{name, std::string(value)}};
    for (auto& [longhand, v] : css::ExpandShorthand(name, value)) one[longhand] = v;
    (void)style::Resolve(one, &s, 16);
  }
  return 0;
}
