// Selectors: the first line of the input is a selector list, the rest a page to match it
// against. Select (which shares what it learns between elements) must agree with matching
// each element alone, and on small trees with plain backtracking.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "css/selectors.h"
#include "dom/dom.h"
#include "dom/html_parser.h"
#include "fuzz_check.h"

namespace {

bool CompoundMatches(const dom::Node* n, const selectors::Compound& c) {
  selectors::Complex one;
  one.parts.push_back(c);
  return selectors::Matches(n, one);
}

// Backtracking over every ancestor: exponential, so only for small trees.
bool Naive(const dom::Node* n, const selectors::Complex& s, size_t k) {
  if (!CompoundMatches(n, s.parts[k])) return false;
  if (k == 0) return true;
  char comb = s.combinators[k - 1];
  for (const dom::Node* p = n->parent; p && p->kind == dom::NodeKind::Element; p = p->parent) {
    if (Naive(p, s, k - 1)) return true;
    if (comb == '>') return false;
  }
  return false;
}

size_t DepthOf(const dom::Node* n) {
  size_t d = 0;
  for (; n; n = n->parent) ++d;
  return d;
}

void KnownAnswers() {
  dom::Document* doc = dom::NewDocument();
  std::string page = "<div>";
  for (int i = 0; i < 400; ++i) page += "<a>";
  page += "<b></b>";
  html::ParseDocument(doc, page);
  auto none = selectors::Parse("x a a a a b");
  auto one = selectors::Parse("div a a a a b");
  FUZZ_CHECK(none && one);
  FUZZ_CHECK(selectors::Select(doc->root, *none).empty());
  FUZZ_CHECK(selectors::Select(doc->root, *one).size() == 1);
  dom::DeleteDocument(doc);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  KnownAnswers();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto [selectorText, page] = SplitAtNewline(std::string_view(reinterpret_cast<const char*>(data), size));
  auto list = selectors::Parse(selectorText);
  if (!list) return 0;
  dom::Document* doc = dom::NewDocument();
  html::ParseDocument(doc, page);
  std::vector<dom::Node*> selected = selectors::Select(doc->root, *list);
  std::vector<dom::Node*> one;
  size_t elements = 0, deepest = 0;
  dom::ForEachElement(doc->root, [&](dom::Node* n) {
    ++elements;
    deepest = std::max(deepest, DepthOf(n));
    if (selectors::Matches(n, *list)) one.push_back(n);
    return true;
  });
  FUZZ_CHECK(selected == one);
  size_t parts = 0;
  for (const selectors::Complex& c : *list) parts = std::max(parts, c.parts.size());
  if (deepest <= 16 && parts <= 5 && elements <= 200) {
    std::vector<dom::Node*> naive;
    dom::ForEachElement(doc->root, [&](dom::Node* n) {
      for (const selectors::Complex& c : *list) {
        if (Naive(n, c, c.parts.size() - 1)) {
          naive.push_back(n);
          break;
        }
      }
      return true;
    });
    FUZZ_CHECK(selected == naive);
  }
  auto first = selectors::Select(doc->root, *list, 1);
  FUZZ_CHECK(first.size() == std::min<size_t>(1, selected.size()));
  dom::DeleteDocument(doc);
  return 0;
}
