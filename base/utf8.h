#pragma once
// Text conversion between UTF-16 and UTF-8. The host always converts with code page 65001,
// never with the system's ANSI code page.
#include <string>
#include <string_view>

namespace text {

std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

}  // namespace text
