#pragma once
// The game-client functions for pages, forwarding to plugins\gclient_wrap_c.dll
// (plugins/sdk/game_client.h). Calls that may wait on the network run on a thread of their own
// and answer through the page's callback.
#include "bridge/engine_api.h"

namespace natives {

jsValue Js_GC_wrap_Init(jsExecState es);
jsValue Js_GC_wrap_UnInit(jsExecState es);
jsValue Js_GC_wrap_SetEventCallback(jsExecState es);
jsValue Js_GC_wrap_Login(jsExecState es);
jsValue Js_GC_wrap_Logout(jsExecState es);
jsValue Js_GC_wrap_RunGame(jsExecState es);
jsValue Js_GC_wrap_reset_ping(jsExecState es);
jsValue Js_GC_wrap_insert_ping(jsExecState es);
jsValue Js_GC_wrap_Get_ping_result(jsExecState es);
jsValue Js_GC_wrap_find_user(jsExecState es);
jsValue Js_GC_wrap_send_chat_message(jsExecState es);
jsValue Js_GC_wrap_get_chat_data(jsExecState es);

}  // namespace natives
