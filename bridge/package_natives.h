#pragma once
#include "engine_api.h"

namespace natives {

jsValue Js_wke_FILE_add_path(jsExecState es);

}  // namespace natives
