#include "api/lifecycle.h"

#include "platform/fetch.h"
#include "platform/fonts.h"
#include "platform/images.h"
#include "runtime/runtime.h"
#include "script/pages.h"
#include "script/timers.h"
#include "view/view.h"

namespace lifecycle {

bool Init() {
  if (runtime::Initialized()) return true;
  if (!runtime::Init()) return false;
  runtime::SetHandler(WM_TIMER, [](WPARAM id, LPARAM) { timers::Fired(static_cast<uintptr_t>(id)); });
  runtime::SetHandler(fetch::kMsgFetched,
                      [](WPARAM, LPARAM job) { fetch::Delivered(reinterpret_cast<fetch::Job*>(job)); });
  runtime::AddSweeper([] { pages::Sweep(false); });
  runtime::AddSweeper([] { view::Sweep(false); });
  fetch::Init();
  return true;
}

void Shutdown() {
  if (!runtime::Initialized()) return;
  view::Sweep(true);
  pages::RetireAll();
  pages::Sweep(true);
  fetch::Shutdown();
  fonts::Release();
  images::Release();
  runtime::Shutdown();
}

bool Initialized() { return runtime::Initialized(); }

}  // namespace lifecycle
