#pragma once
// Named mutexes and events through which pages coordinate with other processes. Handles go to
// pages as numbers and live until CloseHandle or the end of the process; the host keeps no list
// of them. CloseHandle closes any handle but the host's own (base/owned_handles.h).
#include "bridge/engine_api.h"

namespace natives {

jsValue Js_CreateMutex(jsExecState es);
jsValue Js_CreateEvent(jsExecState es);
jsValue Js_OpenEvent(jsExecState es);
jsValue Js_CloseHandle(jsExecState es);

}  // namespace natives
