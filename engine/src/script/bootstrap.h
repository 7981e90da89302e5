#pragma once
// The part of every page's environment written in script: console, timers, events,
// classList, location.
#include "script/page.h"

namespace bootstrap {

// Runs the start-up script in a new page; false when it failed (reported on the console).
bool Run(page::Page& p);

}  // namespace bootstrap
