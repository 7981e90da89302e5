#pragma once
// The process-wide key/value store shared by every window: texts kept under the name key of
// their key, never written to disk. Two keys with the same name key are the same entry.
#include "bridge/engine_api.h"

namespace natives {

jsValue Js_GetKeyString(jsExecState es);
jsValue Js_SetKeyString(jsExecState es);

}  // namespace natives
