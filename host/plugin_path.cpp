#include "plugin_path.h"

#include <vector>

namespace plugin_path {
namespace {

bool IsPlainRelative(std::wstring_view name) {
  if (name.empty() || name[0] == L'\\' || name[0] == L'/') return false;
  if (name.find(L':') != std::wstring_view::npos) return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of(L"\\/", start);
    if (end == std::wstring_view::npos) end = name.size();
    const std::wstring_view part = name.substr(start, end - start);
    if (part.empty() || part == L"..") return false;
    start = end + 1;
  }
  return true;
}

}  // namespace

std::wstring ProgramPath() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) return std::wstring(path.data(), length);
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
}

std::wstring BesideProgram(std::wstring_view relative) {
  if (!IsPlainRelative(relative)) return {};
  std::wstring path = ProgramPath();
  const size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return {};
  path.resize(slash + 1);
  path.append(relative);
  return path;
}

HMODULE Load(std::wstring_view relative) {
  const std::wstring path = BesideProgram(relative);
  if (path.empty()) return nullptr;
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace plugin_path
