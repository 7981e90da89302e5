#pragma once
// Script functions that start programs, inspect and wait for processes, and pause.
#include "bridge/engine_api.h"

namespace natives {

jsValue Js_CreateProcess(jsExecState es);
jsValue Js_OpenProcess(jsExecState es);
jsValue Js_GetModuleBaseName(jsExecState es);
jsValue Js_GetModuleFileNameEx(jsExecState es);
jsValue Js_GetProcessImageFileName(jsExecState es);
jsValue Js_GetExitCodeProcess(jsExecState es);
jsValue Js_WaitForSingleObject(jsExecState es);
jsValue Js_ShellExecute(jsExecState es);
jsValue Js_ShellExecuteA(jsExecState es);
jsValue Js_ShellExecuteEx(jsExecState es);
jsValue Js_Sleep(jsExecState es);

}  // namespace natives
