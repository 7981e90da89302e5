// HTML: a page and a fragment parsed, serialised, read as text, searched and freed.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "dom/dom.h"
#include "dom/html_parser.h"
#include "fuzz_check.h"

namespace {

size_t Depth(const dom::Node* root) {
  size_t deepest = 0;
  std::vector<std::pair<const dom::Node*, size_t>> todo{{root, 0}};
  while (!todo.empty()) {
    auto [n, d] = todo.back();
    todo.pop_back();
    deepest = std::max(deepest, d);
    for (const dom::Node* c : n->children) todo.push_back({c, d + 1});
  }
  return deepest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view src(reinterpret_cast<const char*>(data), size);
  dom::Document* doc = dom::NewDocument();
  html::ParseDocument(doc, src);
  FUZZ_CHECK(dom::Body(doc) && dom::Head(doc));
  // The parser's depth bound, plus the document, html and body above it.
  FUZZ_CHECK(Depth(doc->root) <= 512 + 1);
  std::string page = dom::Serialize(doc->root);
  std::string text = dom::TextContent(doc->root);
  dom::FindById(doc->root, "a");
  // The serialised page parses again into something that serialises.
  dom::Document* again = dom::NewDocument();
  html::ParseDocument(again, page);
  (void)dom::Serialize(again->root);
  dom::DeleteDocument(again);
  // The input as a fragment of the body, twice over (innerHTML), then removed.
  dom::Node* body = dom::Body(doc);
  html::ParseFragment(body, src);
  html::ParseFragment(body, dom::SerializeChildren(body));
  (void)dom::TextContent(body);
  dom::RemoveAllChildren(body);
  FUZZ_CHECK(dom::SerializeChildren(body).empty());
  dom::DeleteDocument(doc);
  return 0;
}
