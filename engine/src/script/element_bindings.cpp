#include "core/text.h"
#include "dom/form_fields.h"
#include "dom/html_parser.h"
#include "script/bindings_shared.h"

namespace bindings {
namespace {

std::vector<dom::Node*> ElementChildren(const dom::Node* n) {
  std::vector<dom::Node*> out;
  for (dom::Node* c : n->children) {
    if (c->kind == dom::NodeKind::Element) out.push_back(c);
  }
  return out;
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
page::ClientRect BoundsOfThis(duk_context* ctx) {
  dom::Node* n = ThisElement(ctx);
  page::Page& p = PageOf(ctx);
  if (!p.view || !p.bounds) return {};
  return p.bounds(n);
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
  page::ClientRect r = BoundsOfThis(ctx);
  duk_push_object(ctx);
  const std::pair<const char*, double> fields[] = {
      {"left", r.x},  {"top", r.y},    {"right", r.x + r.w}, {"bottom", r.y + r.h},
      {"width", r.w}, {"height", r.h}, {"x", r.x},           {"y", r.y}};
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
  if (dom::IsConnected(n) && fields::IsFocusable(n) && p.moveFocus) p.moveFocus(n);
  return 0;
}
duk_ret_t BlurMethod(duk_context* ctx) {
  dom::Node* n = ThisElement(ctx);
  page::Page& p = PageOf(ctx);
  if (p.doc->focus == n && p.moveFocus) p.moveFocus(nullptr);
  return 0;
}

}  // namespace

duk_ret_t GetChildren(duk_context* ctx) {
  PushList(ctx, ElementChildren(This(ctx)));
  return 1;
}

void DefineElementMembers(duk_context* ctx, duk_idx_t proto) {
  Define(ctx, proto,
         {{"id", GetId, SetId},
          {"className", GetClassName, SetClassName},
          {"tagName", GetTagName, nullptr},
          {"innerHTML", GetInnerHtml, SetInnerHtml},
          {"outerHTML", GetOuterHtml, nullptr},
          {"children", GetChildren, nullptr},
          {"childElementCount", GetChildElementCount, nullptr},
          {"firstElementChild", GetFirstElementChild, nullptr},
          {"lastElementChild", GetLastElementChild, nullptr},
          {"nextElementSibling", GetNextElementSibling, nullptr},
          {"previousElementSibling", GetPreviousElementSibling, nullptr},
          {"style", GetStyle, SetStyle},
          {"value", GetValue, SetValue},
          {"checked", GetChecked, SetChecked},
          {"disabled", GetDisabled, SetDisabled},
          {"hidden", GetHidden, SetHidden},
          {"src", GetSrc, SetSrc},
          {"href", GetHref, SetHref},
          {"type", GetType, SetType},
          {"name", GetName, SetName},
          {"offsetLeft", GetOffsetLeft, nullptr},
          {"offsetTop", GetOffsetTop, nullptr},
          {"offsetWidth", GetOffsetWidth, nullptr},
          {"offsetHeight", GetOffsetHeight, nullptr},
          {"clientWidth", GetOffsetWidth, nullptr},
          {"clientHeight", GetOffsetHeight, nullptr}},
         {{"getAttribute", GetAttributeMethod, 1},
          {"setAttribute", SetAttributeMethod, 2},
          {"removeAttribute", RemoveAttributeMethod, 1},
          {"hasAttribute", HasAttributeMethod, 1},
          {"querySelector", QuerySelector, 1},
          {"querySelectorAll", QuerySelectorAll, 1},
          {"getElementsByTagName", GetElementsByTagName, 1},
          {"getElementsByClassName", GetElementsByClassName, 1},
          {"remove", RemoveSelf, 0},
          {"getBoundingClientRect", GetBoundingClientRect, 0},
          {"focus", FocusMethod, 0},
          {"blur", BlurMethod, 0}});
}

}  // namespace bindings
