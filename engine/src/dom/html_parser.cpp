#include "dom/html_parser.h"

#include <algorithm>
#include <string>
#include <vector>

#include "core/text.h"
#include "dom/html_entities.h"

namespace html {
namespace {

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == ':';
}
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool In(std::string_view name, std::initializer_list<const char*> names) {
  for (const char* n : names) {
    if (name == n) return true;
  }
  return false;
}

bool IsHeadElement(std::string_view name) {
  return In(name, {"title", "meta", "link", "style", "script", "base", "noscript"});
}

// Elements whose start closes an open <p>.
bool ClosesParagraph(std::string_view name) {
  return In(name, {"address", "article", "aside", "blockquote", "div",     "dl",    "fieldset", "footer", "form",
                   "h1",      "h2",      "h3",    "h4",         "h5",      "h6",    "header",   "hr",     "main",
                   "nav",     "ol",      "p",     "pre",        "section", "table", "ul"});
}

class TreeBuilder {
 public:
  TreeBuilder(dom::Document* doc, dom::Node* fragmentParent, std::string_view src)
      : doc_(doc), src_(src), fragment_(fragmentParent != nullptr) {
    stack_.push_back(fragmentParent ? fragmentParent : doc->root);
  }

  void Run() {
    size_t i = 0;
    while (i < src_.size()) {
      if (src_[i] == '<') {
        size_t next = Markup(i);
        if (next != i) {
          i = next;
          continue;
        }
      }
      size_t end = src_.find('<', i + 1);
      if (end == std::string_view::npos) end = src_.size();
      Text(DecodeEntities(src_.substr(i, end - i)));
      i = end;
    }
  }

 private:
  dom::Node* Current() { return stack_.back(); }

  int LineAt(size_t pos) {
    lineCount_ += static_cast<int>(
        std::count(src_.begin() + static_cast<long>(linePos_), src_.begin() + static_cast<long>(pos), '\n'));
    linePos_ = pos;
    return lineCount_;
  }

  // Returns the position after the markup at i, or i when '<' starts no markup.
  size_t Markup(size_t i) {
    std::string_view rest = src_.substr(i);
    if (rest.substr(0, 4) == "<!--") {
      size_t end = src_.find("-->", i + 4);
      size_t stop = end == std::string_view::npos ? src_.size() : end;
      Append(dom::CreateComment(doc_, src_.substr(i + 4, stop - i - 4)));
      return end == std::string_view::npos ? src_.size() : end + 3;
    }
    if (rest.size() >= 2 && (rest[1] == '!' || rest[1] == '?')) {
      size_t end = src_.find('>', i);
      return end == std::string_view::npos ? src_.size() : end + 1;
    }
    if (rest.size() >= 3 && rest[1] == '/' && IsLetter(rest[2])) {
      size_t j = i + 2;
      while (j < src_.size() && IsNameChar(src_[j])) ++j;
      std::string name = text::AsciiLower(src_.substr(i + 2, j - i - 2));
      size_t end = src_.find('>', j);
      EndTag(name);
      return end == std::string_view::npos ? src_.size() : end + 1;
    }
    if (rest.size() >= 2 && IsLetter(rest[1])) return StartTag(i);
    return i;
  }

  size_t StartTag(size_t i) {
    size_t j = i + 1;
    while (j < src_.size() && IsNameChar(src_[j])) ++j;
    std::string name = text::AsciiLower(src_.substr(i + 1, j - i - 1));
    std::vector<dom::Attribute> attrs;
    bool selfClosing = false;
    while (j < src_.size()) {
      while (j < src_.size() && (text::IsSpace(src_[j]) || src_[j] == '/')) {
        if (src_[j] == '/') selfClosing = true;
        ++j;
      }
      if (j >= src_.size()) break;
      if (src_[j] == '>') {
        ++j;
        break;
      }
      selfClosing = false;
      size_t a = j;
      while (j < src_.size() && !text::IsSpace(src_[j]) && src_[j] != '=' && src_[j] != '>' &&
             !(src_[j] == '/' && j + 1 < src_.size() && src_[j + 1] == '>'))
        ++j;
      std::string attrName = text::AsciiLower(src_.substr(a, j - a));
      while (j < src_.size() && text::IsSpace(src_[j])) ++j;
      std::string value;
      if (j < src_.size() && src_[j] == '=') {
        ++j;
        while (j < src_.size() && text::IsSpace(src_[j])) ++j;
        if (j < src_.size() && (src_[j] == '"' || src_[j] == '\'')) {
          char q = src_[j++];
          size_t end = src_.find(q, j);
          if (end == std::string_view::npos) end = src_.size();
          value = DecodeEntities(src_.substr(j, end - j));
          j = std::min(end + 1, src_.size());
        } else {
          size_t v = j;
          while (j < src_.size() && !text::IsSpace(src_[j]) && src_[j] != '>') ++j;
          value = DecodeEntities(src_.substr(v, j - v));
        }
      }
      if (!attrName.empty() &&
          std::none_of(attrs.begin(), attrs.end(), [&](const dom::Attribute& x) { return x.name == attrName; }))
        attrs.push_back({attrName, value});
    }
    dom::Node* el = Open(name, std::move(attrs));
    if (!el) return j;
    if (name == "script" || name == "style" || name == "textarea" || name == "title" || name == "xmp") {
      std::string close = "</" + name;
      size_t end = j;
      for (;;) {
        end = src_.find("</", end);
        if (end == std::string_view::npos || text::EqualsIgnoreCase(src_.substr(end, close.size()), close)) break;
        end += 2;
      }
      if (end == std::string_view::npos) end = src_.size();
      el->sourceLine = LineAt(j);
      std::string_view raw = src_.substr(j, end - j);
      if (!raw.empty()) {
        bool rcdata = name == "textarea" || name == "title";
        dom::AppendChild(el, dom::CreateText(doc_, rcdata ? DecodeEntities(raw) : std::string(raw)));
      }
      Close(el);
      size_t gt = end == src_.size() ? end : src_.find('>', end);
      return gt == std::string_view::npos ? src_.size() : gt + 1;
    }
    if (dom::IsVoidElement(name) || selfClosing) Close(el);
    return j;
  }

  void EnsureHtml() {
    if (fragment_ || html_) return;
    html_ = dom::CreateElement(doc_, "html");
    dom::AppendChild(doc_->root, html_);
    stack_.push_back(html_);
  }
  void EnsureHead() {
    EnsureHtml();
    if (fragment_ || head_) return;
    head_ = dom::CreateElement(doc_, "head");
    dom::AppendChild(html_, head_);
  }
  void EnsureBody() {
    EnsureHead();
    if (fragment_ || body_) return;
    body_ = dom::CreateElement(doc_, "body");
    dom::AppendChild(html_, body_);
    stack_.resize(2);  // document, html
    stack_.push_back(body_);
  }

  // Where a new element named name goes; creates the implicit structure first.
  void PlaceFor(std::string_view name) {
    if (fragment_) return;
    if (!body_ && IsHeadElement(name)) {
      EnsureHead();
      if (Current() != head_) {
        stack_.resize(2);
        stack_.push_back(head_);
      }
      return;
    }
    EnsureBody();
  }

  dom::Node* Open(const std::string& name, std::vector<dom::Attribute> attrs) {
    if (!fragment_) {
      if (name == "html") {
        EnsureHtml();
        Merge(html_, attrs);
        return nullptr;
      }
      if (name == "head") {
        if (!body_) {
          EnsureHead();
          Merge(head_, attrs);
          stack_.resize(2);
          stack_.push_back(head_);
        }
        return nullptr;
      }
      if (name == "body") {
        EnsureBody();
        Merge(body_, attrs);
        return nullptr;
      }
    }
    PlaceFor(name);
    if (ClosesParagraph(name)) CloseIfOpen("p", {"div", "td", "li", "table", "body"});
    if (name == "li") CloseIfOpen("li", {"ul", "ol"});
    if (name == "option") CloseIfOpen("option", {"select"});
    if (name == "dt" || name == "dd") {
      CloseIfOpen("dt", {"dl"});
      CloseIfOpen("dd", {"dl"});
    }
    if (name == "td" || name == "th") {
      CloseIfOpen("td", {"tr", "table"});
      CloseIfOpen("th", {"tr", "table"});
    }
    if (name == "tr") CloseIfOpen("tr", {"table"});
    dom::Node* el = dom::CreateElement(doc_, name);
    el->attributes = std::move(attrs);
    Append(el);
    // Past this depth further elements become siblings, as in browsers: the tree a page
    // parses into stays shallow enough for everything that walks it, and so does the list of
    // open elements that every start and end tag searches.
    if (stack_.size() < kMaxOpenElements) stack_.push_back(el);
    return el;
  }

  void Merge(dom::Node* el, const std::vector<dom::Attribute>& attrs) {
    for (const dom::Attribute& a : attrs) {
      if (!dom::GetAttribute(el, a.name)) el->attributes.push_back(a);
    }
  }

  // Closes the nearest open element named name unless a boundary element comes first.
  void CloseIfOpen(std::string_view name, std::initializer_list<const char*> boundaries) {
    for (size_t k = stack_.size(); k-- > 1;) {
      dom::Node* n = stack_[k];
      if (n->name == name) {
        stack_.resize(k);
        return;
      }
      if (In(n->name, boundaries)) return;
    }
  }

  void Close(dom::Node* el) {
    auto it = std::find(stack_.begin(), stack_.end(), el);
    if (it != stack_.end()) stack_.erase(it, stack_.end());
  }

  void EndTag(const std::string& name) {
    if (!fragment_ && (name == "html" || name == "body")) return;
    if (!fragment_ && name == "head") {
      if (head_ && Current() == head_) stack_.pop_back();
      return;
    }
    for (size_t k = stack_.size(); k-- > 1;) {
      if (stack_[k]->name == name) {
        if (stack_[k] == body_ || stack_[k] == html_) return;
        stack_.resize(k);
        return;
      }
    }
  }

  void Text(const std::string& t) {
    if (t.empty()) return;
    bool blank = text::Trim(t).empty();
    if (!fragment_ && !body_) {
      if (blank) return;
      EnsureBody();
    }
    dom::Node* parent = Current();
    if (!parent->children.empty() && parent->children.back()->kind == dom::NodeKind::Text) {
      parent->children.back()->data += t;
      return;
    }
    Append(dom::CreateText(doc_, t));
  }

  void Append(dom::Node* n) {
    if (!fragment_ && Current() == doc_->root && n->kind == dom::NodeKind::Element) EnsureBody();
    dom::AppendChild(Current(), n);
  }

  static constexpr size_t kMaxOpenElements = 512;

  dom::Document* doc_;
  std::string_view src_;
  bool fragment_;
  std::vector<dom::Node*> stack_;
  dom::Node* html_ = nullptr;
  dom::Node* head_ = nullptr;
  dom::Node* body_ = nullptr;
  int lineCount_ = 1;
  size_t linePos_ = 0;
};

}  // namespace

void ParseDocument(dom::Document* doc, std::string_view source) {
  TreeBuilder builder(doc, nullptr, source);
  builder.Run();
  // Every document has html, head and body, even an empty one.
  if (!dom::Body(doc)) {
    dom::Node* html = dom::DocumentElement(doc);
    if (!html) {
      html = dom::CreateElement(doc, "html");
      dom::AppendChild(doc->root, html);
    }
    bool hasHead = false;
    for (dom::Node* c : html->children) hasHead |= c->name == "head";
    if (!hasHead)
      dom::InsertBefore(html, dom::CreateElement(doc, "head"),
                        html->children.empty() ? nullptr : html->children.front());
    dom::AppendChild(html, dom::CreateElement(doc, "body"));
  }
}

void ParseFragment(dom::Node* parent, std::string_view source) {
  TreeBuilder builder(parent->document, parent, source);
  builder.Run();
}

}  // namespace html
