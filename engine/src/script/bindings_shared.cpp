#include "script/bindings_shared.h"

namespace bindings {

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

dom::Node* Sibling(const dom::Node* n, int step, bool elementsOnly) {
  if (!n->parent) return nullptr;
  const auto& kids = n->parent->children;
  size_t i = 0;
  while (i < kids.size() && kids[i] != n) ++i;
  for (long k = static_cast<long>(i) + step; k >= 0 && k < static_cast<long>(kids.size()); k += step) {
    if (!elementsOnly || kids[static_cast<size_t>(k)]->kind == dom::NodeKind::Element)
      return kids[static_cast<size_t>(k)];
  }
  return nullptr;
}

void Define(duk_context* ctx, duk_idx_t obj, std::initializer_list<Accessor> accessors,
            std::initializer_list<Method> methods) {
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

}  // namespace bindings
