#include "css/selectors.h"

#include <cstdint>
#include <functional>
#include <unordered_map>

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

// Matches a complex selector right to left without recursion, remembering what it learnt.
// Without that, every descendant combinator retries every ancestor and the work grows as the
// depth to the power of the number of parts. What it remembers: that the parts up to k do
// or do not match at an element, and that no ancestor of an element matches them; when no
// ancestor of p matches the parts before k, no ancestor of p matches the parts up to k either,
// so the search above p is over (and when p matches the parts up to k through a descendant
// combinator, so does every element below p that matches part k). Facts hold while the tree does not change, so one Matcher
// serves a whole Select.
class Matcher {
 public:
  explicit Matcher(bool shared) : shared_(shared) {}

  bool Matches(const dom::Node* n, const Complex& s) {
    size_t last = s.parts.size() - 1;
    if (!MatchesCompound(n, s.parts[last])) return false;
    if (last == 0) return true;
    struct Frame {
      const dom::Node* element;  // matches parts[k] ...
      size_t k;
      const dom::Node* next;  // ... and this is the next ancestor to try for parts[k - 1]
    };
    std::vector<Frame> frames{{n, last, n->parent}};
    auto matched = [&] {
      if (shared_) {
        for (const Frame& f : frames) Note(s, f.k, f.element, kMatched);
      }
      return true;
    };
    while (!frames.empty()) {
      Frame& f = frames.back();
      char comb = s.combinators[f.k - 1];
      const dom::Node* p = f.next;
      if (!p || p->kind != dom::NodeKind::Element) {
        bool noneAbove = comb == ' ';
        if (shared_ || frames.size() > 1) Note(s, f.k, f.element, noneAbove ? kFailed | kNoneAbove : kFailed);
        frames.pop_back();
        // Every ancestor the frame below would try next lies above this element.
        if (noneAbove && !frames.empty()) frames.back().next = nullptr;
        continue;
      }
      f.next = comb == '>' ? nullptr : p->parent;
      size_t k = f.k - 1;
      if (k == 0) {
        if (MatchesCompound(p, s.parts[0])) return matched();
      } else {
        uint8_t fact = Fact(s, k, p);
        if (fact & kMatched) return matched();
        if (!(fact & kFailed)) {
          if (MatchesCompound(p, s.parts[k])) {
            frames.push_back({p, k, p->parent});
            continue;
          }
          Note(s, k, p, kFailed);
        }
      }
      if (comb == ' ') {
        // What is known of the ancestors of p holds for the element above which p lies.
        uint8_t above = Fact(s, f.k, p);
        if (above & kMatched) return matched();
        if (above & kNoneAbove) f.next = nullptr;
      }
    }
    return false;
  }

 private:
  static constexpr uint8_t kFailed = 1;     // the parts up to k do not match at the element
  static constexpr uint8_t kNoneAbove = 2;  // no ancestor of the element matches the parts up to k - 1
  static constexpr uint8_t kMatched = 4;    // the parts up to k match at the element

  struct Key {
    const Complex* selector;
    size_t k;
    const dom::Node* element;
    bool operator==(const Key&) const = default;
  };
  struct KeyHash {
    size_t operator()(const Key& key) const {
      size_t h = std::hash<const void*>()(key.element);
      h ^= std::hash<const void*>()(key.selector) + 0x9e3779b9 + (h << 6) + (h >> 2);
      return h ^ (key.k * size_t{0x9e3779b9u});
    }
  };

  uint8_t Fact(const Complex& s, size_t k, const dom::Node* e) const {
    if (facts_.empty()) return 0;
    auto it = facts_.find({&s, k, e});
    return it == facts_.end() ? 0 : it->second;
  }
  void Note(const Complex& s, size_t k, const dom::Node* e, uint8_t fact) { facts_[{&s, k, e}] |= fact; }

  bool shared_;
  std::unordered_map<Key, uint8_t, KeyHash> facts_;
};

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

bool Matches(const dom::Node* n, const Complex& s) { return Matcher(false).Matches(n, s); }

bool Matches(const dom::Node* n, const List& list) {
  Matcher matcher(false);
  for (const Complex& c : list) {
    if (matcher.Matches(n, c)) return true;
  }
  return false;
}

std::vector<dom::Node*> Select(dom::Node* root, const List& list, size_t limit) {
  std::vector<dom::Node*> out;
  if (limit == 0) return out;
  Matcher matcher(true);
  dom::ForEachElement(root, [&](dom::Node* n) {
    for (const Complex& c : list) {
      if (matcher.Matches(n, c)) {
        out.push_back(n);
        break;
      }
    }
    return out.size() < limit;
  });
  return out;
}

}  // namespace selectors
