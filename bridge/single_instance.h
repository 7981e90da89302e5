#pragma once
// Window flags set by pages, and the single-instance section: a named 16-byte shared-memory
// block whose first 32 bits hold the window a second start of the program activates.
#include "engine_api.h"

namespace natives {

jsValue Js_SetCurrentWindowFlag(jsExecState es);
jsValue Js_CreateGlobalHWND(jsExecState es);
jsValue Js_UpdateGlobalHWND(jsExecState es);
jsValue Js_SetForegroundGlobalHWND(jsExecState es);
jsValue Js_SetForegroundWindow(jsExecState es);

}  // namespace natives
