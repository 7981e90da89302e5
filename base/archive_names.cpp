#include "archive_names.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "base/utf8.h"

namespace archive_names {

namespace {

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
wchar_t FoldAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool IsReservedDevice(std::wstring_view part) {
  // The system ignores what follows the first dot and trailing spaces: "nul.txt" and "CON " are
  // the devices too.
  std::wstring base(part.substr(0, std::min(part.find(L'.'), part.size())));
  while (!base.empty() && base.back() == L' ') base.pop_back();
  for (wchar_t& c : base) c = FoldAscii(c);
  static constexpr std::wstring_view kPlain[] = {L"con", L"prn", L"aux", L"nul", L"conin$", L"conout$"};
  if (std::find(std::begin(kPlain), std::end(kPlain), base) != std::end(kPlain)) return true;
  if (base.size() != 4 || (base.compare(0, 3, L"com") != 0 && base.compare(0, 3, L"lpt") != 0)) return false;
  const wchar_t digit = base[3];
  return (digit >= L'0' && digit <= L'9') || digit == L'\u00b9' || digit == L'\u00b2' || digit == L'\u00b3';
}

bool IsDotsAndSpaces(std::wstring_view part) {
  return !part.empty() && part.find_first_not_of(L". ") == std::wstring_view::npos;
}

std::wstring FullPath(const std::wstring& path) {
  const wchar_t* asked = path.empty() ? L"." : path.c_str();
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetFullPathNameW(asked, static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0) return {};
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(length + 1);
  }
}

}  // namespace

void ToBackslashes(std::string& text) { std::replace(text.begin(), text.end(), '/', '\\'); }
void ToBackslashes(std::wstring& text) { std::replace(text.begin(), text.end(), L'/', L'\\'); }

bool IsSelected(std::string_view entryName, std::string_view prefix) {
  if (entryName.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    const char a = entryName[i] == '/' ? '\\' : entryName[i];
    const char b = prefix[i] == '/' ? '\\' : prefix[i];
    if (FoldAscii(a) != FoldAscii(b)) return false;
  }
  return true;
}

bool IsEscaping(std::wstring_view name) {
  if (name.empty()) return true;
  std::wstring normal(name);
  ToBackslashes(normal);
  if (normal[0] == L'\\') return true;
  for (const wchar_t c : normal) {
    if (c < 0x20 || std::wstring_view(L":*?\"<>|").find(c) != std::wstring_view::npos) return true;
  }
  size_t start = 0;
  while (start <= normal.size()) {
    size_t end = normal.find(L'\\', start);
    if (end == std::wstring::npos) end = normal.size();
    const std::wstring_view part = std::wstring_view(normal).substr(start, end - start);
    if (part != L"." && IsDotsAndSpaces(part)) return true;
    if (IsReservedDevice(part)) return true;
    start = end + 1;
  }
  return false;
}

std::optional<std::wstring> OutputPath(std::wstring_view destination, std::wstring_view prefix,
                                       std::string_view prefixUtf8, std::string_view entryName) {
  std::wstring whole = text::Utf8ToWide(entryName);
  if (IsEscaping(whole)) return std::nullopt;
  std::wstring joined;
  if (entryName.size() == prefixUtf8.size()) {
    joined.assign(prefix);
  } else {
    joined = text::Utf8ToWide(entryName.substr(prefixUtf8.size()));
  }
  ToBackslashes(joined);
  const size_t rooted = std::min(joined.find_first_not_of(L'\\'), joined.size());
  if (rooted > 0 && (destination.empty() || destination.back() == L':')) return std::nullopt;
  const std::wstring_view rest = std::wstring_view(joined).substr(rooted);
  if (!rest.empty() && IsEscaping(rest)) return std::nullopt;
  std::wstring path(destination);
  path += joined;
  ToBackslashes(path);
  return path;
}

bool StaysInside(const std::wstring& destination, const std::wstring& outputPath) {
  const std::wstring base = FullPath(destination);
  const std::wstring full = FullPath(outputPath);
  if (base.empty() || full.size() < base.size()) return false;
  for (size_t i = 0; i < base.size(); ++i) {
    if (FoldAscii(base[i]) != FoldAscii(full[i])) return false;
  }
  std::wstring rest = full.substr(base.size());
  rest.erase(0, std::min(rest.find_first_not_of(L'\\'), rest.size()));
  return rest.empty() || !IsEscaping(rest);
}

}  // namespace archive_names
