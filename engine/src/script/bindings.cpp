#include "script/bindings.h"

#include "script/bindings_shared.h"

namespace bindings {
namespace {

duk_ret_t WrapperFinalizer(duk_context* ctx) {
  dom::Node* n = NodeAt(ctx, 0);
  if (!n) return 0;
  duk_del_prop_string(ctx, 0, kNodeKey);
  if (n->wrapper == duk_get_heapptr(ctx, 0)) n->wrapper = nullptr;
  dom::Release(n);
  return 0;
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
  duk_get_prop_string(ctx, idx, kNodeKey);
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
  duk_put_prop_string(ctx, -2, kNodeKey);
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
  DefineNodeMembers(ctx, -1);
  duk_pop(ctx);

  p.elementProto = NewProto(ctx, p.nodeProto, "elementProto");
  duk_push_heapptr(ctx, p.elementProto);
  DefineElementMembers(ctx, -1);
  duk_pop(ctx);

  p.textProto = NewProto(ctx, p.nodeProto, "textProto");

  p.documentProto = NewProto(ctx, p.nodeProto, "documentProto");
  duk_push_heapptr(ctx, p.documentProto);
  DefineDocumentMembers(ctx, -1);
  duk_pop(ctx);

  InstallStyle(p);

  duk_push_global_object(ctx);
  PushNode(p, ctx, p.doc->root);
  duk_put_prop_string(ctx, -2, "document");
  duk_pop(ctx);
}

}  // namespace bindings
