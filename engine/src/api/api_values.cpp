// Exported value functions. Every export catches its own exceptions: nothing may unwind into
// the host.
#include <cmath>

#include "core/text.h"
#include "script/natives.h"
#include "script/page.h"
#include "script/script.h"
#include "script/values.h"
#include "wke.h"

namespace {

page::Page* Live(jsExecState es) { return es && es->page ? es->page : nullptr; }

// ECMAScript ToInt32: truncation toward zero, then modulo 2^32, so 0x82000000 survives as a
// window style and NaN or infinities give 0.
int ToInt32(double d) {
  if (!std::isfinite(d)) return 0;
  d = std::trunc(d);
  double m = std::fmod(d, 4294967296.0);
  if (m < 0) m += 4294967296.0;
  uint32_t u = static_cast<uint32_t>(m);
  return static_cast<int>(u);
}

// Pushes v on the exec state's stack and gives its index.
duk_idx_t PushValue(jsExecState es, jsValue v) {
  values::Push(*es->page, es->ctx, v);
  return duk_get_top_index(es->ctx);
}

jsValue Popped(jsExecState es) {
  jsValue v = values::FromStack(*es->page, es->ctx, -1);
  duk_pop(es->ctx);
  return v;
}

}  // namespace

extern "C" {

WKE_API void WKE_CALL jsBindFunction(const char* name, jsNativeFunction function, unsigned argCount) {
  try {
    natives::Bind(name, function, argCount);
  } catch (...) {}
}

WKE_API void WKE_CALL jsBindGetter(const char* name, jsNativeFunction function) {
  try {
    natives::BindAccessor(name, function, true);
  } catch (...) {}
}

WKE_API void WKE_CALL jsBindSetter(const char* name, jsNativeFunction function) {
  try {
    natives::BindAccessor(name, function, false);
  } catch (...) {}
}

WKE_API jsValue WKE_CALL jsArg(jsExecState es, int index) {
  try {
    if (!Live(es) || index < 0 || index >= es->argCount) return values::Undefined();
    return values::FromStack(*es->page, es->ctx, index);
  } catch (...) {
    return values::Undefined();
  }
}

WKE_API int WKE_CALL jsArgCount(jsExecState es) { return Live(es) ? static_cast<int>(es->argCount) : 0; }

WKE_API jsType WKE_CALL jsArgType(jsExecState es, int index) {
  if (!Live(es) || index < 0 || index >= es->argCount) return JSTYPE_UNDEFINED;
  return values::TypeOfStack(es->ctx, index);
}

WKE_API jsType WKE_CALL jsTypeOf(jsValue v) {
  try {
    if (!values::IsLive(v)) return JSTYPE_UNDEFINED;
  } catch (...) {
    return JSTYPE_UNDEFINED;
  }
  switch (values::TagOf(v)) {
    case values::kNumber: return JSTYPE_NUMBER;
    case values::kUndefined: return JSTYPE_UNDEFINED;
    case values::kNull: return JSTYPE_NULL;
    case values::kBoolean: return JSTYPE_BOOLEAN;
    case values::kString: return JSTYPE_STRING;
    case values::kFunction: return JSTYPE_FUNCTION;
    default: return JSTYPE_OBJECT;
  }
}

WKE_API bool WKE_CALL jsIsNumber(jsValue v) { return values::TagOf(v) == values::kNumber; }
WKE_API bool WKE_CALL jsIsUndefined(jsValue v) { return jsTypeOf(v) == JSTYPE_UNDEFINED; }

WKE_API double WKE_CALL jsToDouble(jsExecState es, jsValue v) {
  switch (values::TagOf(v)) {
    case values::kNumber: return values::AsNumber(v);
    case values::kUndefined: return NAN;
    case values::kNull: return 0;
    case values::kBoolean: return (v & 1) ? 1 : 0;
    default: break;
  }
  try {
    if (!Live(es)) return NAN;
    duk_idx_t idx = PushValue(es, v);
    double d = script::SafeNumber(es->ctx, idx);
    duk_pop(es->ctx);
    return d;
  } catch (...) {
    return NAN;
  }
}

WKE_API int WKE_CALL jsToInt(jsExecState es, jsValue v) { return ToInt32(jsToDouble(es, v)); }

WKE_API const char* WKE_CALL jsToString(jsExecState es, jsValue v) {
  try {
    if (!Live(es)) return "";
    duk_idx_t idx = PushValue(es, v);
    std::string s = text::CesuToUtf8(script::SafeString(es->ctx, idx));
    duk_pop(es->ctx);
    return values::KeepText(*es->page, std::move(s));
  } catch (...) {
    return "";
  }
}

WKE_API const wchar_t* WKE_CALL jsToStringW(jsExecState es, jsValue v) {
  try {
    if (!Live(es)) return L"";
    duk_idx_t idx = PushValue(es, v);
    std::wstring s = text::CesuToWide(script::SafeString(es->ctx, idx));
    duk_pop(es->ctx);
    return values::KeepWideText(*es->page, std::move(s));
  } catch (...) {
    return L"";
  }
}

WKE_API jsValue WKE_CALL jsUndefined(void) { return values::Undefined(); }
WKE_API jsValue WKE_CALL jsInt(int n) { return values::Number(n); }
WKE_API jsValue WKE_CALL jsDouble(double d) { return values::Number(d); }
WKE_API jsValue WKE_CALL jsTrue(void) { return values::Boolean(true); }
WKE_API jsValue WKE_CALL jsFalse(void) { return values::Boolean(false); }

WKE_API jsValue WKE_CALL jsString(jsExecState es, const char* utf8) {
  try {
    if (!Live(es)) return values::Undefined();
    std::string s = text::Utf8ToCesu(utf8 ? utf8 : "");
    duk_push_lstring(es->ctx, s.data(), s.size());
    return Popped(es);
  } catch (...) {
    return values::Undefined();
  }
}

WKE_API jsValue WKE_CALL jsStringW(jsExecState es, const wchar_t* wide) {
  try {
    if (!Live(es)) return values::Undefined();
    std::string s = text::WideToCesu(wide ? wide : L"");
    duk_push_lstring(es->ctx, s.data(), s.size());
    return Popped(es);
  } catch (...) {
    return values::Undefined();
  }
}

WKE_API jsValue WKE_CALL jsObject(jsExecState es) {
  try {
    if (!Live(es)) return values::Undefined();
    duk_push_object(es->ctx);
    return Popped(es);
  } catch (...) {
    return values::Undefined();
  }
}

WKE_API jsValue WKE_CALL jsGet(jsExecState es, jsValue object, const char* property) {
  try {
    if (!Live(es) || !property) return values::Undefined();
    duk_idx_t idx = PushValue(es, object);
    if (!duk_is_object(es->ctx, idx)) {
      duk_pop(es->ctx);
      return values::Undefined();
    }
    script::SafeGet(es->ctx, idx, text::Utf8ToCesu(property).c_str());
    jsValue v = Popped(es);
    duk_pop(es->ctx);
    return v;
  } catch (...) {
    return values::Undefined();
  }
}

WKE_API void WKE_CALL jsSet(jsExecState es, jsValue object, const char* property, jsValue v) {
  try {
    if (!Live(es) || !property) return;
    duk_idx_t idx = PushValue(es, object);
    if (duk_is_object(es->ctx, idx)) {
      values::Push(*es->page, es->ctx, v);
      script::SafePut(es->ctx, idx, text::Utf8ToCesu(property).c_str());
    }
    duk_pop(es->ctx);
  } catch (...) {}
}

WKE_API jsValue WKE_CALL jsGetAt(jsExecState es, jsValue object, int index) {
  try {
    if (!Live(es) || index < 0) return values::Undefined();
    duk_idx_t idx = PushValue(es, object);
    if (!duk_is_object(es->ctx, idx)) {
      duk_pop(es->ctx);
      return values::Undefined();
    }
    script::SafeGetIndex(es->ctx, idx, static_cast<duk_uarridx_t>(index));
    jsValue v = Popped(es);
    duk_pop(es->ctx);
    return v;
  } catch (...) {
    return values::Undefined();
  }
}

WKE_API void WKE_CALL jsSetAt(jsExecState es, jsValue object, int index, jsValue v) {
  try {
    if (!Live(es) || index < 0) return;
    duk_idx_t idx = PushValue(es, object);
    if (duk_is_object(es->ctx, idx)) {
      values::Push(*es->page, es->ctx, v);
      script::SafePutIndex(es->ctx, idx, static_cast<duk_uarridx_t>(index));
    }
    duk_pop(es->ctx);
  } catch (...) {}
}

WKE_API jsValue WKE_CALL jsGetGlobal(jsExecState es, const char* property) {
  try {
    if (!Live(es) || !property) return values::Undefined();
    duk_push_global_object(es->ctx);
    script::SafeGet(es->ctx, -1, text::Utf8ToCesu(property).c_str());
    jsValue v = Popped(es);
    duk_pop(es->ctx);
    return v;
  } catch (...) {
    return values::Undefined();
  }
}

WKE_API void WKE_CALL jsSetGlobal(jsExecState es, const char* property, jsValue v) {
  try {
    if (!Live(es) || !property) return;
    duk_push_global_object(es->ctx);
    values::Push(*es->page, es->ctx, v);
    script::SafePut(es->ctx, -2, text::Utf8ToCesu(property).c_str());
    duk_pop(es->ctx);
  } catch (...) {}
}

WKE_API int WKE_CALL jsGetLength(jsExecState es, jsValue object) {
  try {
    if (!Live(es)) return 0;
    duk_idx_t idx = PushValue(es, object);
    if (duk_is_null_or_undefined(es->ctx, idx)) {
      duk_pop(es->ctx);
      return 0;
    }
    script::SafeGet(es->ctx, idx, "length");
    int n = ToInt32(script::SafeNumber(es->ctx, -1));
    duk_pop_2(es->ctx);
    return n;
  } catch (...) {
    return 0;
  }
}

WKE_API void WKE_CALL jsSetLength(jsExecState es, jsValue object, int length) {
  try {
    if (!Live(es)) return;
    duk_idx_t idx = PushValue(es, object);
    if (duk_is_object(es->ctx, idx)) {
      duk_push_int(es->ctx, length);
      script::SafePut(es->ctx, idx, "length");
    }
    duk_pop(es->ctx);
  } catch (...) {}
}

WKE_API jsValue WKE_CALL jsGlobalObject(jsExecState es) {
  try {
    if (!Live(es)) return values::Undefined();
    duk_push_global_object(es->ctx);
    return Popped(es);
  } catch (...) {
    return values::Undefined();
  }
}

WKE_API jsValue WKE_CALL jsEval(jsExecState es, const char* utf8Script) {
  try {
    if (!Live(es) || !utf8Script) return values::Undefined();
    page::Page& p = *es->page;
    values::ReleaseHostScope(p, es->ctx);
    if (!script::Run(p, text::Utf8ToCesu(utf8Script), "eval", 1)) return values::Undefined();
    return Popped(es);
  } catch (...) {
    return values::Undefined();
  }
}

WKE_API jsValue WKE_CALL jsCall(jsExecState es, jsValue function, jsValue thisObject, jsValue* args, int argCount) {
  try {
    if (!Live(es)) return values::Undefined();
    page::Page& p = *es->page;
    duk_context* ctx = es->ctx;
    if (argCount < 0 || (argCount > 0 && !args)) argCount = 0;
    duk_require_stack(ctx, argCount + 4);
    values::Push(p, ctx, function);
    if (!duk_is_callable(ctx, -1)) {
      duk_pop(ctx);
      return values::Undefined();
    }
    values::Push(p, ctx, thisObject);
    for (int i = 0; i < argCount; ++i) values::Push(p, ctx, args[i]);
    // The arguments are on the stack now; the host's earlier temporaries can go.
    values::ReleaseHostScope(p, ctx);
    script::Call(p, ctx, argCount);
    return Popped(es);
  } catch (...) {
    return values::Undefined();
  }
}

WKE_API bool WKE_CALL jsReleaseFunction(jsExecState es, jsValue function) {
  try {
    return Live(es) && values::ReleaseFunction(*es->page, es->ctx, function);
  } catch (...) {
    return false;
  }
}

WKE_API wkeWebView WKE_CALL jsGetWebView(jsExecState es) { return Live(es) ? es->page->view : nullptr; }

}  // extern "C"
