#include "script/natives.h"

#include <string>
#include <vector>

#include "script/pages.h"
#include "script/values.h"

namespace natives {
namespace {

enum class Kind { Function, Getter, Setter };

struct Entry {
  std::string name;
  jsNativeFunction function;
  unsigned argCount;
  Kind kind = Kind::Function;
};
std::vector<Entry> entries;

duk_ret_t Trampoline(duk_context* ctx) {
  page::Page* p = page::FromContext(ctx);
  const Entry& entry = entries[static_cast<size_t>(duk_get_current_magic(ctx))];
  jsNativeFunction function = entry.function;
  jsExecStateImpl es{p, ctx, duk_get_top(ctx)};
  values::OpenScope(*p);
  jsValue result = function ? function(&es) : values::Undefined();
  duk_require_stack(ctx, 4);
  values::Push(*p, ctx, result);
  values::CloseScope(*p, ctx);
  return 1;
}

duk_ret_t InstallUnsafe(duk_context* ctx, void* udata) {
  size_t index = *static_cast<size_t*>(udata);
  const Entry& e = entries[index];
  duk_push_global_object(ctx);
  if (e.kind != Kind::Function) {
    duk_push_lstring(ctx, e.name.data(), e.name.size());
    duk_push_c_function(ctx, Trampoline, DUK_VARARGS);
    duk_set_magic(ctx, -1, static_cast<duk_int_t>(index));
    duk_def_prop(
        ctx, -3,
        (e.kind == Kind::Getter ? DUK_DEFPROP_HAVE_GETTER : DUK_DEFPROP_HAVE_SETTER) | DUK_DEFPROP_SET_CONFIGURABLE);
    return 0;
  }
  duk_push_c_function(ctx, Trampoline, DUK_VARARGS);
  duk_set_magic(ctx, -1, static_cast<duk_int_t>(index));
  duk_push_string(ctx, "length");
  duk_push_uint(ctx, e.argCount);
  duk_def_prop(ctx, -3, DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_FORCE);
  duk_push_lstring(ctx, e.name.data(), e.name.size());
  duk_swap_top(ctx, -2);
  duk_put_prop(ctx, -3);
  return 0;
}

void Install(page::Page& p, size_t index) {
  duk_safe_call(p.ctx, InstallUnsafe, &index, 0, 1);
  duk_pop(p.ctx);
}

void Add(const char* name, jsNativeFunction function, unsigned argCount, Kind kind) {
  if (!name || !*name) return;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].name == name && entries[i].kind == kind) {
      entries[i].function = function;
      entries[i].argCount = argCount;
      pages::ForEach([&](page::Page& p) { Install(p, i); });
      return;
    }
  }
  if (entries.size() >= 32767) return;  // the function's magic number is 16 bits
  entries.push_back({name, function, argCount, kind});
  pages::ForEach([&](page::Page& p) { Install(p, entries.size() - 1); });
}

}  // namespace

void Bind(const char* name, jsNativeFunction function, unsigned argCount) {
  Add(name, function, argCount, Kind::Function);
}

void BindAccessor(const char* name, jsNativeFunction function, bool getter) {
  Add(name, function, getter ? 1 : 0, getter ? Kind::Getter : Kind::Setter);
}

void InstallAll(page::Page& p) {
  for (size_t i = 0; i < entries.size(); ++i) Install(p, i);
}

void Clear() { entries.clear(); }

}  // namespace natives
