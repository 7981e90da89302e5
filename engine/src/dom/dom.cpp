#include "dom/dom.h"

#include <algorithm>

#include "core/text.h"

namespace dom {
namespace {

Node* NewNode(Document* doc, NodeKind kind) {
  Node* n = new Node;
  n->kind = kind;
  n->document = doc;
  n->serial = doc->nextSerial++;
  doc->live.insert(n);
  return n;
}

void Changed(Document* doc) { ++doc->version; }

void Detach(Node* parent, Node* child) {
  auto it = std::find(parent->children.begin(), parent->children.end(), child);
  if (it == parent->children.end()) return;
  parent->children.erase(it);
  child->parent = nullptr;
  if (child->document->onParentChanged) child->document->onParentChanged(child);
  Release(child);
}

void EscapeInto(std::string& out, std::string_view s, bool attribute) {
  for (char c : s) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += attribute ? "<" : "&lt;"; break;
      case '>': out += attribute ? ">" : "&gt;"; break;
      case '"': out += attribute ? "&quot;" : "\""; break;
      default: out.push_back(c);
    }
  }
}

void SerializeInto(std::string& out, const Node* n) {
  switch (n->kind) {
    case NodeKind::Text: {
      const Node* p = n->parent;
      if (p && (p->name == "script" || p->name == "style")) out += n->data;
      else EscapeInto(out, n->data, false);
      return;
    }
    case NodeKind::Comment: out += "<!--" + n->data + "-->"; return;
    case NodeKind::Document:
      for (const Node* c : n->children) SerializeInto(out, c);
      return;
    case NodeKind::Element:
      out += "<" + n->name;
      for (const Attribute& a : n->attributes) {
        out += " " + a.name + "=\"";
        EscapeInto(out, a.value, true);
        out += "\"";
      }
      out += ">";
      if (IsVoidElement(n->name)) return;
      for (const Node* c : n->children) SerializeInto(out, c);
      out += "</" + n->name + ">";
  }
}

}  // namespace

Document* NewDocument() {
  Document* doc = new Document;
  doc->root = NewNode(doc, NodeKind::Document);
  doc->root->name = "#document";
  doc->root->refs = 1;
  return doc;
}

void DeleteDocument(Document* doc) {
  doc->tearingDown = true;
  for (Node* n : doc->live) delete n;
  delete doc;
}

Node* CreateElement(Document* doc, std::string_view name) {
  Node* n = NewNode(doc, NodeKind::Element);
  n->name = text::AsciiLower(name);
  return n;
}

Node* CreateText(Document* doc, std::string_view data) {
  Node* n = NewNode(doc, NodeKind::Text);
  n->name = "#text";
  n->data = data;
  return n;
}

Node* CreateComment(Document* doc, std::string_view data) {
  Node* n = NewNode(doc, NodeKind::Comment);
  n->name = "#comment";
  n->data = data;
  return n;
}

void AddRef(Node* n) { ++n->refs; }

void Release(Node* n) {
  Document* doc = n->document;
  if (doc->tearingDown || --n->refs > 0) return;
  std::vector<Node*> kids;
  kids.swap(n->children);
  for (Node* c : kids) {
    c->parent = nullptr;
    if (doc->onParentChanged) doc->onParentChanged(c);
    Release(c);
  }
  doc->live.erase(n);
  delete n;
}

void InsertBefore(Node* parent, Node* child, Node* before) {
  if (!parent || !child || child == parent || Contains(child, parent)) return;
  AddRef(child);
  if (child->parent) Detach(child->parent, child);
  auto it = before ? std::find(parent->children.begin(), parent->children.end(), before) : parent->children.end();
  parent->children.insert(it, child);
  child->parent = parent;
  Document* doc = parent->document;
  if (doc->onParentChanged) doc->onParentChanged(child);
  Changed(doc);
  if (doc->onInserted && IsConnected(child)) doc->onInserted(child);
}

void AppendChild(Node* parent, Node* child) { InsertBefore(parent, child, nullptr); }

void RemoveChild(Node* parent, Node* child) {
  if (!parent || !child || child->parent != parent) return;
  Detach(parent, child);
  Changed(parent->document);
}

void RemoveAllChildren(Node* parent) {
  while (!parent->children.empty()) Detach(parent, parent->children.back());
  Changed(parent->document);
}

void Touch(Node* n) { Changed(n->document); }

bool SetState(Node*& slot, Node* n) {
  if (slot == n) return false;
  if (n) AddRef(n);
  Node* old = slot;
  slot = n;
  if (old) Release(old);
  return true;
}

const std::string* GetAttribute(const Node* n, std::string_view name) {
  for (const Attribute& a : n->attributes) {
    if (a.name == name) return &a.value;
  }
  return nullptr;
}

void SetAttribute(Node* n, std::string_view name, std::string_view value) {
  for (Attribute& a : n->attributes) {
    if (a.name == name) {
      a.value = value;
      Changed(n->document);
      return;
    }
  }
  n->attributes.push_back({std::string(name), std::string(value)});
  Changed(n->document);
}

bool RemoveAttribute(Node* n, std::string_view name) {
  auto it =
      std::find_if(n->attributes.begin(), n->attributes.end(), [&](const Attribute& a) { return a.name == name; });
  if (it == n->attributes.end()) return false;
  n->attributes.erase(it);
  Changed(n->document);
  return true;
}

bool HasClass(const Node* n, std::string_view cls) {
  const std::string* c = GetAttribute(n, "class");
  if (!c || cls.empty()) return false;
  std::string_view s = *c;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && text::IsSpace(s[i])) ++i;
    size_t j = i;
    while (j < s.size() && !text::IsSpace(s[j])) ++j;
    if (s.substr(i, j - i) == cls) return true;
    i = j;
  }
  return false;
}

bool IsConnected(const Node* n) {
  while (n->parent) n = n->parent;
  return n->kind == NodeKind::Document;
}

bool Contains(const Node* ancestor, const Node* n) {
  for (; n; n = n->parent) {
    if (n == ancestor) return true;
  }
  return false;
}

bool IsElement(const Node* n) { return n && n->kind == NodeKind::Element; }

std::string TextContent(const Node* n) {
  if (n->kind == NodeKind::Text || n->kind == NodeKind::Comment) return n->data;
  std::string out;
  for (const Node* c : n->children) {
    if (c->kind != NodeKind::Comment) out += TextContent(c);
  }
  return out;
}

void SetTextContent(Node* n, std::string_view value) {
  if (n->kind == NodeKind::Text || n->kind == NodeKind::Comment) {
    n->data = value;
    Changed(n->document);
    return;
  }
  RemoveAllChildren(n);
  if (!value.empty()) AppendChild(n, CreateText(n->document, value));
}

Node* DocumentElement(const Document* doc) {
  for (Node* c : doc->root->children) {
    if (c->kind == NodeKind::Element) return c;
  }
  return nullptr;
}

static Node* ChildNamed(Node* n, std::string_view name) {
  if (!n) return nullptr;
  for (Node* c : n->children) {
    if (c->kind == NodeKind::Element && c->name == name) return c;
  }
  return nullptr;
}

Node* Head(const Document* doc) { return ChildNamed(DocumentElement(doc), "head"); }
Node* Body(const Document* doc) { return ChildNamed(DocumentElement(doc), "body"); }

void ForEachElement(Node* root, const std::function<bool(Node*)>& visit) {
  // Iterative walk over a snapshot-free tree; visit must not change the tree.
  std::vector<std::pair<Node*, size_t>> stack{{root, 0}};
  while (!stack.empty()) {
    auto& [node, index] = stack.back();
    if (index >= node->children.size()) {
      stack.pop_back();
      continue;
    }
    Node* child = node->children[index++];
    if (child->kind != NodeKind::Element) continue;
    if (!visit(child)) return;
    stack.push_back({child, 0});
  }
}

Node* FindById(Node* root, std::string_view id) {
  Node* found = nullptr;
  if (id.empty()) return nullptr;
  ForEachElement(root, [&](Node* n) {
    const std::string* v = GetAttribute(n, "id");
    if (v && *v == id) {
      found = n;
      return false;
    }
    return true;
  });
  return found;
}

bool IsVoidElement(std::string_view name) {
  static const char* const kVoid[] = {"area",  "base", "br",   "col",   "embed",  "hr",    "img",
                                      "input", "link", "meta", "param", "source", "track", "wbr"};
  for (const char* v : kVoid) {
    if (name == v) return true;
  }
  return false;
}

std::string SerializeChildren(const Node* n) {
  std::string out;
  for (const Node* c : n->children) SerializeInto(out, c);
  return out;
}

std::string Serialize(const Node* n) {
  std::string out;
  SerializeInto(out, n);
  return out;
}

}  // namespace dom
