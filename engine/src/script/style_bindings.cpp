#include "core/text.h"
#include "css/css_style.h"
#include "script/bindings_shared.h"

namespace bindings {
namespace {

// element.style: a proxy over the style attribute.
void PushStyle(duk_context* ctx, duk_idx_t wrapperIdx) {
  page::Page& p = PageOf(ctx);
  wrapperIdx = duk_normalize_index(ctx, wrapperIdx);
  duk_push_object(ctx);  // target
  duk_push_heapptr(ctx, p.styleProto);
  duk_set_prototype(ctx, -2);
  duk_dup(ctx, wrapperIdx);
  duk_put_prop_string(ctx, -2, kOwnerKey);
  duk_push_heapptr(ctx, p.styleHandler);
  duk_push_proxy(ctx, 0);
}
dom::Node* StyleOwner(duk_context* ctx, duk_idx_t target) {
  duk_get_prop_string(ctx, target, kOwnerKey);
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

}  // namespace

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

void InstallStyle(page::Page& p) {
  duk_context* ctx = p.ctx;
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
         {{"setProperty", StyleSetProperty, 2},
          {"getPropertyValue", StyleGetPropertyValue, 1},
          {"removeProperty", StyleRemoveProperty, 1}});
  duk_pop(ctx);
}

}  // namespace bindings
