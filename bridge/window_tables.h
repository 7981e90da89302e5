#pragma once
// The process-wide window tables and the rules by which native functions find a window from
// their arguments. Pages never see their own window handles: they name windows by flag
// strings, and "" usually stands for the calling page's own window. UI thread only.
#include <windows.h>

#include <cstdint>
#include <map>
#include <string_view>

#include "engine_api.h"

struct WebViewWindow;

namespace windows {

std::map<HWND, WebViewWindow*>& WindowTable();
std::map<wkeWebView, HWND>& ViewTable();
std::map<uint32_t, HWND>& FlagTable();

// The number of engine windows; the main loop ends the program when it reaches 0.
size_t OpenWindowCount();

WebViewWindow* RecordOf(HWND window);

// The calling page's own window, or null when unknown.
HWND OwnWindow(jsExecState es);
// "" is the calling page's own window; any other flag its table entry; unknown gives null.
HWND FlagOrOwn(jsExecState es, std::wstring_view flag);
// The flag exactly as given ("" included); null when no window carries it.
HWND FlagOnly(std::wstring_view flag);
// A known flag's window; any other text the calling page's own window (or null).
HWND FlagElseOwn(jsExecState es, std::wstring_view flag);

// Drops every flag-table entry that points at window.
void RemoveFlagsOf(HWND window);

}  // namespace windows
