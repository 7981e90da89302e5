#include "file_open.h"

namespace win {

FileHandle OpenForWriting(const std::wstring& path, DWORD disposition) {
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  return FileHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace win
