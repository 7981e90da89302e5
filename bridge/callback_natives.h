#pragma once
#include <windows.h>
#include <shellapi.h>

#include "engine_api.h"

struct WebViewWindow;

namespace natives {

jsValue Js_RegisterGlobalJSCallback(jsExecState es);
jsValue Js_CallGlobalJSCallback(jsExecState es);
jsValue Js_RegisterJSCallback_WM_CLOSE(jsExecState es);
jsValue Js_RegJSCB_WM_SIZE(jsExecState es);
jsValue Js_RegJSCB_WM_EXITSIZEMOVE(jsExecState es);
jsValue Js_RegJSCB_WM_SYSCOMMAND(jsExecState es);
jsValue Js_RegJSCB_WM_GETMINMAXINFO(jsExecState es);
jsValue Js_RegJSCB_WM_DROPFILES(jsExecState es);

}  // namespace natives

namespace window_callbacks {

// Calls a window-message callback of the record's page with (wParam, lParam) and returns its
// result (undefined when there is no callback or no view).
jsValue CallWithMessage(WebViewWindow* record, jsValue callback, WPARAM wParam, LPARAM lParam);
// Gives a replaced callback of owner's page back to the engine once nothing of the host holds it.
void GiveUpReplaced(HWND owner, jsValue replaced);
// The close callback's verdict: false keeps the window open (the callback answered exactly 0).
bool CloseAllowed(WebViewWindow* record, WPARAM wParam, LPARAM lParam);
void ApplyMinMaxInfo(WebViewWindow* record, WPARAM wParam, LPARAM lParam);
void DeliverDroppedFiles(WebViewWindow* record, HDROP drop);

}  // namespace window_callbacks
