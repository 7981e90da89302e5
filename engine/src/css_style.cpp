#include "css_style.h"

#include <algorithm>

#include "text.h"

namespace css {
namespace {

std::string StripComments(std::string_view s) {
  std::string out;
  size_t i = 0;
  while (i < s.size()) {
    size_t start = s.find("/*", i);
    if (start == std::string_view::npos) {
      out.append(s.substr(i));
      break;
    }
    out.append(s.substr(i, start - i));
    size_t end = s.find("*/", start + 2);
    if (end == std::string_view::npos) break;
    i = end + 2;
  }
  return out;
}

// Position after the block that starts at the '{' at open.
size_t SkipBlock(std::string_view s, size_t open) {
  int depth = 0;
  for (size_t i = open; i < s.size(); ++i) {
    if (s[i] == '{') ++depth;
    if (s[i] == '}' && --depth == 0) return i + 1;
  }
  return s.size();
}

}  // namespace

Declarations ParseDeclarations(std::string_view raw) {
  Declarations out;
  std::string s = StripComments(raw);
  size_t i = 0;
  while (i < s.size()) {
    size_t end = i;
    int depth = 0;
    char quote = 0;
    while (end < s.size()) {
      char c = s[end];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '(') {
        ++depth;
      } else if (c == ')') {
        --depth;
      } else if (c == ';' && depth <= 0) {
        break;
      }
      ++end;
    }
    std::string_view decl = std::string_view(s).substr(i, end - i);
    size_t colon = decl.find(':');
    if (colon != std::string_view::npos) {
      std::string prop = text::AsciiLower(text::Trim(decl.substr(0, colon)));
      std::string_view value = text::Trim(decl.substr(colon + 1));
      size_t bang = value.rfind('!');
      if (bang != std::string_view::npos && text::EqualsIgnoreCase(text::Trim(value.substr(bang + 1)), "important"))
        value = text::Trim(value.substr(0, bang));
      if (!prop.empty() && !value.empty()) SetDeclaration(out, prop, value);
    }
    i = end + 1;
  }
  return out;
}

std::string SerializeDeclarations(const Declarations& d) {
  std::string out;
  for (const Declaration& x : d) {
    if (!out.empty()) out += " ";
    out += x.property + ": " + x.value + ";";
  }
  return out;
}

void SetDeclaration(Declarations& d, std::string_view property, std::string_view value) {
  auto it = std::find_if(d.begin(), d.end(), [&](const Declaration& x) { return x.property == property; });
  if (value.empty()) {
    if (it != d.end()) d.erase(it);
    return;
  }
  if (it != d.end()) it->value = value;
  else d.push_back({std::string(property), std::string(value)});
}

const std::string* FindDeclaration(const Declarations& d, std::string_view property) {
  for (const Declaration& x : d) {
    if (x.property == property) return &x.value;
  }
  return nullptr;
}

void ParseStyleSheet(std::string_view raw, StyleSheet& sheet) {
  std::string s = StripComments(raw);
  size_t i = 0;
  while (i < s.size()) {
    size_t open = s.find('{', i);
    if (open == std::string::npos) break;
    std::string_view prelude = text::Trim(std::string_view(s).substr(i, open - i));
    size_t semi = prelude.find(';');
    if (!prelude.empty() && prelude[0] == '@' && semi != std::string_view::npos) {
      i += static_cast<size_t>(prelude.data() - (s.data() + i)) + semi + 1;  // @import ...; and friends
      continue;
    }
    size_t close = SkipBlock(s, open);
    if (!prelude.empty() && prelude[0] != '@') {
      if (auto list = selectors::Parse(prelude)) {
        Declarations decls = ParseDeclarations(std::string_view(s).substr(open + 1, close - open - 2));
        for (selectors::Complex& c : *list) sheet.rules.push_back({std::move(c), decls, sheet.rules.size()});
      }
    }
    i = close;
  }
}

StyleSheet CollectStyleSheets(const dom::Document* doc) {
  StyleSheet sheet;
  dom::ForEachElement(doc->root, [&](dom::Node* n) {
    if (n->name == "style") {
      ParseStyleSheet(dom::TextContent(n), sheet);
    } else if (n->name == "link" && !n->sheet.empty()) {
      ParseStyleSheet(n->sheet, sheet);
    }
    return true;
  });
  std::stable_sort(sheet.rules.begin(), sheet.rules.end(), [](const Rule& a, const Rule& b) {
    return a.selector.specificity < b.selector.specificity;
  });
  return sheet;
}

ComputedStyle Compute(const dom::Node* element, const StyleSheet& sheet) {
  ComputedStyle out;
  for (const Rule& rule : sheet.rules) {
    if (!selectors::Matches(element, rule.selector)) continue;
    for (const Declaration& d : rule.declarations) out[d.property] = d.value;
  }
  if (const std::string* inlineStyle = dom::GetAttribute(element, "style")) {
    for (const Declaration& d : ParseDeclarations(*inlineStyle)) out[d.property] = d.value;
  }
  return out;
}

std::string CamelToProperty(std::string_view name) {
  if (name == "cssFloat") return "float";
  std::string out;
  for (char c : name) {
    if (c >= 'A' && c <= 'Z') {
      out.push_back('-');
      out.push_back(static_cast<char>(c - 'A' + 'a'));
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace css
