#pragma once
// Script functions that show the system's folder, file and font dialogs, owned by the calling
// page's window, and return what the user chose.
#include "bridge/engine_api.h"

namespace natives {

jsValue Js_SHBrowseForFolder(jsExecState es);
jsValue Js_GetOpenFileName(jsExecState es);
jsValue Js_SaveFileName(jsExecState es);
jsValue Js_ChooseFont(jsExecState es);

}  // namespace natives
