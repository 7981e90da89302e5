#include "kernel_objects.h"

#include <windows.h>

#include <string>

#include "base/owned_handles.h"
#include "bridge/script_values.h"

namespace natives {

jsValue Js_CreateMutex(jsExecState es) {
  const std::wstring name = script::Text(es, 0);
  const int initialOwner = script::Int(es, 1);
  return script::HandleResult(CreateMutexW(nullptr, initialOwner ? TRUE : FALSE, name.c_str()));
}

jsValue Js_CreateEvent(jsExecState es) {
  const int manualReset = script::Int(es, 0);
  const int signalled = script::Int(es, 1);
  const std::wstring name = script::Text(es, 2);
  return script::HandleResult(
      CreateEventW(nullptr, manualReset ? TRUE : FALSE, signalled ? TRUE : FALSE, name.c_str()));
}

jsValue Js_OpenEvent(jsExecState es) {
  const DWORD access = script::Handle(es, 0);
  const int inherit = script::Int(es, 1);
  const std::wstring name = script::Text(es, 2);
  return script::HandleResult(OpenEventW(access, inherit ? TRUE : FALSE, name.c_str()));
}

jsValue Js_CloseHandle(jsExecState es) {
  return script::Integer(owned_handles::CloseUnlessOwned(script::HandleArg(es, 0)) ? 1 : 0);
}

}  // namespace natives
