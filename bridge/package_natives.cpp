// Script functions of the resource package.
#include "package_natives.h"

#include "host/package.h"
#include "script_values.h"

namespace natives {

jsValue Js_wke_FILE_add_path(jsExecState es) {
  const std::wstring path = script::Text(es, 0);
  package::AddPathFromScript(path, script::Int(es, 1));
  return script::Undefined();
}

}  // namespace natives
