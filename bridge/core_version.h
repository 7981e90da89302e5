#pragma once
#include <string>

#include "engine_api.h"

namespace natives {

// "ver.Mmm dd yyyy.hh:mm:ss" from the moment this file was compiled.
std::string CoreVersionText();
jsValue Js_GetCoreVersion(jsExecState es);

}  // namespace natives
