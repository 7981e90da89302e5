#pragma once
// The IO channel to a running game, for pages: one shared block and two events (the layout is
// in plugins/sdk/game_channel.h). The program is the left side; the game the right side.
#include <windows.h>

#include "base/owned_handles.h"
#include "bridge/engine_api.h"

namespace game_channel {

// Returns once the named event is signalled. The event is opened when event is empty, and
// again whenever the handle turns out bad, one attempt every pauseMs, the successful one
// included (the game creates the event; it may come later, or come again).
void AwaitSignal(win::HostKernelHandle& event, const wchar_t* name, DWORD pauseMs);

}  // namespace game_channel

namespace natives {

// vexo_IO_Init(callback, mode): opens the block once per process; with any mode but 1 it also
// takes the left side and calls callback(ok, text) for each result the game hands over.
jsValue Js_vexo_IO_Init(jsExecState es);
jsValue Js_vexo_IO_Active(jsExecState es);
jsValue Js_vexo_IO_DeActive(jsExecState es);
jsValue Js_vexo_IO_RunGame(jsExecState es);
jsValue Js_vexo_IO_SetSign(jsExecState es);
jsValue Js_vexo_IO_GetSign(jsExecState es);
jsValue Js_vexo_IO_SetResultInfo(jsExecState es);
jsValue Js_vexo_IO_GetResultInfo(jsExecState es);
jsValue Js_vexo_IO_GetPIDRight(jsExecState es);

}  // namespace natives
