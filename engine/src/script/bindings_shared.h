#pragma once
// What the binding files of the script-visible document share: argument and result helpers,
// the natives more than one prototype carries, and the definition of each prototype.
#include <duktape.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "dom/dom.h"
#include "script/bindings.h"
#include "script/page.h"

namespace bindings {

inline constexpr char kNodeKey[] = DUK_HIDDEN_SYMBOL("node");
inline constexpr char kOwnerKey[] = DUK_HIDDEN_SYMBOL("owner");

page::Page& PageOf(duk_context* ctx);
// The node (or element) behind `this`; throws a type error otherwise.
dom::Node* This(duk_context* ctx);
dom::Node* ThisElement(duk_context* ctx);
// Argument idx as a string (CESU-8); throws like a script conversion would.
std::string Arg(duk_context* ctx, duk_idx_t idx);
void PushString(duk_context* ctx, const std::string& s);
void PushList(duk_context* ctx, const std::vector<dom::Node*>& nodes);
dom::Node* Sibling(const dom::Node* n, int step, bool elementsOnly);

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
void Define(duk_context* ctx, duk_idx_t obj, std::initializer_list<Accessor> accessors,
            std::initializer_list<Method> methods);
// A new prototype object (kept alive in the heap stash under stashKey), left on the stack.
void* NewProto(duk_context* ctx, void* parent, const char* stashKey);

// Natives on more than one prototype.
duk_ret_t GetNodeName(duk_context* ctx);
duk_ret_t GetChildren(duk_context* ctx);
duk_ret_t GetStyle(duk_context* ctx);
duk_ret_t SetStyle(duk_context* ctx);
duk_ret_t QuerySelector(duk_context* ctx);
duk_ret_t QuerySelectorAll(duk_context* ctx);
duk_ret_t GetElementsByTagName(duk_context* ctx);
duk_ret_t GetElementsByClassName(duk_context* ctx);

// The members of each prototype, on the object at proto.
void DefineNodeMembers(duk_context* ctx, duk_idx_t proto);
void DefineElementMembers(duk_context* ctx, duk_idx_t proto);
void DefineDocumentMembers(duk_context* ctx, duk_idx_t proto);
// The proxy handler behind element.style and the prototype of its targets.
void InstallStyle(page::Page& p);

}  // namespace bindings
