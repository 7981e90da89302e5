#include "window_tables.h"

#include "name_key.h"

namespace windows {

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

HWND FlagOrOwn(jsExecState es, std::wstring_view flag) {
  return flag.empty() ? OwnWindow(es) : FlagOnly(flag);
}

HWND FlagElseOwn(jsExecState es, std::wstring_view flag) {
  const auto found = FlagTable().find(names::Key(flag));
  return found != FlagTable().end() ? found->second : OwnWindow(es);
}

void RemoveFlagsOf(HWND window) {
  auto& flags = FlagTable();
  for (auto entry = flags.begin(); entry != flags.end();) {
    if (entry->second == window) entry = flags.erase(entry);
    else ++entry;
  }
}

}  // namespace windows
