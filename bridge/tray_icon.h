#pragma once
// The notification-area icon of a web-view window: one icon per window (id 1) showing the
// program's own icon, with a tooltip, balloon notices and mouse clicks delivered to page
// callbacks. The icon goes with its window and comes back when the taskbar is re-created.
#include <windows.h>

#include <cstddef>
#include <string_view>

#include "engine_api.h"

struct WebViewWindow;

namespace tray {

inline constexpr UINT kTrayMessage = 0x04D7;
inline constexpr UINT kIconId = 1;
inline constexpr size_t kTipUnits = 127;
inline constexpr size_t kInfoUnits = 255;
inline constexpr size_t kInfoTitleUnits = 63;

// The structure size the system's shell takes, from the OS version word (major << 16 | minor).
DWORD StructureSize(uint32_t osVersionWord);
// Copies text into a member of capacity + 1 units: cut to capacity units, never inside a
// surrogate pair, always terminated.
void CopyBounded(wchar_t* member, size_t capacity, std::wstring_view text);

// The registered "TaskbarCreated" message (0 until registered).
UINT TaskbarCreatedMessage();
// Lets a new taskbar's message through to the window even when the program runs elevated.
void AcceptTaskbarCreated(HWND window);

// The tray message: lParam's low word is the mouse message; its callback, if any, runs.
void OnTrayMessage(WebViewWindow* record, LPARAM lParam);
// Adds the window's icon again when the taskbar was re-created while it was shown.
void OnTaskbarCreated(WebViewWindow* record);
// Removes the window's icon (whether or not it was added).
void Remove(HWND window);

}  // namespace tray

namespace natives {

jsValue Js_ShellNotifyIcon(jsExecState es);

}  // namespace natives
