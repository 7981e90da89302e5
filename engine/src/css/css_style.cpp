#include "css/css_style.h"

#include <algorithm>

#include "core/text.h"
#include "css/css_shorthands.h"

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

// Position of the '}' that closes the block starting at the '{' at open, or the end of the
// sheet for a block left open.
size_t CloseOfBlock(std::string_view s, size_t open) {
  int depth = 0;
  for (size_t i = open; i < s.size(); ++i) {
    if (s[i] == '{') ++depth;
    if (s[i] == '}' && --depth == 0) return i;
  }
  return s.size();
}

const char kDefaultSheet[] = R"(
html, body, div, p, h1, h2, h3, h4, h5, h6, ul, ol, li, dl, dt, dd, form, fieldset, header, footer,
section, article, nav, aside, main, figure, figcaption, blockquote, pre, hr, center, address, details,
summary, legend, table, thead, tbody, tfoot, tr, caption, menu, dir { display: block }
head, script, style, title, meta, link, template, noscript, base, option, datalist, [hidden],
input[type=hidden] { display: none }
body { margin: 8px }
p, ul, ol, dl, blockquote, figure, pre { margin-top: 1em; margin-bottom: 1em }
ul, ol { padding-left: 40px }
h1 { font-size: 2em; margin-top: 0.67em; margin-bottom: 0.67em; font-weight: bold }
h2 { font-size: 1.5em; margin-top: 0.83em; margin-bottom: 0.83em; font-weight: bold }
h3 { font-size: 1.17em; margin-top: 1em; margin-bottom: 1em; font-weight: bold }
h4 { margin-top: 1.33em; margin-bottom: 1.33em; font-weight: bold }
h5 { font-size: 0.83em; margin-top: 1.67em; margin-bottom: 1.67em; font-weight: bold }
h6 { font-size: 0.67em; margin-top: 2.33em; margin-bottom: 2.33em; font-weight: bold }
b, strong, th { font-weight: bold }
i, em, cite, var, dfn { font-style: italic }
pre, code, tt, kbd, samp { font-family: monospace }
pre { white-space: pre }
center { text-align: center }
a { color: #0000ee; text-decoration: underline; cursor: pointer }
hr { border: 1px inset #c0c0c0; margin-top: 0.5em; margin-bottom: 0.5em }
button, input, select, textarea { display: inline-block; font-size: 13px; font-family: sans-serif; color: #000; overflow: hidden }
button { padding: 1px 6px; border: 2px outset #c0c0c0; background-color: #efefef; text-align: center }
input, textarea { padding: 1px 2px; border: 2px inset #c0c0c0; background-color: #fff; width: 150px; cursor: text; white-space: pre }
select { padding: 1px; border: 1px solid #767676; background-color: #fff; white-space: pre }
input[type=checkbox], input[type=radio] { width: 13px; height: 13px; margin: 3px; padding: 0; border: 1px solid #767676; cursor: default }
input[type=radio] { border-radius: 50% }
input[type=button], input[type=submit], input[type=reset] { width: auto; padding: 1px 6px; border: 2px outset #c0c0c0; background-color: #efefef; cursor: default }
)";

const StyleSheet& DefaultSheet() {
  static const StyleSheet sheet = [] {
    StyleSheet s;
    ParseStyleSheet(kDefaultSheet, s);
    std::stable_sort(s.rules.begin(), s.rules.end(),
                     [](const Rule& a, const Rule& b) { return a.selector.specificity < b.selector.specificity; });
    return s;
  }();
  return sheet;
}

void Put(ComputedStyle& out, const std::string& property, const std::string& value) {
  out[property] = value;
  for (auto& [longhand, v] : ExpandShorthand(property, value)) out[longhand] = std::move(v);
}

void NoteStates(StyleSheet& sheet) {
  for (const Rule& r : sheet.rules) {
    for (const selectors::Compound& c : r.selector.parts) {
      for (const std::string& p : c.pseudos) {
        if (p == "hover") sheet.usesHover = true;
        if (p == "active") sheet.usesActive = true;
        if (p == "focus") sheet.usesFocus = true;
      }
    }
  }
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
    size_t close = CloseOfBlock(s, open);
    if (!prelude.empty() && prelude[0] != '@') {
      if (auto list = selectors::Parse(prelude)) {
        Declarations decls = ParseDeclarations(std::string_view(s).substr(open + 1, close - open - 1));
        for (selectors::Complex& c : *list) sheet.rules.push_back({std::move(c), decls, sheet.rules.size()});
      }
    }
    i = std::min(close + 1, s.size());
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
  std::stable_sort(sheet.rules.begin(), sheet.rules.end(),
                   [](const Rule& a, const Rule& b) { return a.selector.specificity < b.selector.specificity; });
  NoteStates(sheet);
  const StyleSheet& defaults = DefaultSheet();
  sheet.rules.insert(sheet.rules.begin(), defaults.rules.begin(), defaults.rules.end());
  return sheet;
}

ComputedStyle Compute(const dom::Node* element, const StyleSheet& sheet) {
  ComputedStyle out;
  for (const Rule& rule : sheet.rules) {
    if (!selectors::Matches(element, rule.selector)) continue;
    for (const Declaration& d : rule.declarations) Put(out, d.property, d.value);
  }
  if (const std::string* inlineStyle = dom::GetAttribute(element, "style")) {
    for (const Declaration& d : ParseDeclarations(*inlineStyle)) Put(out, d.property, d.value);
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
