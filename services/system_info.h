#pragma once
// Screen, monitor and mouse information for pages, and the hardware id start-up obtained.
#include "bridge/engine_api.h"

namespace natives {

jsValue Js_GetCursorPos(jsExecState es);
jsValue Js_GetSystemMetrics(jsExecState es);
jsValue Js_EnumDisplaySettings(jsExecState es);
jsValue Js_GetHWID(jsExecState es);

}  // namespace natives
