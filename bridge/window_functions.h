#pragma once
// Script wrappers of Win32 window functions, and the hit-test mask functions by which frameless
// pages define their drag and resize regions.
#include "engine_api.h"

namespace natives {

jsValue Js_FindWindow(jsExecState es);
jsValue Js_GetWindowRect(jsExecState es);
jsValue Js_SetWindowText(jsExecState es);
jsValue Js_GetWindowLong(jsExecState es);
jsValue Js_SetWindowLong(jsExecState es);
jsValue Js_IsZoomed(jsExecState es);
jsValue Js_IsIconic(jsExecState es);
jsValue Js_ShowWindow(jsExecState es);
jsValue Js_SendMessage(jsExecState es);
jsValue Js_SetFocus(jsExecState es);
jsValue Js_SetCapture(jsExecState es);
jsValue Js_ReleaseCapture(jsExecState es);
jsValue Js_SetWindowMinTrackSize(jsExecState es);
jsValue Js_MessageBoxTimeout(jsExecState es);
jsValue Js_SetWindowHitTestCallBack(jsExecState es);
jsValue Js_InitWindowHitTestData(jsExecState es);
jsValue Js_SetWindowDragRect(jsExecState es);
jsValue Js_SetWindowNoDragRect(jsExecState es);
jsValue Js_SetWindowThickFrame(jsExecState es);
jsValue Js_SetFollowMove(jsExecState es);

}  // namespace natives

struct WebViewWindow;

namespace hit_test {

// The mask operations on a record, apart from argument reading (tested on their own).
void InitMask(WebViewWindow* record, int width, int height);
void FillRect(WebViewWindow* record, int left, int top, int right, int bottom, uint8_t code);
void SetThickFrame(WebViewWindow* record, int left, int top, int right, int bottom);

}  // namespace hit_test
