// Page callbacks: window-message callbacks on a page's own window, and global callbacks that
// any page fires by key and that run, later, in the page that registered them.
#include "callback_natives.h"

#include <shellapi.h>

#include <map>

#include "callback_list.h"
#include "completion.h"
#include "name_key.h"
#include "script_values.h"
#include "web_view_window.h"
#include "window_tables.h"

namespace {

struct GlobalCallback {
  HWND window = nullptr;
  jsValue callback = 0;
};

std::map<uint32_t, GlobalCallback>& GlobalCallbacks() {
  static std::map<uint32_t, GlobalCallback> table;
  return table;
}

constexpr jsValue WebViewWindow::*kRegistrations[] = {
    &WebViewWindow::hitTestCallback,      &WebViewWindow::closeCallback,      &WebViewWindow::sizeCallback,
    &WebViewWindow::exitSizeMoveCallback, &WebViewWindow::sysCommandCallback, &WebViewWindow::minMaxInfoCallback,
    &WebViewWindow::dropFilesCallback};

bool HeldByHost(jsValue value) {
  const bool registered = windows::AnyRecord([value](const WebViewWindow& record) {
    for (const auto slot : kRegistrations) {
      if (record.*slot == value) return true;
    }
    for (const auto& [id, callback] : record.trayCallbacks) {
      if (callback == value) return true;
    }
    return false;
  });
  if (registered || completion::Pending(value)) return true;
  for (const auto& [key, global] : GlobalCallbacks()) {
    if (global.callback == value) return true;
  }
  return false;
}

// A page's function stays pinned in the engine while the host may call it. Once a replaced
// registration leaves it held by nothing of the host's, it is given back, so a page that
// registers a new closure again and again does not grow without bound.
void GiveUpIfUnheld(HWND owner, jsValue replaced) {
  if (!replaced || !engine::api.jsReleaseFunction || HeldByHost(replaced)) return;
  const WebViewWindow* record = windows::RecordOf(owner);
  if (record && record->view) engine::api.jsReleaseFunction(record->view->globalExec(), replaced);
}

jsValue Register(jsExecState es, jsValue WebViewWindow::*slot, bool acceptFiles = false) {
  WebViewWindow* record = windows::RecordOf(windows::OwnWindow(es));
  if (!record) return script::Boolean(false);
  if (acceptFiles) DragAcceptFiles(record->window, TRUE);
  const jsValue replaced = record->*slot;
  record->*slot = script::Arg(es, 0);
  if (replaced != record->*slot) GiveUpIfUnheld(record->window, replaced);
  return script::Boolean(true);
}

}  // namespace

namespace natives {

jsValue Js_RegisterGlobalJSCallback(jsExecState es) {
  const std::wstring key = script::Text(es, 0);
  GlobalCallback& entry = GlobalCallbacks()[names::Key(key)];
  const GlobalCallback replaced = entry;
  entry = GlobalCallback{windows::OwnWindow(es), script::Arg(es, 1)};
  if (replaced.callback != entry.callback) GiveUpIfUnheld(replaced.window, replaced.callback);
  return script::Boolean(true);
}

jsValue Js_CallGlobalJSCallback(jsExecState es) {
  const std::wstring key = script::Text(es, 0);
  std::wstring text = script::Text(es, 1);
  const auto found = GlobalCallbacks().find(names::Key(key));
  if (found == GlobalCallbacks().end()) return script::Boolean(false);
  // Delivered from a thread of its own, so the registering page runs the callback some time
  // after this call has returned, also when it is the calling page itself.
  const completion::Target target = completion::TargetFor(found->second.window, found->second.callback);
  const bool started = completion::StartWorker([target, text = std::move(text)] { completion::Send(target, {text}); });
  return script::Boolean(started);
}

jsValue Js_RegisterJSCallback_WM_CLOSE(jsExecState es) { return Register(es, &WebViewWindow::closeCallback); }
jsValue Js_RegJSCB_WM_SIZE(jsExecState es) { return Register(es, &WebViewWindow::sizeCallback); }
jsValue Js_RegJSCB_WM_EXITSIZEMOVE(jsExecState es) { return Register(es, &WebViewWindow::exitSizeMoveCallback); }
jsValue Js_RegJSCB_WM_SYSCOMMAND(jsExecState es) { return Register(es, &WebViewWindow::sysCommandCallback); }
jsValue Js_RegJSCB_WM_GETMINMAXINFO(jsExecState es) { return Register(es, &WebViewWindow::minMaxInfoCallback); }
jsValue Js_RegJSCB_WM_DROPFILES(jsExecState es) { return Register(es, &WebViewWindow::dropFilesCallback, true); }

}  // namespace natives

namespace window_callbacks {

using engine::api;

jsValue CallWithMessage(WebViewWindow* record, jsValue callback, WPARAM wParam, LPARAM lParam) {
  if (!callback || !record->view) return api.jsUndefined();
  const jsExecState es = record->view->globalExec();
  jsValue arguments[2] = {api.jsDouble(static_cast<double>(static_cast<uint32_t>(wParam))),
                          api.jsDouble(static_cast<double>(static_cast<int32_t>(lParam)))};
  return api.jsCall(es, callback, api.jsUndefined(), arguments, 2);
}

void GiveUpReplaced(HWND owner, jsValue replaced) { GiveUpIfUnheld(owner, replaced); }

bool CloseAllowed(WebViewWindow* record, WPARAM wParam, LPARAM lParam) {
  if (!record->closeCallback || !record->view) return true;
  const jsValue result = CallWithMessage(record, record->closeCallback, wParam, lParam);
  return api.jsToDouble(record->view->globalExec(), result) != 0.0;
}

void ApplyMinMaxInfo(WebViewWindow* record, WPARAM wParam, LPARAM lParam) {
  if (!record->minMaxInfoCallback || !record->view) return;
  const jsValue result = CallWithMessage(record, record->minMaxInfoCallback, wParam, lParam);
  auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
  if (!info) return;
  const jsExecState es = record->view->globalExec();
  const struct {
    const char* name;
    LONG* field;
  } fields[] = {{"ptMinTrackSize_x", &info->ptMinTrackSize.x}, {"ptMinTrackSize_y", &info->ptMinTrackSize.y},
                {"ptMaxTrackSize_x", &info->ptMaxTrackSize.x}, {"ptMaxTrackSize_y", &info->ptMaxTrackSize.y},
                {"ptMaxSize_x", &info->ptMaxSize.x},           {"ptMaxSize_y", &info->ptMaxSize.y},
                {"ptMaxPosition_x", &info->ptMaxPosition.x},   {"ptMaxPosition_y", &info->ptMaxPosition.y}};
  for (const auto& field : fields) {
    const jsValue value = api.jsGet(es, result, field.name);
    if (!api.jsIsUndefined(value))
      *field.field = static_cast<LONG>(script::HandleFromNumber(api.jsToDouble(es, value)));
  }
}

void DeliverDroppedFiles(WebViewWindow* record, HDROP drop) {
  if (!record->view) return;
  const jsExecState es = record->view->globalExec();
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  const jsValue files = api.jsObject(es);
  for (UINT i = 0; i < count; ++i) {
    wchar_t path[1024] = {};
    DragQueryFileW(drop, i, path, 1024);
    api.jsSetAt(es, files, static_cast<int>(i), api.jsStringW(es, path));
  }
  jsValue argument = files;
  if (record->dropFilesCallback) api.jsCall(es, record->dropFilesCallback, api.jsUndefined(), &argument, 1);
}

}  // namespace window_callbacks
