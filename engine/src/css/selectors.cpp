#include "css/selectors.h"

#include <cstdint>

#include "core/text.h"

namespace selectors {
namespace {

bool IsIdentChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

std::string Ident(std::string_view s, size_t& i) {
  size_t start = i;
  while (i < s.size() && IsIdentChar(s[i])) ++i;
  return std::string(s.substr(start, i - start));
}

bool IsKnownPseudo(std::string_view p) {
  return p == "hover" || p == "active" || p == "focus" || p == "first-child" || p == "last-child" || p == "checked" ||
         p == "disabled";
}

const dom::Node* SiblingElement(const dom::Node* n, int step) {
  if (!n->parent) return nullptr;
  const auto& kids = n->parent->children;
  for (size_t i = 0; i < kids.size(); ++i) {
    if (kids[i] != n) continue;
    for (size_t j = i + static_cast<size_t>(step); j < kids.size(); j += static_cast<size_t>(step)) {
      if (kids[j]->kind == dom::NodeKind::Element) return kids[j];
    }
    return nullptr;
  }
  return nullptr;
}

bool MatchesPseudo(const dom::Node* n, const std::string& p) {
  const dom::Document* doc = n->document;
  if (p == "hover") return doc->hover && dom::Contains(n, doc->hover);
  if (p == "active") return doc->active && dom::Contains(n, doc->active);
  if (p == "focus") return doc->focus == n;
  if (p == "first-child") return n->parent && n->parent->kind == dom::NodeKind::Element && !SiblingElement(n, -1);
  if (p == "last-child") return n->parent && n->parent->kind == dom::NodeKind::Element && !SiblingElement(n, 1);
  if (p == "checked") return dom::GetAttribute(n, "checked") != nullptr;
  if (p == "disabled") return dom::GetAttribute(n, "disabled") != nullptr;
  return false;
}

std::optional<Complex> ParseComplex(std::string_view s) {
  Complex out;
  size_t i = 0;
  char pending = 0;
  while (true) {
    bool space = false;
    while (i < s.size() && text::IsSpace(s[i])) {
      ++i;
      space = true;
    }
    if (i >= s.size()) break;
    if (s[i] == '>') {
      if (out.parts.empty()) return std::nullopt;
      pending = '>';
      ++i;
      continue;
    }
    if (!out.parts.empty()) {
      if (!pending && !space) return std::nullopt;
      out.combinators.push_back(pending ? pending : ' ');
    } else if (pending) {
      return std::nullopt;
    }
    pending = 0;
    Compound c;
    bool any = false;
    if (s[i] == '*') {
      c.tag = "*";
      ++i;
      any = true;
    } else if (IsIdentChar(s[i])) {
      c.tag = text::AsciiLower(Ident(s, i));
      out.specificity += 1;
      any = true;
    }
    while (i < s.size() && !text::IsSpace(s[i]) && s[i] != '>') {
      if (s[i] == '#') {
        ++i;
        c.id = Ident(s, i);
        if (c.id.empty()) return std::nullopt;
        out.specificity += 10000;
      } else if (s[i] == '.') {
        ++i;
        std::string cls = Ident(s, i);
        if (cls.empty()) return std::nullopt;
        c.classes.push_back(cls);
        out.specificity += 100;
      } else if (s[i] == '[') {
        size_t close = s.find(']', i);
        if (close == std::string_view::npos) return std::nullopt;
        std::string_view inner = text::Trim(s.substr(i + 1, close - i - 1));
        size_t eq = inner.find('=');
        std::string name = text::AsciiLower(text::Trim(inner.substr(0, eq)));
        std::optional<std::string> value;
        if (eq != std::string_view::npos) {
          std::string_view v = text::Trim(inner.substr(eq + 1));
          if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) v = v.substr(1, v.size() - 2);
          value = std::string(v);
        }
        if (name.empty()) return std::nullopt;
        c.attributes.push_back({name, value});
        out.specificity += 100;
        i = close + 1;
      } else if (s[i] == ':' && i + 1 < s.size() && s[i + 1] != ':') {
        ++i;
        std::string pseudo = text::AsciiLower(Ident(s, i));
        if (!IsKnownPseudo(pseudo)) return std::nullopt;
        c.pseudos.push_back(pseudo);
        out.specificity += 100;
      } else {
        return std::nullopt;  // pseudo-elements and the rest are not supported here
      }
      any = true;
    }
    if (!any) return std::nullopt;
    out.parts.push_back(std::move(c));
  }
  if (out.parts.empty() || pending) return std::nullopt;
  return out;
}

bool MatchesCompound(const dom::Node* n, const Compound& c) {
  if (n->kind != dom::NodeKind::Element) return false;
  if (!c.tag.empty() && c.tag != "*" && n->name != c.tag) return false;
  if (!c.id.empty()) {
    const std::string* id = dom::GetAttribute(n, "id");
    if (!id || *id != c.id) return false;
  }
  for (const std::string& cls : c.classes) {
    if (!dom::HasClass(n, cls)) return false;
  }
  for (const auto& [name, value] : c.attributes) {
    const std::string* v = dom::GetAttribute(n, name);
    if (!v || (value && *v != *value)) return false;
  }
  for (const std::string& p : c.pseudos) {
    if (!MatchesPseudo(n, p)) return false;
  }
  return true;
}

// Matches parts[0..k] with parts[k] on n.
bool MatchFrom(const dom::Node* n, const Complex& s, size_t k) {
  if (!MatchesCompound(n, s.parts[k])) return false;
  if (k == 0) return true;
  char comb = s.combinators[k - 1];
  for (const dom::Node* p = n->parent; p && p->kind == dom::NodeKind::Element; p = p->parent) {
    if (MatchFrom(p, s, k - 1)) return true;
    if (comb == '>') return false;
  }
  return false;
}

}  // namespace

std::optional<List> Parse(std::string_view s) {
  List list;
  size_t start = 0;
  int depth = 0;
  for (size_t i = 0; i <= s.size(); ++i) {
    if (i < s.size() && s[i] == '[') ++depth;
    if (i < s.size() && s[i] == ']') --depth;
    if (i == s.size() || (s[i] == ',' && depth == 0)) {
      auto c = ParseComplex(s.substr(start, i - start));
      if (!c) return std::nullopt;
      list.push_back(std::move(*c));
      start = i + 1;
    }
  }
  return list;
}

bool Matches(const dom::Node* n, const Complex& s) { return MatchFrom(n, s, s.parts.size() - 1); }

bool Matches(const dom::Node* n, const List& list) {
  for (const Complex& c : list) {
    if (Matches(n, c)) return true;
  }
  return false;
}

std::vector<dom::Node*> Select(dom::Node* root, const List& list, size_t limit) {
  std::vector<dom::Node*> out;
  if (limit == 0) return out;
  dom::ForEachElement(root, [&](dom::Node* n) {
    if (Matches(n, list)) out.push_back(n);
    return out.size() < limit;
  });
  return out;
}

}  // namespace selectors
