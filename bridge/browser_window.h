#pragma once
// Windows that show remote web content in the system's browser control. They carry a flag
// like engine windows, so the window functions reach them, but they are not engine windows:
// they have no page of ours, get no native functions, and do not keep the program running.
// UI thread only.
#include <windows.h>

#include <string>

#include "engine_api.h"

struct ROR_AdiDO;

namespace browser {

inline constexpr wchar_t kWindowClass[] = L"VELQ___engine_v1 wie";

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

// Opens a window named name showing the control and navigates it to url. Returns the window,
// or null when the control or the window could not be made (then nothing is left behind).
HWND Open(const std::wstring& name, DWORD style, DWORD extendedStyle, HWND parent, const std::wstring& url) noexcept;
// The object behind an open browser window, or null.
ROR_AdiDO* SiteOf(HWND window) noexcept;
size_t OpenCount() noexcept;
// Destroys every browser window and ends this thread's use of OLE; at shutdown.
void CloseAll() noexcept;

}  // namespace browser

jsValue Js_wieCreateWindow(jsExecState es);
