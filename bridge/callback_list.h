#pragma once
// A callback argument list: the reference-counted list of OLE VARIANTs by which background work
// hands its results to a page. Item 0 is the target window, item 1 the page's callback value,
// then the callback's arguments. Workers never call the engine: they fill a list and send it
// with the script-callback message; the window procedure converts the items on the UI thread.
#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <string_view>

#include "engine_api.h"

inline constexpr UINT kScriptCallbackMessage = 0x04D5;
inline constexpr UINT kFileListMessage = 0x04D6;

struct CallbackList;

namespace callbacks {

// A new list holding the window and the callback value, with one reference; null when memory
// is short.
CallbackList* NewList(HWND window, jsValue callback) noexcept;
void AddReference(CallbackList* list) noexcept;
void Release(CallbackList* list) noexcept;

bool AppendInt(CallbackList* list, int32_t value) noexcept;
bool AppendDouble(CallbackList* list, double value) noexcept;
bool AppendText(CallbackList* list, std::wstring_view text) noexcept;
bool AppendUInt64(CallbackList* list, uint64_t value) noexcept;
// The list takes ownership of a heap buffer (new uint8_t[]) and frees it with itself.
bool AppendBuffer(CallbackList* list, uint8_t* buffer) noexcept;

uint32_t Count(const CallbackList* list) noexcept;
// The item at index, or an empty VARIANT for any index at or beyond the count.
const VARIANT& Item(const CallbackList* list, uint32_t index) noexcept;
HWND TargetWindow(const CallbackList* list) noexcept;
jsValue CallbackValue(const CallbackList* list) noexcept;

// Sends the list with message to window and waits until the receiver has handled it. True
// when the receiver claimed the list, and with it the sender's reference; false when nothing
// did (the window is gone or is not a page window) and the reference is still the sender's.
bool SendTo(HWND window, UINT message, CallbackList* list) noexcept;

// Sends the list to its target window with the script-callback message and waits until the
// page's callback has run. When nothing received it, the sender's reference is released here
// instead, so an undeliverable list is not leaked.
void Deliver(CallbackList* list) noexcept;

// The receiving side of SendTo: the list a host message's wParam names when it is a live list
// of this process being sent right now, which the receiver then owns (one reference); null for
// anything else, such as a number a page or another program sent with the host's message.
CallbackList* Claim(WPARAM wParam) noexcept;

// The receiving side, on the UI thread: converts items 2.. into as many script values as the
// callback declares parameters, calls it and releases the list.
void Run(jsExecState es, CallbackList* list) noexcept;

}  // namespace callbacks
