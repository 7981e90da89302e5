#pragma once
// A tolerant HTML parser: never fails, builds html/head/body when a page leaves them out,
// closes what the page forgot to close and ignores stray end tags.
#include <string_view>

#include "dom/dom.h"

namespace html {

// Parses a whole page (CESU-8) into the empty document doc.
void ParseDocument(dom::Document* doc, std::string_view source);
// Parses a fragment and appends its nodes to parent (innerHTML).
void ParseFragment(dom::Node* parent, std::string_view source);

}  // namespace html
