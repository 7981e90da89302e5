#include "script/timers.h"

#include <windows.h>

#include <unordered_map>

#include "runtime/runtime.h"
#include "script/script.h"

namespace timers {
namespace {

struct Timer {
  uint32_t pageId;
  bool repeat;
};
std::unordered_map<uintptr_t, Timer> live;
uintptr_t nextId = 1;

}  // namespace

uintptr_t Start(page::Page& p, double delayMs, bool repeat) {
  HWND window = runtime::Window();
  if (!window || p.retired) return 0;
  uintptr_t id = nextId++;
  if (nextId > 0x7FFFFFFF) nextId = 1;
  UINT ms = delayMs < 1 ? 1 : delayMs > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<UINT>(delayMs);
  if (!SetTimer(window, id, ms, nullptr)) return 0;
  live[id] = {p.id, repeat};
  return id;
}

void Stop(page::Page& p, uintptr_t id) {
  auto it = live.find(id);
  if (it == live.end() || it->second.pageId != p.id) return;
  KillTimer(runtime::Window(), id);
  live.erase(it);
}

void StopAll(uint32_t pageId) {
  for (auto it = live.begin(); it != live.end();) {
    if (it->second.pageId == pageId) {
      KillTimer(runtime::Window(), it->first);
      it = live.erase(it);
    } else {
      ++it;
    }
  }
}

void Fired(uintptr_t id) {
  auto it = live.find(id);
  if (it == live.end()) {
    KillTimer(runtime::Window(), id);
    return;
  }
  Timer t = it->second;
  if (!t.repeat) {
    KillTimer(runtime::Window(), id);
    live.erase(it);
  }
  page::Page* p = page::FromId(t.pageId);
  if (!p || p->retired || !p->internals) return;
  duk_context* ctx = p->ctx;
  duk_push_heapptr(ctx, p->internals);
  duk_get_prop_string(ctx, -1, "timerFired");
  duk_swap_top(ctx, -2);  // function, this = internals
  duk_push_number(ctx, static_cast<double>(id));
  duk_push_boolean(ctx, t.repeat);
  script::Call(*p, ctx, 2);
  duk_pop(ctx);
}

}  // namespace timers
