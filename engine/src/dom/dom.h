#pragma once
// The document tree. Strings are CESU-8 (the script engine's encoding); tag and attribute
// names are lower case.
//
// Lifetime: a node is reference counted. Its parent holds one reference, its script wrapper
// (if any) one more. The document keeps a registry of every live node so that tearing a page
// down frees everything regardless of what scripts still held.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace dom {

struct Document;

enum class NodeKind { Document, Element, Text, Comment };

struct Attribute {
  std::string name;
  std::string value;
};

struct Node {
  NodeKind kind = NodeKind::Element;
  std::string name;  // tag name for elements
  std::string data;  // text of text and comment nodes
  std::vector<Attribute> attributes;
  Node* parent = nullptr;
  std::vector<Node*> children;
  bool connected = false;  // in the document's tree (kept by the tree changes)
  Document* document = nullptr;
  int refs = 0;
  uint32_t serial = 0;         // unique within the document; keys the script wrapper
  void* wrapper = nullptr;     // the script object for this node, not owned
  int sourceLine = 1;          // line of the node's content in its page (scripts)
  bool scriptStarted = false;  // a script element that has run (or must never run)
  std::string sheet;           // text of an external style sheet (link elements)
};

struct Document {
  Node* root = nullptr;  // the document node
  uint64_t version = 1;  // changes with every mutation; painting compares it
  bool tearingDown = false;
  uint32_t nextSerial = 1;
  std::unordered_set<Node*> live;
  // Called when a node gets or loses a parent, for the script wrappers' bookkeeping.
  std::function<void(Node*)> onParentChanged;
  // Called after a node was inserted into the tree below the document.
  std::function<void(Node*)> onInserted;
  // Interaction state that selectors see (:hover, :active, :focus); each holds a reference.
  Node* hover = nullptr;
  Node* active = nullptr;
  Node* focus = nullptr;
  // Editing in the focused text field: the selection as UTF-16 offsets into its value (the
  // caret is at selectionEnd), and the value it had when it got the focus.
  size_t selectionStart = 0, selectionEnd = 0;
  std::string valueAtFocus;
  Node* openSelect = nullptr;  // a <select> whose option list is shown (holds a reference)
};

Document* NewDocument();
// Frees every node and the document.
void DeleteDocument(Document* doc);

Node* CreateElement(Document* doc, std::string_view name);
Node* CreateText(Document* doc, std::string_view data);
Node* CreateComment(Document* doc, std::string_view data);
void AddRef(Node* n);
void Release(Node* n);

// Tree changes; each bumps the document version.
void InsertBefore(Node* parent, Node* child, Node* before);  // before null appends
void AppendChild(Node* parent, Node* child);
void RemoveChild(Node* parent, Node* child);
void RemoveAllChildren(Node* parent);
void Touch(Node* n);  // something about n changed that painting must see
// Points one of the document's state slots at n (or nothing); true when it changed.
bool SetState(Node*& slot, Node* n);

const std::string* GetAttribute(const Node* n, std::string_view name);
void SetAttribute(Node* n, std::string_view name, std::string_view value);
bool RemoveAttribute(Node* n, std::string_view name);
bool HasClass(const Node* n, std::string_view cls);

bool IsConnected(const Node* n);
bool Contains(const Node* ancestor, const Node* n);
bool IsElement(const Node* n);
std::string TextContent(const Node* n);
void SetTextContent(Node* n, std::string_view text);

Node* DocumentElement(const Document* doc);
Node* Head(const Document* doc);
Node* Body(const Document* doc);
Node* FindById(Node* root, std::string_view id);
// Visits elements below root in document order (root itself excluded); stop by returning false.
void ForEachElement(Node* root, const std::function<bool(Node*)>& visit);

bool IsVoidElement(std::string_view name);
std::string SerializeChildren(const Node* n);
std::string Serialize(const Node* n);

}  // namespace dom
