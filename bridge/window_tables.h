#pragma once
// The process-wide window tables and the rules by which native functions find a window from
// their arguments. Pages never see their own window handles: they name windows by flag
// strings, and "" usually stands for the calling page's own window. UI thread only.
#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "engine_api.h"

struct WebViewWindow;

namespace windows {

// The three tables (window to record, view to window, flag to window) change only through
// these functions, so a window's entries come and go together.
// Enters the record's window and view and the flag name for the window; an existing flag
// keeps its window.
void Add(WebViewWindow* record, std::wstring_view name);
// Drops the record's window and view entries and every flag that points at its window (the
// name it was created with and the flags its page set later), and no other window's flags.
void Remove(const WebViewWindow* record);
// For a record whose window or view is replaced by a new one; a window's flags go with it.
void RemoveWindow(HWND window);
void RemoveView(wkeWebView view);
// Points flag at window, replacing the window it named before.
void SetFlag(std::wstring_view flag, HWND window);
// Points flag at window unless it already names a window.
void AddFlag(std::wstring_view flag, HWND window);

// The number of engine windows; the main loop ends the program when it reaches 0.
size_t OpenWindowCount();

WebViewWindow* RecordOf(HWND window);
// True when test holds for some open window's record.
void ForEachRecord(const std::function<void(WebViewWindow&)>& action);
bool AnyRecord(const std::function<bool(const WebViewWindow&)>& test);

// The calling page's own window, or null when unknown.
HWND OwnWindow(jsExecState es);
// "" is the calling page's own window; any other flag its table entry; unknown gives null.
HWND FlagOrOwn(jsExecState es, std::wstring_view flag);
// The flag exactly as given ("" included); null when no window carries it.
HWND FlagOnly(std::wstring_view flag);
// A known flag's window; any other text the calling page's own window (or null).
HWND FlagElseOwn(jsExecState es, std::wstring_view flag);
// The five arguments of the functions that open a window: name (its text and flag), style and
// extended style, the parent's flag ("" none, else as FlagElseOwn) and what it shows.
struct NewWindow {
  std::wstring name;
  DWORD style = 0;
  DWORD extendedStyle = 0;
  HWND parent = nullptr;
  std::wstring address;
};
NewWindow ReadNewWindow(jsExecState es);

}  // namespace windows
