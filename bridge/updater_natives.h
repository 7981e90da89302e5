#pragma once
// The script functions of the updater plug-in (P2PUpdater_*, P2PD_*): each selects an updater,
// forwards to the plug-in's export of the same name and returns the export's result, or its
// failure value when the library, the export or the updater is missing. The calls that may
// block run on threads of their own.
#include "engine_api.h"

namespace natives {

jsValue Js_P2PUpdater_Init(jsExecState es);
jsValue Js_P2PUpdater_IsNeedUpdate(jsExecState es);
jsValue Js_P2PUpdater_StartDownload(jsExecState es);
jsValue Js_P2PUpdater_SetLimit(jsExecState es);
jsValue Js_P2PUpdater_GetInfo(jsExecState es);
jsValue Js_P2PUpdater_ApplyGZ(jsExecState es);
jsValue Js_P2PUpdater_GetApplyGZProgress(jsExecState es);
jsValue Js_P2PUpdater_GetLocalVersion(jsExecState es);
jsValue Js_P2PUpdater_GetRemoteVersion(jsExecState es);
jsValue Js_P2PUpdater_GetDownloadSize(jsExecState es);
jsValue Js_P2PUpdater_torrent_pause(jsExecState es);
jsValue Js_P2PUpdater_torrent_resume(jsExecState es);
jsValue Js_P2PUpdater_GetWantedSize(jsExecState es);
jsValue Js_P2PUpdater_GetWantedSizeDone(jsExecState es);
jsValue Js_P2PD_Start(jsExecState es);
jsValue Js_P2PD_Remove(jsExecState es);
jsValue Js_P2PD_torrent_set_seed_mode(jsExecState es);
jsValue Js_P2PD_torrent_add_url_seed(jsExecState es);
jsValue Js_P2PD_torrent_connect_peer(jsExecState es);

}  // namespace natives
