#include "dom/dom.h"

#include <algorithm>
#include <iterator>

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

void MarkConnected(Node* top, bool connected) {
  std::vector<Node*> todo{top};
  while (!todo.empty()) {
    Node* n = todo.back();
    todo.pop_back();
    n->connected = connected;
    todo.insert(todo.end(), n->children.begin(), n->children.end());
  }
}

void Detach(Node* parent, Node* child) {
  // From the end: emptying a node removes its last child over and over.
  auto it = std::find(parent->children.rbegin(), parent->children.rend(), child);
  if (it == parent->children.rend()) return;
  parent->children.erase(std::next(it).base());
  child->parent = nullptr;
  if (child->connected) MarkConnected(child, false);
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

void OpenTag(std::string& out, const Node* n) {
  out += "<" + n->name;
  for (const Attribute& a : n->attributes) {
    out += " " + a.name + "=\"";
    EscapeInto(out, a.value, true);
    out += "\"";
  }
  out += ">";
}

// Walks the tree without recursion: a script can nest elements deeper than the stack goes.
void SerializeInto(std::string& out, const Node* top) {
  struct Open {
    const Node* node;
    size_t next;
  };
  std::vector<Open> open;
  auto enter = [&](const Node* n) {
    switch (n->kind) {
      case NodeKind::Text: {
        const Node* p = n->parent;
        if (p && (p->name == "script" || p->name == "style")) out += n->data;
        else EscapeInto(out, n->data, false);
        return;
      }
      case NodeKind::Comment: out += "<!--" + n->data + "-->"; return;
      case NodeKind::Document: break;
      case NodeKind::Element:
        OpenTag(out, n);
        if (IsVoidElement(n->name)) return;
        break;
    }
    open.push_back({n, 0});
  };
  enter(top);
  while (!open.empty()) {
    Open& o = open.back();
    if (o.next < o.node->children.size()) {
      enter(o.node->children[o.next++]);
      continue;
    }
    if (o.node->kind == NodeKind::Element) out += "</" + o.node->name + ">";
    open.pop_back();
  }
}

}  // namespace

Document* NewDocument() {
  Document* doc = new Document;
  doc->root = NewNode(doc, NodeKind::Document);
  doc->root->name = "#document";
  doc->root->refs = 1;
  doc->root->connected = true;
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
  // Freeing a node lets go of its children, which may free them in turn: a work list rather
  // than recursion, however deep the tree.
  std::vector<Node*> dying{n};
  while (!dying.empty()) {
    Node* d = dying.back();
    dying.pop_back();
    std::vector<Node*> kids;
    kids.swap(d->children);
    for (Node* c : kids) {
      c->parent = nullptr;
      if (doc->onParentChanged) doc->onParentChanged(c);
      if (--c->refs <= 0) dying.push_back(c);
    }
    doc->live.erase(d);
    delete d;
  }
}

void InsertBefore(Node* parent, Node* child, Node* before) {
  if (!parent || !child || child == parent || Contains(child, parent)) return;
  AddRef(child);
  if (child->parent) Detach(child->parent, child);
  auto it = before ? std::find(parent->children.begin(), parent->children.end(), before) : parent->children.end();
  parent->children.insert(it, child);
  child->parent = parent;
  if (child->connected != parent->connected) MarkConnected(child, parent->connected);
  Document* doc = parent->document;
  if (doc->onParentChanged) doc->onParentChanged(child);
  Changed(doc);
  if (doc->onInserted && child->connected) doc->onInserted(child);
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

bool IsConnected(const Node* n) { return n->connected; }

bool Contains(const Node* ancestor, const Node* n) {
  // A node without children is nobody's ancestor: appending a new node costs no walk up.
  if (ancestor->children.empty()) return ancestor == n;
  for (; n; n = n->parent) {
    if (n == ancestor) return true;
  }
  return false;
}

bool IsElement(const Node* n) { return n && n->kind == NodeKind::Element; }

std::string TextContent(const Node* n) {
  if (n->kind == NodeKind::Text || n->kind == NodeKind::Comment) return n->data;
  std::string out;
  std::vector<std::pair<const Node*, size_t>> stack{{n, 0}};
  while (!stack.empty()) {
    auto& [node, index] = stack.back();
    if (index >= node->children.size()) {
      stack.pop_back();
      continue;
    }
    const Node* c = node->children[index++];
    if (c->kind == NodeKind::Text) out += c->data;
    else if (c->kind != NodeKind::Comment) stack.push_back({c, 0});
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
