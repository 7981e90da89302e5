#include "core_version.h"

#include "script_values.h"

namespace natives {

std::string CoreVersionText() {
  // __DATE__ is "Mmm dd yyyy" with the day padded by a space, __TIME__ is "hh:mm:ss".
  return std::string("ver.") + __DATE__ + "." + __TIME__;
}

jsValue Js_GetCoreVersion(jsExecState es) {
  static const std::string version = CoreVersionText();
  return script::FromUtf8(es, version);
}

}  // namespace natives
