#pragma once
// Text conversions. Script strings are kept in the script engine's own encoding (CESU-8:
// UTF-8 where characters beyond U+FFFF are stored as two encoded surrogates), so text moves
// between the DOM and scripts without conversion. Conversions between UTF-8 and UTF-16 use
// code page 65001.
#include <string>
#include <string_view>

#include "base/utf8.h"

namespace text {

std::wstring CesuToWide(std::string_view cesu);
std::string WideToCesu(std::wstring_view wide);
inline std::string Utf8ToCesu(std::string_view utf8) { return WideToCesu(Utf8ToWide(utf8)); }
inline std::string CesuToUtf8(std::string_view cesu) { return WideToUtf8(CesuToWide(cesu)); }
// Appends one code point in CESU-8.
void AppendCodePoint(std::string& out, unsigned codePoint);
// File bytes (UTF-8 with or without BOM, or UTF-16LE with BOM) as CESU-8.
std::string DecodeFileBytes(std::string_view bytes);

std::string AsciiLower(std::string_view s);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
std::string_view Trim(std::string_view s);
bool IsSpace(char c);

}  // namespace text
