// Style sheets and declarations: parsed, serialised, expanded and resolved into styles.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "css/css_shorthands.h"
#include "css/css_style.h"
#include "css/style.h"
#include "fuzz_check.h"

namespace {

// Answers known from mended faults; a build that gets them wrong stops before fuzzing.
void KnownAnswers() {
  css::StyleSheet sheet;
  css::ParseStyleSheet("a{color:red", sheet);
  FUZZ_CHECK(sheet.rules.size() == 1);
  const std::string* color = css::FindDeclaration(sheet.rules[0].declarations, "color");
  FUZZ_CHECK(color && *color == "red");
  css::StyleSheet two;
  css::ParseStyleSheet("a { margin: 1px } b { padding: 2px", two);
  FUZZ_CHECK(two.rules.size() == 2);
  const std::string* padding = css::FindDeclaration(two.rules[1].declarations, "padding");
  FUZZ_CHECK(padding && *padding == "2px");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  KnownAnswers();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view src(reinterpret_cast<const char*>(data), size);
  css::StyleSheet sheet;
  css::ParseStyleSheet(src, sheet);
  style::Style parent;
  for (const css::Rule& r : sheet.rules) {
    FUZZ_CHECK(!r.selector.parts.empty());
    FUZZ_CHECK(r.selector.combinators.size() + 1 == r.selector.parts.size());
    css::ComputedStyle cascaded;
    for (const css::Declaration& d : r.declarations) {
      cascaded[d.property] = d.value;
      for (auto& [longhand, value] : css::ExpandShorthand(d.property, d.value)) cascaded[longhand] = value;
    }
    style::Style s = style::Resolve(cascaded, &parent, 16);
    (void)style::Inherit(s);
    (void)css::SerializeDeclarations(r.declarations);
  }
  // The same text as a style attribute, serialised and parsed again.
  css::Declarations decls = css::ParseDeclarations(src);
  for (const css::Declaration& d : decls) FUZZ_CHECK(!d.property.empty() && !d.value.empty());
  (void)css::ParseDeclarations(css::SerializeDeclarations(decls));
  css::SetDeclaration(decls, "color", "");
  css::SetDeclaration(decls, "margin", "1px 2px");
  FUZZ_CHECK(css::FindDeclaration(decls, "color") == nullptr);
  return 0;
}
