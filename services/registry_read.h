#pragma once
// Reading one registry value in full: the query buffer grows until the data fit.
#include <windows.h>

#include <optional>
#include <string>

namespace registry {

// The value's data as text (see TextOfValueData), or nothing when the key cannot be opened
// with access or the value cannot be read.
std::optional<std::wstring> ReadText(HKEY root, const std::wstring& subKey, const std::wstring& valueName,
                                     REGSAM access);
// A REG_DWORD value, or nothing.
std::optional<DWORD> ReadNumber(HKEY root, const std::wstring& subKey, const std::wstring& valueName);

}  // namespace registry
