#pragma once
// The resource-tool functions for pages, forwarding to VELQ___s13tool\313_vude.dll
// (plugins/sdk/resource_tool.h), which start-up loads. Each calls its export on the UI thread and
// calls back with the result (0 when the tool or the export is missing) before it returns true.
#include "bridge/engine_api.h"

namespace natives {

jsValue Js_S13_init(jsExecState es);
jsValue Js_Get_Data_Num(jsExecState es);
jsValue Js_Get_Arr_Num(jsExecState es);
jsValue Js_Get_Frame_Num(jsExecState es);
jsValue Js_Get_Frame_Path(jsExecState es);
jsValue Js_Set_Frame_Path(jsExecState es);
jsValue Js_S13_Bat_Pack(jsExecState es);
jsValue Js_S13_Bat_Unpack(jsExecState es);
jsValue Js_S13_Save(jsExecState es);
jsValue Js_G1l2Ogg(jsExecState es);
jsValue Js_Ogg2G1l(jsExecState es);
jsValue Js_Res_FileType(jsExecState es);
jsValue Js_Res_Frame_Num(jsExecState es);
jsValue Js_Res_Frame_Path(jsExecState es);
jsValue Js_Res_Set_Frame_Path(jsExecState es);
jsValue Js_Res_Save(jsExecState es);
jsValue Js_S13_Font_Pack(jsExecState es);

}  // namespace natives
