#pragma once
// A web-view window publishing its rendered pixels into named shared memory: after every paint
// the window copies its 32-bit pixel buffer to the start of the mapping.
#include "bridge/engine_api.h"

namespace natives {

jsValue Js_wkeUpdateRenderFM(jsExecState es);

}  // namespace natives
