// Script functions that open windows, load pages into them and post them messages.
#include "window_natives.h"

#include <windows.h>

#include "page_messages.h"
#include "script_values.h"
#include "web_view_window.h"
#include "window_tables.h"

namespace natives {

jsValue Js_wkeCreateWindow(jsExecState es) {
  const windows::NewWindow arguments = windows::ReadNewWindow(es);
  WebViewWindow* record = webview::NewWindow();
  if (!record) return script::Undefined();
  // The page is told nothing either way. A failed creation frees the record and any view it
  // made, and loads nothing: a page in a view without a window would run unseen.
  if (webview::Create(record, arguments.name, arguments.style, arguments.extendedStyle, arguments.parent) != 0) {
    webview::Release(record);
    return script::Undefined();
  }
  webview::Load(record, arguments.address);
  return script::Undefined();
}

jsValue Js_WKELoadFile(jsExecState es) {
  const std::wstring page = script::Text(es, 0);
  if (WebViewWindow* record = windows::RecordOf(windows::OwnWindow(es))) webview::Load(record, page);
  return script::Undefined();
}

jsValue Js_wkeLoadFile(jsExecState es) {
  const std::wstring flag = script::Text(es, 0);
  const std::wstring page = script::Text(es, 1);
  WebViewWindow* record = windows::RecordOf(windows::FlagOnly(flag));
  if (!record) return script::Boolean(false);
  webview::Load(record, page);
  return script::Boolean(true);
}

jsValue Js_wkeRunJS(jsExecState es) {
  const std::wstring flag = script::Text(es, 0);
  const std::wstring code = script::Text(es, 1);
  WebViewWindow* record = windows::RecordOf(windows::FlagOnly(flag));
  if (!record || !record->view) return script::Undefined();
  return record->view->runJS(code.c_str());
}

namespace {

// The insert-after argument of SetWindowPos: the four special z-order values by their text,
// anything else a window flag (an unknown one meaning the calling page's own window).
HWND InsertAfter(jsExecState es, const std::wstring& text) {
  if (text == L"0") return HWND_TOP;
  if (text == L"1") return HWND_BOTTOM;
  if (text == L"-1") return HWND_TOPMOST;
  if (text == L"-2") return HWND_NOTOPMOST;
  return windows::FlagElseOwn(es, text);
}

}  // namespace

jsValue Js_SetWindowPos(jsExecState es) {
  const HWND window = windows::FlagOrOwn(es, script::Text(es, 0));
  const HWND insertAfter = InsertAfter(es, script::Text(es, 1));
  const auto flags = static_cast<UINT>(script::Int(es, 2));
  const int x = script::Int(es, 3);
  const int y = script::Int(es, 4);
  const int cx = script::Int(es, 5);
  const int cy = script::Int(es, 6);
  return script::Number(SetWindowPos(window, insertAfter, x, y, cx, cy, flags));
}

jsValue Js_PostMessage(jsExecState es) {
  const HWND window = windows::FlagOrOwn(es, script::Text(es, 0));
  const auto message = static_cast<UINT>(script::Int(es, 1));
  const auto wParam = static_cast<WPARAM>(static_cast<uint32_t>(script::Int(es, 2)));
  const auto lParam = static_cast<LPARAM>(script::Int(es, 3));
  if (!page_messages::Allowed(message)) return script::Number(0);
  return script::Number(PostMessageW(window, message, wParam, lParam));
}

}  // namespace natives
