#include <cstdint>
#include <utility>
#include <vector>

#include "core/text.h"
#include "css/selectors.h"
#include "script/bindings_shared.h"

namespace bindings {
namespace {

// Node accessors.
duk_ret_t GetNodeType(duk_context* ctx) {
  switch (This(ctx)->kind) {
    case dom::NodeKind::Element: duk_push_int(ctx, 1); break;
    case dom::NodeKind::Text: duk_push_int(ctx, 3); break;
    case dom::NodeKind::Comment: duk_push_int(ctx, 8); break;
    case dom::NodeKind::Document: duk_push_int(ctx, 9); break;
  }
  return 1;
}
duk_ret_t GetParentNode(duk_context* ctx) {
  PushNode(PageOf(ctx), ctx, This(ctx)->parent);
  return 1;
}
duk_ret_t GetParentElement(duk_context* ctx) {
  dom::Node* parent = This(ctx)->parent;
  PushNode(PageOf(ctx), ctx, dom::IsElement(parent) ? parent : nullptr);
  return 1;
}
duk_ret_t GetChildNodes(duk_context* ctx) {
  PushList(ctx, This(ctx)->children);
  return 1;
}
duk_ret_t GetFirstChild(duk_context* ctx) {
  dom::Node* n = This(ctx);
  PushNode(PageOf(ctx), ctx, n->children.empty() ? nullptr : n->children.front());
  return 1;
}
duk_ret_t GetLastChild(duk_context* ctx) {
  dom::Node* n = This(ctx);
  PushNode(PageOf(ctx), ctx, n->children.empty() ? nullptr : n->children.back());
  return 1;
}
duk_ret_t GetNextSibling(duk_context* ctx) {
  PushNode(PageOf(ctx), ctx, Sibling(This(ctx), 1, false));
  return 1;
}
duk_ret_t GetPreviousSibling(duk_context* ctx) {
  PushNode(PageOf(ctx), ctx, Sibling(This(ctx), -1, false));
  return 1;
}
duk_ret_t GetTextContent(duk_context* ctx) {
  dom::Node* n = This(ctx);
  if (n->kind == dom::NodeKind::Document) {
    duk_push_null(ctx);
    return 1;
  }
  PushString(ctx, dom::TextContent(n));
  return 1;
}
duk_ret_t SetTextContent(duk_context* ctx) {
  dom::Node* n = This(ctx);
  std::string value = duk_is_null_or_undefined(ctx, 0) ? std::string() : Arg(ctx, 0);
  if (n->kind != dom::NodeKind::Document) dom::SetTextContent(n, value);
  return 0;
}
duk_ret_t GetOwnerDocument(duk_context* ctx) {
  dom::Node* n = This(ctx);
  PushNode(PageOf(ctx), ctx, n->kind == dom::NodeKind::Document ? nullptr : n->document->root);
  return 1;
}

// Node methods.
dom::Node* ArgNode(duk_context* ctx, duk_idx_t idx) {
  dom::Node* n = NodeAt(ctx, idx);
  if (!n) (void)duk_type_error(ctx, "argument is not a node");
  return n;
}
duk_ret_t AppendChild(duk_context* ctx) {
  dom::Node* parent = This(ctx);
  dom::Node* child = ArgNode(ctx, 0);
  if (child->kind == dom::NodeKind::Document || dom::Contains(child, parent))
    return duk_error(ctx, DUK_ERR_ERROR, "HierarchyRequestError");
  dom::AppendChild(parent, child);
  duk_dup(ctx, 0);
  return 1;
}
duk_ret_t InsertBefore(duk_context* ctx) {
  dom::Node* parent = This(ctx);
  dom::Node* child = ArgNode(ctx, 0);
  dom::Node* before = duk_is_null_or_undefined(ctx, 1) ? nullptr : ArgNode(ctx, 1);
  if (child->kind == dom::NodeKind::Document || dom::Contains(child, parent) || (before && before->parent != parent))
    return duk_error(ctx, DUK_ERR_ERROR, "HierarchyRequestError");
  dom::InsertBefore(parent, child, before);
  duk_dup(ctx, 0);
  return 1;
}
duk_ret_t RemoveChild(duk_context* ctx) {
  dom::Node* parent = This(ctx);
  dom::Node* child = ArgNode(ctx, 0);
  if (child->parent != parent) return duk_error(ctx, DUK_ERR_ERROR, "NotFoundError");
  duk_dup(ctx, 0);  // keeps the wrapper (and so the node) alive while it leaves the tree
  dom::RemoveChild(parent, child);
  return 1;
}
duk_ret_t ReplaceChild(duk_context* ctx) {
  dom::Node* parent = This(ctx);
  dom::Node* fresh = ArgNode(ctx, 0);
  dom::Node* old = ArgNode(ctx, 1);
  if (old->parent != parent || dom::Contains(fresh, parent))
    return duk_error(ctx, DUK_ERR_ERROR, "HierarchyRequestError");
  if (fresh != old) {
    dom::InsertBefore(parent, fresh, old);
    dom::RemoveChild(parent, old);
  }
  duk_dup(ctx, 1);
  return 1;
}
duk_ret_t ContainsNode(duk_context* ctx) {
  dom::Node* n = This(ctx);
  dom::Node* other = NodeAt(ctx, 0);
  duk_push_boolean(ctx, other && dom::Contains(n, other));
  return 1;
}
duk_ret_t HasChildNodes(duk_context* ctx) {
  duk_push_boolean(ctx, !This(ctx)->children.empty());
  return 1;
}
dom::Node* CopyOf(const dom::Node* n) {
  dom::Node* c = n->kind == dom::NodeKind::Element ? dom::CreateElement(n->document, n->name)
                 : n->kind == dom::NodeKind::Text  ? dom::CreateText(n->document, n->data)
                                                   : dom::CreateComment(n->document, n->data);
  c->attributes = n->attributes;
  return c;
}
// A deep copy is made with a work list: the tree may be deeper than the stack.
dom::Node* Clone(dom::Node* n, bool deep) {
  dom::Node* top = CopyOf(n);
  if (!deep) return top;
  std::vector<std::pair<const dom::Node*, dom::Node*>> todo{{n, top}};
  while (!todo.empty()) {
    auto [from, to] = todo.back();
    todo.pop_back();
    for (const dom::Node* k : from->children) {
      dom::Node* c = CopyOf(k);
      dom::AppendChild(to, c);
      todo.push_back({k, c});
    }
  }
  return top;
}
duk_ret_t CloneNode(duk_context* ctx) {
  dom::Node* n = This(ctx);
  bool deep = duk_to_boolean(ctx, 0);
  if (n->kind == dom::NodeKind::Document) return duk_error(ctx, DUK_ERR_ERROR, "NotSupportedError");
  PushNode(PageOf(ctx), ctx, Clone(n, deep));
  return 1;
}

duk_ret_t QuerySelectorImpl(duk_context* ctx, bool all) {
  dom::Node* root = This(ctx);
  std::string sel = Arg(ctx, 0);
  auto list = selectors::Parse(sel);
  if (!list) return duk_error(ctx, DUK_ERR_SYNTAX_ERROR, "unsupported selector");
  std::vector<dom::Node*> found = selectors::Select(root, *list, all ? SIZE_MAX : 1);
  if (all) PushList(ctx, found);
  else PushNode(PageOf(ctx), ctx, found.empty() ? nullptr : found.front());
  return 1;
}

}  // namespace

duk_ret_t GetNodeName(duk_context* ctx) {
  dom::Node* n = This(ctx);
  std::string name = n->name;
  if (n->kind == dom::NodeKind::Element) {
    for (char& c : name) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
  }
  PushString(ctx, name);
  return 1;
}

duk_ret_t QuerySelector(duk_context* ctx) { return QuerySelectorImpl(ctx, false); }
duk_ret_t QuerySelectorAll(duk_context* ctx) { return QuerySelectorImpl(ctx, true); }
duk_ret_t GetElementsByTagName(duk_context* ctx) {
  dom::Node* root = This(ctx);
  std::string tag = text::AsciiLower(Arg(ctx, 0));
  std::vector<dom::Node*> out;
  dom::ForEachElement(root, [&](dom::Node* n) {
    if (tag == "*" || n->name == tag) out.push_back(n);
    return true;
  });
  PushList(ctx, out);
  return 1;
}
duk_ret_t GetElementsByClassName(duk_context* ctx) {
  dom::Node* root = This(ctx);
  std::string cls = Arg(ctx, 0);
  std::vector<dom::Node*> out;
  dom::ForEachElement(root, [&](dom::Node* n) {
    if (dom::HasClass(n, cls)) out.push_back(n);
    return true;
  });
  PushList(ctx, out);
  return 1;
}

void DefineNodeMembers(duk_context* ctx, duk_idx_t proto) {
  Define(ctx, proto,
         {{"nodeType", GetNodeType, nullptr},
          {"nodeName", GetNodeName, nullptr},
          {"parentNode", GetParentNode, nullptr},
          {"parentElement", GetParentElement, nullptr},
          {"childNodes", GetChildNodes, nullptr},
          {"firstChild", GetFirstChild, nullptr},
          {"lastChild", GetLastChild, nullptr},
          {"nextSibling", GetNextSibling, nullptr},
          {"previousSibling", GetPreviousSibling, nullptr},
          {"textContent", GetTextContent, SetTextContent},
          {"nodeValue", GetTextContent, SetTextContent},
          {"data", GetTextContent, SetTextContent},
          {"ownerDocument", GetOwnerDocument, nullptr}},
         {{"appendChild", AppendChild, 1},
          {"insertBefore", InsertBefore, 2},
          {"removeChild", RemoveChild, 1},
          {"replaceChild", ReplaceChild, 2},
          {"contains", ContainsNode, 1},
          {"hasChildNodes", HasChildNodes, 0},
          {"cloneNode", CloneNode, 1}});
}

}  // namespace bindings
