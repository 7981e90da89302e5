#include "temp_folder.h"

#include <windows.h>

#include <fstream>
#include <iterator>

namespace test_support {

namespace {

int nextFolderNumber = 0;

}  // namespace

TempFolder::TempFolder(std::wstring_view prefix) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  path_ = std::filesystem::path(temp) / (std::wstring(prefix) + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                         std::to_wstring(nextFolderNumber++));
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::wstring TempFolder::operator/(std::wstring_view name) const {
  return path_.wstring() + L"\\" + std::wstring(name);
}

CurrentDirectory::CurrentDirectory(const std::filesystem::path& folder) {
  wchar_t previous[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, previous);
  previous_ = previous;
  SetCurrentDirectoryW(folder.c_str());
}

CurrentDirectory::~CurrentDirectory() { SetCurrentDirectoryW(previous_.c_str()); }

bool IsFolder(const std::filesystem::path& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::error_code ignored;
  std::filesystem::create_directories(path.parent_path(), ignored);
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace test_support
