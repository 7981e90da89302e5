#include "window_tables.h"

#include <cstdint>
#include <map>

#include "name_key.h"
#include "script_values.h"
#include "web_view_window.h"

namespace windows {

namespace {

std::map<HWND, WebViewWindow*>& WindowTable() {
  static std::map<HWND, WebViewWindow*> table;
  return table;
}

std::map<wkeWebView, HWND>& ViewTable() {
  static std::map<wkeWebView, HWND> table;
  return table;
}

std::map<uint32_t, HWND>& FlagTable() {
  static std::map<uint32_t, HWND> table;
  return table;
}

void RemoveFlagsOf(HWND window) {
  auto& flags = FlagTable();
  for (auto entry = flags.begin(); entry != flags.end();) {
    if (entry->second == window) entry = flags.erase(entry);
    else ++entry;
  }
}

}  // namespace

void Add(WebViewWindow* record, std::wstring_view name) {
  WindowTable().emplace(record->window, record);
  ViewTable().emplace(record->view, record->window);
  AddFlag(name, record->window);
}

void Remove(const WebViewWindow* record) {
  if (record->window) RemoveWindow(record->window);
  if (record->view) RemoveView(record->view);
}

void RemoveWindow(HWND window) {
  WindowTable().erase(window);
  // Flags are looked up by the window they point at, not by the record's name: a name that
  // another window already carried names that other window, and a flag left behind would
  // address whatever window gets this handle value next.
  RemoveFlagsOf(window);
}

void RemoveView(wkeWebView view) { ViewTable().erase(view); }

void SetFlag(std::wstring_view flag, HWND window) { FlagTable()[names::Key(flag)] = window; }

void AddFlag(std::wstring_view flag, HWND window) { FlagTable().emplace(names::Key(flag), window); }

size_t OpenWindowCount() { return WindowTable().size(); }

WebViewWindow* RecordOf(HWND window) {
  const auto found = WindowTable().find(window);
  return found == WindowTable().end() ? nullptr : found->second;
}

void ForEachRecord(const std::function<void(WebViewWindow&)>& action) {
  for (const auto& [window, record] : WindowTable()) {
    if (record) action(*record);
  }
}

bool AnyRecord(const std::function<bool(const WebViewWindow&)>& test) {
  for (const auto& [window, record] : WindowTable()) {
    if (record && test(*record)) return true;
  }
  return false;
}

HWND OwnWindow(jsExecState es) {
  const wkeWebView view = engine::api.jsGetWebView(es);
  const auto found = ViewTable().find(view);
  return found == ViewTable().end() ? nullptr : found->second;
}

HWND FlagOnly(std::wstring_view flag) {
  const auto found = FlagTable().find(names::Key(flag));
  return found == FlagTable().end() ? nullptr : found->second;
}

HWND FlagOrOwn(jsExecState es, std::wstring_view flag) { return flag.empty() ? OwnWindow(es) : FlagOnly(flag); }

HWND FlagElseOwn(jsExecState es, std::wstring_view flag) {
  const auto found = FlagTable().find(names::Key(flag));
  return found != FlagTable().end() ? found->second : OwnWindow(es);
}

NewWindow ReadNewWindow(jsExecState es) {
  NewWindow arguments;
  arguments.name = script::Text(es, 0);
  arguments.style = static_cast<DWORD>(script::Int(es, 1));
  arguments.extendedStyle = static_cast<DWORD>(script::Int(es, 2));
  const std::wstring parentFlag = script::Text(es, 3);
  arguments.parent = parentFlag.empty() ? nullptr : FlagElseOwn(es, parentFlag);
  arguments.address = script::Text(es, 4);
  return arguments;
}

}  // namespace windows
