#pragma once
// Style sheets, declarations and the cascade.
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "css/selectors.h"
#include "dom/dom.h"

namespace css {

struct Declaration {
  std::string property;  // lower case, "background-color"
  std::string value;
};
using Declarations = std::vector<Declaration>;

struct Rule {
  selectors::Complex selector;
  Declarations declarations;
  size_t order = 0;
};

struct StyleSheet {
  std::vector<Rule> rules;  // the engine's own defaults first, then the page's by specificity
  // Whether any selector depends on the pointer or focus: only then do those states restyle.
  bool usesHover = false;
  bool usesActive = false;
  bool usesFocus = false;
};

Declarations ParseDeclarations(std::string_view text);
std::string SerializeDeclarations(const Declarations& d);
// Sets (or with an empty value removes) one property.
void SetDeclaration(Declarations& d, std::string_view property, std::string_view value);
const std::string* FindDeclaration(const Declarations& d, std::string_view property);
// Appends the rules of text to sheet (at-rules are skipped).
void ParseStyleSheet(std::string_view text, StyleSheet& sheet);

// The engine's defaults (display of block elements, headings, controls) and then the
// document's sheets: every <style> element and every loaded <link rel=stylesheet>.
StyleSheet CollectStyleSheets(const dom::Document* doc);

using ComputedStyle = std::map<std::string, std::string, std::less<>>;
// Cascaded values of element (rules by specificity and order, then the style attribute).
// Shorthands also set their longhands.
ComputedStyle Compute(const dom::Node* element, const StyleSheet& sheet);

// "backgroundColor" -> "background-color", "cssFloat" -> "float".
std::string CamelToProperty(std::string_view name);

}  // namespace css
