#pragma once
// The script-visible document: wrappers of DOM nodes and their prototypes.
#include <duktape.h>

#include "dom/dom.h"
#include "script/page.h"

namespace bindings {

// Creates the prototypes and the global document of a new page.
void Install(page::Page& p);
// Pushes the script object of a node (the same object every time), or null.
void PushNode(page::Page& p, duk_context* ctx, dom::Node* n);
// The node behind a wrapper at idx, or nullptr.
dom::Node* NodeAt(duk_context* ctx, duk_idx_t idx);
// Keeps the wrapper of a node alive while the node is in a tree.
void ParentChanged(page::Page& p, dom::Node* n);

}  // namespace bindings
