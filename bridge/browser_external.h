#pragma once
// The functions a page shown in a system-browser window may call on its `window.external`
// object. Each is keyed by the flag hash of its name, which is also the DISPID the page's call
// arrives with. Pages there get these functions and nothing else of the native table.
#include <windows.h>
#include <oaidl.h>

#include <string_view>

namespace browser {

using ExternalFunction = void (*)(DISPPARAMS* parameters) noexcept;

// Adds or replaces the function called for name.
void AddExternal(std::wstring_view name, ExternalFunction function);
// Runs the function whose key is id with the call's parameters; false when there is none.
bool RunExternal(DISPID id, DISPPARAMS* parameters) noexcept;
// The name pages may call that does nothing, entered at start-up.
inline constexpr wchar_t kDoNothingName[] = L"ZaDadeZirodo";
void DoNothing(DISPPARAMS* parameters) noexcept;

}  // namespace browser
