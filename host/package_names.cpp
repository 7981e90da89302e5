#include "package_names.h"

#include <windows.h>

#include <algorithm>

namespace package::names {
namespace {

bool StrictUtf8ToWide(std::string_view utf8, std::wstring& wide) {
  wide.clear();
  if (utf8.empty()) return true;
  const int length =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  if (length <= 0) return false;
  wide.resize(static_cast<size_t>(length));
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                             length) == length;
}

char AsciiLower(char c) noexcept { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string Key(std::string_view name) {
  std::string key(name);
  std::replace(key.begin(), key.end(), '/', '\\');
  return key;
}

bool IsSkippedEntry(std::string_view entryName) noexcept {
  if (entryName.empty() || entryName.size() >= kEntryNameBuffer) return true;
  return entryName.back() == '/' || entryName.back() == '\\';
}

bool Equal(std::string_view a, std::string_view b) {
  std::wstring wideA;
  std::wstring wideB;
  if (StrictUtf8ToWide(a, wideA) && StrictUtf8ToWide(b, wideB)) {
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, wideA.data(), static_cast<int>(wideA.size()),
                          wideB.data(), static_cast<int>(wideB.size())) == CSTR_EQUAL;
  }
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

}  // namespace package::names
