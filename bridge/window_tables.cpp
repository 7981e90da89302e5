#include "window_tables.h"

#include <cstdint>
#include <map>

#include "name_key.h"
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
  FlagTable().emplace(names::Key(name), record->window);
}

void Remove(const WebViewWindow* record) {
  if (record->window) RemoveWindow(record->window);
  if (record->view) RemoveView(record->view);
  if (record->hasName) {
    if (const HWND flagged = FlagOnly(record->name)) RemoveFlagsOf(flagged);
  }
}

void RemoveWindow(HWND window) { WindowTable().erase(window); }

void RemoveView(wkeWebView view) { ViewTable().erase(view); }

void SetFlag(std::wstring_view flag, HWND window) { FlagTable()[names::Key(flag)] = window; }

size_t OpenWindowCount() { return WindowTable().size(); }

WebViewWindow* RecordOf(HWND window) {
  const auto found = WindowTable().find(window);
  return found == WindowTable().end() ? nullptr : found->second;
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

}  // namespace windows
