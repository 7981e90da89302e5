#pragma once
// Handware_Info: one piece of machine information, gathered on a worker thread and delivered
// to the page's callback. A kind it does not know gets no callback.
#include "bridge/engine_api.h"

namespace natives {

jsValue Js_Handware_Info(jsExecState es);

}  // namespace natives
