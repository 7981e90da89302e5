#include "dom_bindings.h"

#include <string>

#include "controls.h"
#include "css_style.h"
#include "html_parser.h"
#include "selectors.h"
#include "text.h"
#include "view.h"

namespace bindings {
namespace {

#define NODE_KEY DUK_HIDDEN_SYMBOL("node")
#define OWNER_KEY DUK_HIDDEN_SYMBOL("owner")

page::Page& PageOf(duk_context* ctx) { return *page::FromContext(ctx); }

dom::Node* This(duk_context* ctx) {
  duk_push_this(ctx);
  dom::Node* n = NodeAt(ctx, -1);
  duk_pop(ctx);
  if (!n) (void)duk_type_error(ctx, "not a node");
  return n;
}

dom::Node* ThisElement(duk_context* ctx) {
  dom::Node* n = This(ctx);
  if (n->kind != dom::NodeKind::Element) (void)duk_type_error(ctx, "not an element");
  return n;
}

// Argument idx as a string (CESU-8); throws like a script conversion would.
std::string Arg(duk_context* ctx, duk_idx_t idx) {
  duk_size_t len = 0;
  const char* s = duk_to_lstring(ctx, idx, &len);
  return std::string(s, len);
}

void PushString(duk_context* ctx, const std::string& s) { duk_push_lstring(ctx, s.data(), s.size()); }

void PushList(duk_context* ctx, const std::vector<dom::Node*>& nodes) {
  page::Page& p = PageOf(ctx);
  duk_push_array(ctx);
  for (size_t i = 0; i < nodes.size(); ++i) {
    PushNode(p, ctx, nodes[i]);
    duk_put_prop_index(ctx, -2, static_cast<duk_uarridx_t>(i));
  }
}

std::vector<dom::Node*> ElementChildren(const dom::Node* n) {
  std::vector<dom::Node*> out;
  for (dom::Node* c : n->children) {
    if (c->kind == dom::NodeKind::Element) out.push_back(c);
  }
  return out;
}

dom::Node* Sibling(const dom::Node* n, int step, bool elementsOnly) {
  if (!n->parent) return nullptr;
  const auto& kids = n->parent->children;
  size_t i = 0;
  while (i < kids.size() && kids[i] != n) ++i;
  for (long k = static_cast<long>(i) + step; k >= 0 && k < static_cast<long>(kids.size()); k += step) {
    if (!elementsOnly || kids[static_cast<size_t>(k)]->kind == dom::NodeKind::Element) return kids[static_cast<size_t>(k)];
  }
  return nullptr;
}

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
  if (old->parent != parent || dom::Contains(fresh, parent)) return duk_error(ctx, DUK_ERR_ERROR, "HierarchyRequestError");
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
dom::Node* Clone(dom::Node* n, bool deep) {
  dom::Node* c = n->kind == dom::NodeKind::Element ? dom::CreateElement(n->document, n->name)
                 : n->kind == dom::NodeKind::Text  ? dom::CreateText(n->document, n->data)
                                                   : dom::CreateComment(n->document, n->data);
  c->attributes = n->attributes;
  if (deep) {
    for (dom::Node* k : n->children) dom::AppendChild(c, Clone(k, true));
  }
  return c;
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

// Element accessors and methods.
duk_ret_t AttributeGetter(duk_context* ctx, const char* name) {
  const std::string* v = dom::GetAttribute(ThisElement(ctx), name);
  PushString(ctx, v ? *v : std::string());
  return 1;
}
duk_ret_t AttributeSetter(duk_context* ctx, const char* name) {
  dom::Node* n = ThisElement(ctx);
  dom::SetAttribute(n, name, Arg(ctx, 0));
  return 0;
}
duk_ret_t GetId(duk_context* ctx) { return AttributeGetter(ctx, "id"); }
duk_ret_t SetId(duk_context* ctx) { return AttributeSetter(ctx, "id"); }
duk_ret_t GetClassName(duk_context* ctx) { return AttributeGetter(ctx, "class"); }
duk_ret_t SetClassName(duk_context* ctx) { return AttributeSetter(ctx, "class"); }
duk_ret_t GetSrc(duk_context* ctx) { return AttributeGetter(ctx, "src"); }
duk_ret_t SetSrc(duk_context* ctx) { return AttributeSetter(ctx, "src"); }
duk_ret_t GetHref(duk_context* ctx) { return AttributeGetter(ctx, "href"); }
duk_ret_t SetHref(duk_context* ctx) { return AttributeSetter(ctx, "href"); }
duk_ret_t GetType(duk_context* ctx) { return AttributeGetter(ctx, "type"); }
duk_ret_t SetType(duk_context* ctx) { return AttributeSetter(ctx, "type"); }
duk_ret_t GetName(duk_context* ctx) { return AttributeGetter(ctx, "name"); }
duk_ret_t SetName(duk_context* ctx) { return AttributeSetter(ctx, "name"); }
// A select's value is its chosen option's (the first option when none is marked).
dom::Node* ChosenOption(dom::Node* select) {
  dom::Node* chosen = nullptr;
  dom::ForEachElement(select, [&](dom::Node* o) {
    if (o->name != "option") return true;
    if (!chosen || dom::GetAttribute(o, "selected")) chosen = o;
    return dom::GetAttribute(o, "selected") == nullptr;
  });
  return chosen;
}
std::string OptionValue(const dom::Node* o) {
  const std::string* v = dom::GetAttribute(o, "value");
  return v ? *v : dom::TextContent(o);
}
duk_ret_t GetValue(duk_context* ctx) {
  dom::Node* n = ThisElement(ctx);
  if (n->name == "textarea") {
    PushString(ctx, dom::TextContent(n));
    return 1;
  }
  if (n->name == "select") {
    dom::Node* o = ChosenOption(n);
    PushString(ctx, o ? OptionValue(o) : std::string());
    return 1;
  }
  return AttributeGetter(ctx, "value");
}
duk_ret_t SetValue(duk_context* ctx) {
  dom::Node* n = ThisElement(ctx);
  std::string v = Arg(ctx, 0);
  if (n->name == "textarea") {
    dom::SetTextContent(n, v);
  } else if (n->name == "select") {
    dom::ForEachElement(n, [&](dom::Node* o) {
      if (o->name == "option") {
        if (OptionValue(o) == v) dom::SetAttribute(o, "selected", "");
        else dom::RemoveAttribute(o, "selected");
      }
      return true;
    });
  } else {
    dom::SetAttribute(n, "value", v);
  }
  return 0;
}
duk_ret_t BooleanAttributeGetter(duk_context* ctx, const char* name) {
  duk_push_boolean(ctx, dom::GetAttribute(ThisElement(ctx), name) != nullptr);
  return 1;
}
duk_ret_t BooleanAttributeSetter(duk_context* ctx, const char* name) {
  dom::Node* n = ThisElement(ctx);
  if (duk_to_boolean(ctx, 0)) dom::SetAttribute(n, name, "");
  else dom::RemoveAttribute(n, name);
  return 0;
}
// Geometry from the view's current layout (laid out now if anything changed).
layout::Rect BoundsOfThis(duk_context* ctx) {
  dom::Node* n = ThisElement(ctx);
  page::Page& p = PageOf(ctx);
  if (!p.view) return {};
  return static_cast<view::View*>(p.view)->Bounds(n);
}
duk_ret_t GetOffsetLeft(duk_context* ctx) {
  duk_push_number(ctx, BoundsOfThis(ctx).x);
  return 1;
}
duk_ret_t GetOffsetTop(duk_context* ctx) {
  duk_push_number(ctx, BoundsOfThis(ctx).y);
  return 1;
}
duk_ret_t GetOffsetWidth(duk_context* ctx) {
  duk_push_number(ctx, BoundsOfThis(ctx).w);
  return 1;
}
duk_ret_t GetOffsetHeight(duk_context* ctx) {
  duk_push_number(ctx, BoundsOfThis(ctx).h);
  return 1;
}
duk_ret_t GetBoundingClientRect(duk_context* ctx) {
  layout::Rect r = BoundsOfThis(ctx);
  duk_push_object(ctx);
  const std::pair<const char*, double> fields[] = {{"left", r.x}, {"top", r.y}, {"right", r.x + r.w}, {"bottom", r.y + r.h},
                                                   {"width", r.w}, {"height", r.h}, {"x", r.x}, {"y", r.y}};
  for (const auto& [name, v] : fields) {
    duk_push_number(ctx, v);
    duk_put_prop_string(ctx, -2, name);
  }
  return 1;
}

duk_ret_t GetChecked(duk_context* ctx) { return BooleanAttributeGetter(ctx, "checked"); }
duk_ret_t SetChecked(duk_context* ctx) { return BooleanAttributeSetter(ctx, "checked"); }
duk_ret_t GetDisabled(duk_context* ctx) { return BooleanAttributeGetter(ctx, "disabled"); }
duk_ret_t SetDisabled(duk_context* ctx) { return BooleanAttributeSetter(ctx, "disabled"); }
duk_ret_t GetHidden(duk_context* ctx) { return BooleanAttributeGetter(ctx, "hidden"); }
duk_ret_t SetHidden(duk_context* ctx) { return BooleanAttributeSetter(ctx, "hidden"); }
duk_ret_t GetTagName(duk_context* ctx) { return GetNodeName(ctx); }
duk_ret_t GetInnerHtml(duk_context* ctx) {
  PushString(ctx, dom::SerializeChildren(ThisElement(ctx)));
  return 1;
}
duk_ret_t SetInnerHtml(duk_context* ctx) {
  dom::Node* n = ThisElement(ctx);
  std::string source = duk_is_null_or_undefined(ctx, 0) ? std::string() : Arg(ctx, 0);
  page::Page& p = PageOf(ctx);
  dom::RemoveAllChildren(n);
  bool wasParsing = p.parsing;
  p.parsing = true;
  html::ParseFragment(n, source);
  p.parsing = wasParsing;
  return 0;
}
duk_ret_t GetOuterHtml(duk_context* ctx) {
  PushString(ctx, dom::Serialize(ThisElement(ctx)));
  return 1;
}
duk_ret_t GetChildren(duk_context* ctx) {
  PushList(ctx, ElementChildren(This(ctx)));
  return 1;
}
duk_ret_t GetChildElementCount(duk_context* ctx) {
  duk_push_uint(ctx, static_cast<duk_uint_t>(ElementChildren(This(ctx)).size()));
  return 1;
}
duk_ret_t GetFirstElementChild(duk_context* ctx) {
  auto kids = ElementChildren(This(ctx));
  PushNode(PageOf(ctx), ctx, kids.empty() ? nullptr : kids.front());
  return 1;
}
duk_ret_t GetLastElementChild(duk_context* ctx) {
  auto kids = ElementChildren(This(ctx));
  PushNode(PageOf(ctx), ctx, kids.empty() ? nullptr : kids.back());
  return 1;
}
duk_ret_t GetNextElementSibling(duk_context* ctx) {
  PushNode(PageOf(ctx), ctx, Sibling(This(ctx), 1, true));
  return 1;
}
duk_ret_t GetPreviousElementSibling(duk_context* ctx) {
  PushNode(PageOf(ctx), ctx, Sibling(This(ctx), -1, true));
  return 1;
}
duk_ret_t GetAttributeMethod(duk_context* ctx) {
  dom::Node* n = ThisElement(ctx);
  std::string name = text::AsciiLower(Arg(ctx, 0));
  const std::string* v = dom::GetAttribute(n, name);
  if (v) PushString(ctx, *v);
  else duk_push_null(ctx);
  return 1;
}
duk_ret_t SetAttributeMethod(duk_context* ctx) {
  dom::Node* n = ThisElement(ctx);
  duk_to_string(ctx, 0);
  duk_to_string(ctx, 1);
  std::string name = text::AsciiLower(Arg(ctx, 0));
  std::string value = Arg(ctx, 1);
  dom::SetAttribute(n, name, value);
  return 0;
}
duk_ret_t RemoveAttributeMethod(duk_context* ctx) {
  dom::Node* n = ThisElement(ctx);
  dom::RemoveAttribute(n, text::AsciiLower(Arg(ctx, 0)));
  return 0;
}
duk_ret_t HasAttributeMethod(duk_context* ctx) {
  dom::Node* n = ThisElement(ctx);
  duk_push_boolean(ctx, dom::GetAttribute(n, text::AsciiLower(Arg(ctx, 0))) != nullptr);
  return 1;
}
duk_ret_t RemoveSelf(duk_context* ctx) {
  dom::Node* n = This(ctx);
  duk_push_this(ctx);
  if (n->parent) dom::RemoveChild(n->parent, n);
  return 0;
}

// element.focus() and element.blur(): the same focus the mouse and Tab move.
duk_ret_t FocusMethod(duk_context* ctx) {
  dom::Node* n = ThisElement(ctx);
  page::Page& p = PageOf(ctx);
  if (dom::IsConnected(n) && controls::FocusableFrom(n) == n) controls::Focus(p, n);
  return 0;
}
duk_ret_t BlurMethod(duk_context* ctx) {
  dom::Node* n = ThisElement(ctx);
  page::Page& p = PageOf(ctx);
  if (p.doc->focus == n) controls::Focus(p, nullptr);
  return 0;
}

// element.style: a proxy over the style attribute.
void PushStyle(duk_context* ctx, duk_idx_t wrapperIdx) {
  page::Page& p = PageOf(ctx);
  wrapperIdx = duk_normalize_index(ctx, wrapperIdx);
  duk_push_object(ctx);  // target
  duk_push_heapptr(ctx, p.styleProto);
  duk_set_prototype(ctx, -2);
  duk_dup(ctx, wrapperIdx);
  duk_put_prop_string(ctx, -2, OWNER_KEY);
  duk_push_heapptr(ctx, p.styleHandler);
  duk_push_proxy(ctx, 0);
}
dom::Node* StyleOwner(duk_context* ctx, duk_idx_t target) {
  duk_get_prop_string(ctx, target, OWNER_KEY);
  dom::Node* n = NodeAt(ctx, -1);
  duk_pop(ctx);
  return n;
}
css::Declarations InlineStyle(const dom::Node* n) {
  const std::string* s = dom::GetAttribute(n, "style");
  return s ? css::ParseDeclarations(*s) : css::Declarations{};
}
void SetStyleProperty(dom::Node* n, const std::string& property, const std::string& value) {
  css::Declarations d = InlineStyle(n);
  css::SetDeclaration(d, property, text::Trim(value));
  dom::SetAttribute(n, "style", css::SerializeDeclarations(d));
}
std::string PropertyName(const std::string& key) {
  return key.find('-') != std::string::npos ? text::AsciiLower(key) : css::CamelToProperty(key);
}
duk_ret_t GetStyle(duk_context* ctx) {
  ThisElement(ctx);
  duk_push_this(ctx);
  PushStyle(ctx, -1);
  return 1;
}
duk_ret_t SetStyle(duk_context* ctx) {
  dom::Node* n = ThisElement(ctx);
  dom::SetAttribute(n, "style", Arg(ctx, 0));
  return 0;
}
// get trap: (target, key, receiver)
duk_ret_t StyleGetTrap(duk_context* ctx) {
  bool plainKey = duk_is_string(ctx, 1) && !duk_is_symbol(ctx, 1);
  if (!plainKey || (duk_dup(ctx, 1), duk_has_prop(ctx, 0))) {
    duk_dup(ctx, 1);
    duk_get_prop(ctx, 0);
    return 1;
  }
  dom::Node* n = StyleOwner(ctx, 0);
  if (!n) return 0;
  std::string key = duk_get_string(ctx, 1);
  if (key == "cssText") {
    const std::string* s = dom::GetAttribute(n, "style");
    PushString(ctx, s ? css::SerializeDeclarations(InlineStyle(n)) : std::string());
    return 1;
  }
  css::Declarations d = InlineStyle(n);
  const std::string* v = css::FindDeclaration(d, PropertyName(key));
  PushString(ctx, v ? *v : std::string());
  return 1;
}
// set trap: (target, key, value, receiver)
duk_ret_t StyleSetTrap(duk_context* ctx) {
  if (!duk_is_null_or_undefined(ctx, 2)) duk_to_string(ctx, 2);
  dom::Node* n = StyleOwner(ctx, 0);
  if (!n || !duk_is_string(ctx, 1) || duk_is_symbol(ctx, 1)) {
    duk_push_true(ctx);
    return 1;
  }
  std::string key = duk_get_string(ctx, 1);
  std::string value = duk_is_null_or_undefined(ctx, 2) ? std::string() : Arg(ctx, 2);
  if (key == "cssText") dom::SetAttribute(n, "style", value);
  else SetStyleProperty(n, PropertyName(key), value);
  duk_push_true(ctx);
  return 1;
}
dom::Node* StyleThis(duk_context* ctx) {
  duk_push_this(ctx);
  dom::Node* n = StyleOwner(ctx, -1);
  duk_pop(ctx);
  if (!n) (void)duk_type_error(ctx, "not a style");
  return n;
}
duk_ret_t StyleSetProperty(duk_context* ctx) {
  dom::Node* n = StyleThis(ctx);
  duk_to_string(ctx, 0);
  if (!duk_is_null_or_undefined(ctx, 1)) duk_to_string(ctx, 1);
  std::string property = text::AsciiLower(Arg(ctx, 0));
  std::string value = duk_is_null_or_undefined(ctx, 1) ? std::string() : Arg(ctx, 1);
  SetStyleProperty(n, property, value);
  return 0;
}
duk_ret_t StyleGetPropertyValue(duk_context* ctx) {
  dom::Node* n = StyleThis(ctx);
  std::string property = text::AsciiLower(Arg(ctx, 0));
  const std::string* v = css::FindDeclaration(InlineStyle(n), property);
  PushString(ctx, v ? *v : std::string());
  return 1;
}
duk_ret_t StyleRemoveProperty(duk_context* ctx) {
  dom::Node* n = StyleThis(ctx);
  std::string property = text::AsciiLower(Arg(ctx, 0));
  const std::string* v = css::FindDeclaration(InlineStyle(n), property);
  std::string old = v ? *v : std::string();
  SetStyleProperty(n, property, "");
  PushString(ctx, old);
  return 1;
}

// Document.
dom::Node* ThisDocument(duk_context* ctx) {
  dom::Node* n = This(ctx);
  if (n->kind != dom::NodeKind::Document) (void)duk_type_error(ctx, "not a document");
  return n;
}
duk_ret_t GetDocumentElement(duk_context* ctx) {
  PushNode(PageOf(ctx), ctx, dom::DocumentElement(ThisDocument(ctx)->document));
  return 1;
}
duk_ret_t GetHead(duk_context* ctx) {
  PushNode(PageOf(ctx), ctx, dom::Head(ThisDocument(ctx)->document));
  return 1;
}
duk_ret_t GetBody(duk_context* ctx) {
  PushNode(PageOf(ctx), ctx, dom::Body(ThisDocument(ctx)->document));
  return 1;
}
duk_ret_t GetActiveElement(duk_context* ctx) {
  dom::Document* doc = ThisDocument(ctx)->document;
  dom::Node* focus = doc->focus && dom::IsConnected(doc->focus) ? doc->focus : dom::Body(doc);
  PushNode(PageOf(ctx), ctx, focus);
  return 1;
}
dom::Node* TitleElement(dom::Document* doc) {
  dom::Node* found = nullptr;
  dom::ForEachElement(doc->root, [&](dom::Node* n) {
    if (n->name == "title") found = n;
    return found == nullptr;
  });
  return found;
}
duk_ret_t GetTitle(duk_context* ctx) {
  dom::Node* t = TitleElement(ThisDocument(ctx)->document);
  PushString(ctx, t ? std::string(text::Trim(dom::TextContent(t))) : std::string());
  return 1;
}
duk_ret_t SetTitle(duk_context* ctx) {
  dom::Document* doc = ThisDocument(ctx)->document;
  std::string value = Arg(ctx, 0);
  dom::Node* t = TitleElement(doc);
  if (!t) {
    dom::Node* head = dom::Head(doc);
    if (!head) return 0;
    t = dom::CreateElement(doc, "title");
    dom::AppendChild(head, t);
  }
  dom::SetTextContent(t, value);
  return 0;
}
duk_ret_t GetElementById(duk_context* ctx) {
  dom::Node* d = ThisDocument(ctx);
  std::string id = Arg(ctx, 0);
  PushNode(PageOf(ctx), ctx, dom::FindById(d, id));
  return 1;
}
duk_ret_t CreateElement(duk_context* ctx) {
  dom::Node* d = ThisDocument(ctx);
  std::string name = Arg(ctx, 0);
  if (name.empty()) return duk_error(ctx, DUK_ERR_ERROR, "InvalidCharacterError");
  PushNode(PageOf(ctx), ctx, dom::CreateElement(d->document, name));
  return 1;
}
duk_ret_t CreateTextNode(duk_context* ctx) {
  dom::Node* d = ThisDocument(ctx);
  std::string data = Arg(ctx, 0);
  PushNode(PageOf(ctx), ctx, dom::CreateText(d->document, data));
  return 1;
}
duk_ret_t CreateComment(duk_context* ctx) {
  dom::Node* d = ThisDocument(ctx);
  std::string data = Arg(ctx, 0);
  PushNode(PageOf(ctx), ctx, dom::CreateComment(d->document, data));
  return 1;
}

duk_ret_t WrapperFinalizer(duk_context* ctx) {
  dom::Node* n = NodeAt(ctx, 0);
  if (!n) return 0;
  duk_del_prop_string(ctx, 0, NODE_KEY);
  if (n->wrapper == duk_get_heapptr(ctx, 0)) n->wrapper = nullptr;
  dom::Release(n);
  return 0;
}

struct Accessor {
  const char* name;
  duk_c_function get;
  duk_c_function set;
};
struct Method {
  const char* name;
  duk_c_function fn;
  duk_idx_t nargs;
};

void Define(duk_context* ctx, duk_idx_t obj, std::initializer_list<Accessor> accessors, std::initializer_list<Method> methods) {
  obj = duk_normalize_index(ctx, obj);
  for (const Accessor& a : accessors) {
    duk_push_string(ctx, a.name);
    duk_push_c_function(ctx, a.get, 0);
    duk_uint_t flags = DUK_DEFPROP_HAVE_GETTER | DUK_DEFPROP_SET_CONFIGURABLE;
    if (a.set) {
      duk_push_c_function(ctx, a.set, 1);
      flags |= DUK_DEFPROP_HAVE_SETTER;
    }
    duk_def_prop(ctx, obj, flags);
  }
  for (const Method& m : methods) {
    duk_push_c_function(ctx, m.fn, m.nargs);
    duk_put_prop_string(ctx, obj, m.name);
  }
}

void* NewProto(duk_context* ctx, void* parent, const char* stashKey) {
  duk_push_object(ctx);
  if (parent) {
    duk_push_heapptr(ctx, parent);
    duk_set_prototype(ctx, -2);
  }
  void* ptr = duk_get_heapptr(ctx, -1);
  duk_push_heap_stash(ctx);
  duk_dup(ctx, -2);
  duk_put_prop_string(ctx, -2, stashKey);
  duk_pop(ctx);
  return ptr;
}

void* ProtoFor(const page::Page& p, const dom::Node* n) {
  switch (n->kind) {
    case dom::NodeKind::Element: return p.elementProto;
    case dom::NodeKind::Document: return p.documentProto;
    default: return p.textProto;
  }
}

}  // namespace

dom::Node* NodeAt(duk_context* ctx, duk_idx_t idx) {
  if (!duk_is_object(ctx, idx)) return nullptr;
  duk_get_prop_string(ctx, idx, NODE_KEY);
  auto* n = static_cast<dom::Node*>(duk_get_pointer(ctx, -1));
  duk_pop(ctx);
  return n;
}

void PushNode(page::Page& p, duk_context* ctx, dom::Node* n) {
  if (!n) {
    duk_push_null(ctx);
    return;
  }
  if (n->wrapper) {
    duk_push_heapptr(ctx, n->wrapper);
    return;
  }
  duk_push_object(ctx);
  duk_push_heapptr(ctx, ProtoFor(p, n));
  duk_set_prototype(ctx, -2);
  duk_push_pointer(ctx, n);
  duk_put_prop_string(ctx, -2, NODE_KEY);
  n->wrapper = duk_get_heapptr(ctx, -1);
  dom::AddRef(n);
  if (n->parent || n->kind == dom::NodeKind::Document) {
    duk_push_heapptr(ctx, p.wrappers);
    duk_dup(ctx, -2);
    duk_put_prop_index(ctx, -2, n->serial);
    duk_pop(ctx);
  }
}

void ParentChanged(page::Page& p, dom::Node* n) {
  if (!n->wrapper || p.doc->tearingDown) return;
  duk_context* ctx = p.ctx;
  duk_push_heapptr(ctx, p.wrappers);
  if (n->parent) {
    duk_push_heapptr(ctx, n->wrapper);
    duk_put_prop_index(ctx, -2, n->serial);
  } else {
    duk_del_prop_index(ctx, -1, n->serial);
  }
  duk_pop(ctx);
}

void Install(page::Page& p) {
  duk_context* ctx = p.ctx;
  duk_push_heap_stash(ctx);
  duk_push_object(ctx);
  p.wrappers = duk_get_heapptr(ctx, -1);
  duk_put_prop_string(ctx, -2, "wrappers");
  duk_pop(ctx);

  p.nodeProto = NewProto(ctx, nullptr, "nodeProto");
  duk_push_heapptr(ctx, p.nodeProto);
  duk_push_c_function(ctx, WrapperFinalizer, 2);
  duk_set_finalizer(ctx, -2);
  Define(ctx, -1,
         {{"nodeType", GetNodeType, nullptr}, {"nodeName", GetNodeName, nullptr},
          {"parentNode", GetParentNode, nullptr}, {"parentElement", GetParentElement, nullptr},
          {"childNodes", GetChildNodes, nullptr}, {"firstChild", GetFirstChild, nullptr},
          {"lastChild", GetLastChild, nullptr}, {"nextSibling", GetNextSibling, nullptr},
          {"previousSibling", GetPreviousSibling, nullptr}, {"textContent", GetTextContent, SetTextContent},
          {"nodeValue", GetTextContent, SetTextContent}, {"data", GetTextContent, SetTextContent},
          {"ownerDocument", GetOwnerDocument, nullptr}},
         {{"appendChild", AppendChild, 1}, {"insertBefore", InsertBefore, 2}, {"removeChild", RemoveChild, 1},
          {"replaceChild", ReplaceChild, 2}, {"contains", ContainsNode, 1}, {"hasChildNodes", HasChildNodes, 0},
          {"cloneNode", CloneNode, 1}});
  duk_pop(ctx);

  p.elementProto = NewProto(ctx, p.nodeProto, "elementProto");
  duk_push_heapptr(ctx, p.elementProto);
  Define(ctx, -1,
         {{"id", GetId, SetId}, {"className", GetClassName, SetClassName}, {"tagName", GetTagName, nullptr},
          {"innerHTML", GetInnerHtml, SetInnerHtml}, {"outerHTML", GetOuterHtml, nullptr},
          {"children", GetChildren, nullptr}, {"childElementCount", GetChildElementCount, nullptr},
          {"firstElementChild", GetFirstElementChild, nullptr}, {"lastElementChild", GetLastElementChild, nullptr},
          {"nextElementSibling", GetNextElementSibling, nullptr},
          {"previousElementSibling", GetPreviousElementSibling, nullptr}, {"style", GetStyle, SetStyle},
          {"value", GetValue, SetValue}, {"checked", GetChecked, SetChecked}, {"disabled", GetDisabled, SetDisabled},
          {"hidden", GetHidden, SetHidden}, {"src", GetSrc, SetSrc}, {"href", GetHref, SetHref},
          {"type", GetType, SetType}, {"name", GetName, SetName}, {"offsetLeft", GetOffsetLeft, nullptr},
          {"offsetTop", GetOffsetTop, nullptr}, {"offsetWidth", GetOffsetWidth, nullptr},
          {"offsetHeight", GetOffsetHeight, nullptr}, {"clientWidth", GetOffsetWidth, nullptr},
          {"clientHeight", GetOffsetHeight, nullptr}},
         {{"getAttribute", GetAttributeMethod, 1}, {"setAttribute", SetAttributeMethod, 2},
          {"removeAttribute", RemoveAttributeMethod, 1}, {"hasAttribute", HasAttributeMethod, 1},
          {"querySelector", QuerySelector, 1}, {"querySelectorAll", QuerySelectorAll, 1},
          {"getElementsByTagName", GetElementsByTagName, 1},
          {"getElementsByClassName", GetElementsByClassName, 1}, {"remove", RemoveSelf, 0},
          {"getBoundingClientRect", GetBoundingClientRect, 0}, {"focus", FocusMethod, 0}, {"blur", BlurMethod, 0}});
  duk_pop(ctx);

  p.textProto = NewProto(ctx, p.nodeProto, "textProto");

  p.documentProto = NewProto(ctx, p.nodeProto, "documentProto");
  duk_push_heapptr(ctx, p.documentProto);
  Define(ctx, -1,
         {{"documentElement", GetDocumentElement, nullptr}, {"head", GetHead, nullptr}, {"body", GetBody, nullptr}, {"activeElement", GetActiveElement, nullptr},
          {"title", GetTitle, SetTitle}, {"children", GetChildren, nullptr}},
         {{"getElementById", GetElementById, 1}, {"createElement", CreateElement, 1},
          {"createTextNode", CreateTextNode, 1}, {"createComment", CreateComment, 1},
          {"querySelector", QuerySelector, 1}, {"querySelectorAll", QuerySelectorAll, 1},
          {"getElementsByTagName", GetElementsByTagName, 1},
          {"getElementsByClassName", GetElementsByClassName, 1}});
  duk_pop(ctx);

  // The proxy handler behind element.style, and the style methods on every proxy target.
  duk_push_object(ctx);
  duk_push_c_function(ctx, StyleGetTrap, 3);
  duk_put_prop_string(ctx, -2, "get");
  duk_push_c_function(ctx, StyleSetTrap, 4);
  duk_put_prop_string(ctx, -2, "set");
  p.styleHandler = duk_get_heapptr(ctx, -1);
  duk_push_heap_stash(ctx);
  duk_dup(ctx, -2);
  duk_put_prop_string(ctx, -2, "styleHandler");
  duk_pop_2(ctx);
  p.styleProto = NewProto(ctx, nullptr, "styleProto");
  duk_push_heapptr(ctx, p.styleProto);
  Define(ctx, -1, {},
         {{"setProperty", StyleSetProperty, 2}, {"getPropertyValue", StyleGetPropertyValue, 1},
          {"removeProperty", StyleRemoveProperty, 1}});
  duk_pop(ctx);

  duk_push_global_object(ctx);
  PushNode(p, ctx, p.doc->root);
  duk_put_prop_string(ctx, -2, "document");
  duk_pop(ctx);
}

}  // namespace bindings
