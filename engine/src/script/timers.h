#pragma once
// Script timers on the engine's message-only window, so they fire on the UI thread between
// the host's messages.
#include <cstdint>

#include "script/page.h"

namespace timers {

uintptr_t Start(page::Page& p, double delayMs, bool repeat);
void Stop(page::Page& p, uintptr_t id);
void StopAll(uint32_t pageId);
// WM_TIMER of the engine window.
void Fired(uintptr_t id);

}  // namespace timers
