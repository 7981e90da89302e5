#include "file_open.h"

namespace win {

FileHandle OpenForWriting(const std::wstring& path, DWORD disposition) {
  // Asking first is cheaper than always changing them (under Wine a change is a server call).
  constexpr DWORD kInTheWay = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & kInTheWay))
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  return FileHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace win
