#pragma once
// The script function that writes shell shortcuts (.lnk files).
#include "bridge/engine_api.h"

namespace natives {

jsValue Js_CreateShortcut(jsExecState es);

}  // namespace natives
