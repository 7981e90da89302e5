#include "file_folders.h"

#include <windows.h>

#include <algorithm>

namespace files {

bool CreateParentFolders(const std::wstring& path) {
  std::wstring folder = path;
  std::replace(folder.begin(), folder.end(), L'/', L'\\');
  if (folder.size() >= 2) {
    const size_t slash = folder.rfind(L'\\');
    if (slash == std::wstring::npos) return false;
    folder.resize(slash);
  }
  if (CreateDirectoryW(folder.c_str(), nullptr)) return true;
  for (size_t at = folder.find(L'\\'); at != std::wstring::npos; at = folder.find(L'\\', at + 1)) {
    const std::wstring prefix = folder.substr(0, at);
    CreateDirectoryW(prefix.c_str(), nullptr);
  }
  return CreateDirectoryW(folder.c_str(), nullptr) != 0;
}

}  // namespace files
