#pragma once
// INI files through the platform's profile functions: a file name without a folder names a
// file in the Windows folder.
#include "bridge/engine_api.h"

namespace natives {

jsValue Js_GetPrivateProfileString(jsExecState es);
jsValue Js_WritePrivateProfileString(jsExecState es);

}  // namespace natives
