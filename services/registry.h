#pragma once
// Registry access for pages: reading a value as text from either registry view, writing a
// string value, and removing a key's tree.
#include "bridge/engine_api.h"

namespace natives {

jsValue Js_RegQueryString(jsExecState es);
jsValue Js_RegWriteString(jsExecState es);
jsValue Js_RegDeleteTree(jsExecState es);

}  // namespace natives
