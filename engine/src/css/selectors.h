#pragma once
// Selectors: type, *, #id, .class, [attr], [attr=value], the pseudo-classes :hover, :active,
// :focus, :first-child, :last-child, :checked and :disabled, descendant and child combinators,
// comma lists.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dom/dom.h"

namespace selectors {

struct Compound {
  std::string tag;  // empty or "*" for any
  std::string id;
  std::vector<std::string> classes;
  std::vector<std::pair<std::string, std::optional<std::string>>> attributes;
  std::vector<std::string> pseudos;  // lower case, without the colon
};

struct Complex {
  std::vector<Compound> parts;    // left to right
  std::vector<char> combinators;  // between parts: ' ' or '>'
  int specificity = 0;            // ids * 10000 + classes * 100 + types
};

using List = std::vector<Complex>;

// Nothing when the text is not a selector this engine understands.
std::optional<List> Parse(std::string_view text);
bool Matches(const dom::Node* element, const Complex& selector);
bool Matches(const dom::Node* element, const List& list);

// Elements below root matching the list, in document order; stops after limit matches.
std::vector<dom::Node*> Select(dom::Node* root, const List& list, size_t limit = SIZE_MAX);

}  // namespace selectors
