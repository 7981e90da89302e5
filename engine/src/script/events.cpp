#include "script/events.h"

#include "core/text.h"
#include "script/bindings.h"
#include "script/script.h"

namespace events {
namespace {

void PutNumber(duk_context* ctx, const char* key, double v) {
  duk_push_number(ctx, v);
  duk_put_prop_string(ctx, -2, key);
}
void PutBool(duk_context* ctx, const char* key, bool v) {
  duk_push_boolean(ctx, v);
  duk_put_prop_string(ctx, -2, key);
}

}  // namespace

bool Fire(page::Page& p, dom::Node* target, const char* type, const Init& init, bool* prevented) {
  if (prevented) *prevented = false;
  if (p.retired || !p.internals) return false;
  duk_context* ctx = p.ctx;
  duk_push_heapptr(ctx, p.internals);
  duk_get_prop_string(ctx, -1, "fire");
  duk_swap_top(ctx, -2);
  if (target) bindings::PushNode(p, ctx, target);
  else duk_push_global_object(ctx);
  duk_push_string(ctx, type);
  duk_push_object(ctx);
  PutBool(ctx, "bubbles", init.bubbles);
  if (init.mouse || init.wheel) {
    PutNumber(ctx, "clientX", init.clientX);
    PutNumber(ctx, "clientY", init.clientY);
    PutNumber(ctx, "pageX", init.clientX);
    PutNumber(ctx, "pageY", init.clientY);
    PutNumber(ctx, "screenX", init.clientX);
    PutNumber(ctx, "screenY", init.clientY);
    PutNumber(ctx, "x", init.clientX);
    PutNumber(ctx, "y", init.clientY);
    PutNumber(ctx, "button", init.button);
    PutNumber(ctx, "buttons", init.buttons);
    PutNumber(ctx, "which", init.button + 1);
    PutNumber(ctx, "detail", init.detail);
  }
  if (init.wheel) {
    PutNumber(ctx, "deltaX", 0);
    PutNumber(ctx, "deltaY", init.deltaY);
    PutNumber(ctx, "deltaZ", 0);
    PutNumber(ctx, "deltaMode", 0);
    PutNumber(ctx, "wheelDelta", init.wheelDelta);
  }
  if (init.keyboard) {
    PutNumber(ctx, "keyCode", init.keyCode);
    PutNumber(ctx, "which", init.keyCode);
    PutNumber(ctx, "charCode", init.charCode);
    PutBool(ctx, "repeat", init.repeat);
    std::string key;
    if (init.charCode) text::AppendCodePoint(key, init.charCode);
    duk_push_lstring(ctx, key.data(), key.size());
    duk_put_prop_string(ctx, -2, "key");
  }
  if (init.mouse || init.wheel || init.keyboard) {
    PutBool(ctx, "shiftKey", init.shiftKey);
    PutBool(ctx, "ctrlKey", init.ctrlKey);
    PutBool(ctx, "altKey", init.altKey);
    PutBool(ctx, "metaKey", false);
  }
  script::Call(p, ctx, 3);
  int result = duk_is_number(ctx, -1) ? duk_get_int(ctx, -1) : 0;
  duk_pop(ctx);
  if (prevented) *prevented = (result & 2) != 0;
  return result != 0;
}

}  // namespace events
