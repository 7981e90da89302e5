#pragma once
// Named shared memory for pages. Every mapping a page creates stays open, with its view, in a
// process-wide table until the host shuts down, so other processes can keep using it.
#include "bridge/engine_api.h"

namespace natives {

jsValue Js_CreateFileMapping(jsExecState es);
jsValue Js_ReadFileMapping(jsExecState es);
jsValue Js_WriteFileMapping(jsExecState es);

}  // namespace natives
