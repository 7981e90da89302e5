#include "script/bootstrap.h"

#include <string>

#include "generated/bootstrap_js.h"
#include "platform/console.h"
#include "platform/files.h"
#include "script/pages.h"
#include "script/script.h"
#include "script/timers.h"

namespace bootstrap {
namespace {

duk_ret_t NativeLog(duk_context* ctx) {
  std::string level = script::SafeString(ctx, 0);
  std::string message = script::SafeString(ctx, 1);
  console::Write(level, message);
  return 0;
}

duk_ret_t NativeReportError(duk_context* ctx) {
  script::ReportError(ctx, 0, page::FromContext(ctx)->url);
  return 0;
}

duk_ret_t NativeTimerStart(duk_context* ctx) {
  double delay = duk_get_number_default(ctx, 0, 0);
  bool repeat = duk_to_boolean(ctx, 1);
  duk_push_number(ctx, static_cast<double>(timers::Start(*page::FromContext(ctx), delay, repeat)));
  return 1;
}

duk_ret_t NativeTimerStop(duk_context* ctx) {
  timers::Stop(*page::FromContext(ctx), static_cast<uintptr_t>(duk_get_number_default(ctx, 0, 0)));
  return 0;
}

duk_ret_t NativeNavigate(duk_context* ctx) {
  page::Page& p = *page::FromContext(ctx);
  std::string target = files::Resolve(p.url, script::SafeString(ctx, 0));
  pages::Navigate(p.id, target);
  return 0;
}

duk_ret_t NativeReadyState(duk_context* ctx) {
  duk_push_string(ctx, page::FromContext(ctx)->readyState);
  return 1;
}

}  // namespace

bool Run(page::Page& p) {
  duk_context* ctx = p.ctx;
  page::Activity activity(p);
  // bootstrap.js is a function expression called with (global, native); it returns the
  // engine's internal entry points { fire, timerFired }.
  duk_push_string(ctx, "engine");
  if (duk_pcompile_lstring_filename(ctx, DUK_COMPILE_EVAL, kScript, sizeof kScript - 1) != 0 ||
      duk_pcall(ctx, 0) != DUK_EXEC_SUCCESS) {
    script::ReportError(ctx, -1, "engine");
    duk_pop(ctx);
    return false;
  }
  duk_push_global_object(ctx);
  duk_push_object(ctx);
  const duk_function_list_entry functions[] = {
      {"log", NativeLog, 2},
      {"reportError", NativeReportError, 1},
      {"timerStart", NativeTimerStart, 2},
      {"timerStop", NativeTimerStop, 1},
      {"navigate", NativeNavigate, 1},
      {"readyState", NativeReadyState, 0},
      {nullptr, nullptr, 0},
  };
  duk_put_function_list(ctx, -1, functions);
  duk_push_lstring(ctx, p.url.data(), p.url.size());
  duk_put_prop_string(ctx, -2, "url");
  duk_push_heapptr(ctx, p.nodeProto);
  duk_put_prop_string(ctx, -2, "nodeProto");
  duk_push_heapptr(ctx, p.elementProto);
  duk_put_prop_string(ctx, -2, "elementProto");
  if (duk_pcall(ctx, 2) != DUK_EXEC_SUCCESS || !duk_is_object(ctx, -1)) {
    script::ReportError(ctx, -1, "engine");
    duk_pop(ctx);
    return false;
  }
  p.internals = duk_get_heapptr(ctx, -1);
  duk_push_heap_stash(ctx);
  duk_swap_top(ctx, -2);
  duk_put_prop_string(ctx, -2, "internals");
  duk_pop(ctx);
  return true;
}

}  // namespace bootstrap
