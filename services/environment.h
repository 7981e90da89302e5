#pragma once
// The host's own environment, which every program it starts afterwards inherits, and its
// process id.
#include "bridge/engine_api.h"

namespace natives {

jsValue Js_SetEnvironmentVariable(jsExecState es);
jsValue Js_GetEnvironmentVariable(jsExecState es);
jsValue Js_GetCurrentProcessId(jsExecState es);

}  // namespace natives
