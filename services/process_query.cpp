// Names, image path and exit code of a process the page holds a handle to.
#include <windows.h>
#include <psapi.h>

#include "bridge/scratch_buffer.h"
#include "bridge/script_values.h"
#include "process_natives.h"

namespace natives {

namespace {

constexpr uint32_t kNameBufferBytes = 1u << 20;
constexpr DWORD kNameBufferCharacters = 524288;

using script::HandleArg;

// A module handle is the module's address, whole in either build.
HMODULE ModuleArg(jsExecState es, int index) { return reinterpret_cast<HMODULE>(script::Address(es, index)); }

}  // namespace

jsValue Js_GetModuleBaseName(jsExecState es) {
  ScratchBuffer name(kNameBufferBytes);
  GetModuleBaseNameW(HandleArg(es, 0), ModuleArg(es, 1), name.wide(), kNameBufferCharacters);
  return script::FromWide(es, name.wide());
}

jsValue Js_GetModuleFileNameEx(jsExecState es) {
  ScratchBuffer name(kNameBufferBytes);
  GetModuleFileNameExW(HandleArg(es, 0), ModuleArg(es, 1), name.wide(), kNameBufferCharacters);
  return script::FromWide(es, name.wide());
}

jsValue Js_GetProcessImageFileName(jsExecState es) {
  ScratchBuffer name(kNameBufferBytes);
  GetProcessImageFileNameW(HandleArg(es, 0), name.wide(), kNameBufferCharacters);
  return script::FromWide(es, name.wide());
}

jsValue Js_GetExitCodeProcess(jsExecState es) {
  DWORD code = 0;
  GetExitCodeProcess(HandleArg(es, 0), &code);
  return script::Number(static_cast<double>(code));
}

}  // namespace natives
