#pragma once
#include "engine_api.h"

namespace natives {

jsValue Js_wkeCreateWindow(jsExecState es);
jsValue Js_WKELoadFile(jsExecState es);
jsValue Js_wkeLoadFile(jsExecState es);
jsValue Js_wkeRunJS(jsExecState es);
jsValue Js_PostMessage(jsExecState es);
jsValue Js_SetWindowPos(jsExecState es);

}  // namespace natives
