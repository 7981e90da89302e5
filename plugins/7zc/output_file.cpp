#include "output_file.h"

#include <windows.h>

#include <algorithm>

#include "base/file_open.h"

namespace un7z {

namespace {

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool MakeFolders(const std::wstring& folder) {
  std::wstring path = folder;
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  if (path.empty() || path.back() == L':' || IsFolder(path)) return true;
  if (CreateDirectoryW(path.c_str(), nullptr)) return true;
  if (GetLastError() == ERROR_PATH_NOT_FOUND) {
    const size_t parent = path.find_last_of(L'\\');
    if (parent != std::wstring::npos && parent > 0 && MakeFolders(path.substr(0, parent)))
      CreateDirectoryW(path.c_str(), nullptr);
  }
  return IsFolder(path);
}

bool OutputFile::Create(const std::wstring& path) {
  path_ = path;
  written_ = 0;
  const size_t parent = path.find_last_of(L'\\');
  if (parent != std::wstring::npos) MakeFolders(path.substr(0, parent + 1));
  for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
    if (attempt > 0) Sleep(kWritePauseMs);
    file_ = win::OpenForWriting(path_, CREATE_ALWAYS);
    if (file_) return true;
  }
  return false;
}

bool OutputFile::WriteOnce(const uint8_t* data, size_t size) {
  if (!file_) {
    file_ = win::OpenForWriting(path_, OPEN_ALWAYS);
    if (!file_) return false;
  }
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(written_);
  if (!SetFilePointerEx(file_.get(), at, nullptr, FILE_BEGIN)) return false;
  size_t done = 0;
  while (done < size) {
    const DWORD piece = static_cast<DWORD>(std::min<size_t>(size - done, 1u << 30));
    DWORD wrote = 0;
    if (!WriteFile(file_.get(), data + done, piece, &wrote, nullptr) || wrote == 0) {
      SetFilePointerEx(file_.get(), at, nullptr, FILE_BEGIN);
      SetEndOfFile(file_.get());
      return false;
    }
    done += wrote;
  }
  written_ += size;
  return true;
}

bool OutputFile::Write(const uint8_t* data, size_t size) {
  for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
    if (attempt > 0) {
      // A fresh handle for the next attempt.
      file_.reset();
      Sleep(kWritePauseMs);
    }
    if (WriteOnce(data, size)) return true;
  }
  return false;
}

void OutputFile::Keep() { file_.reset(); }

void OutputFile::Remove() {
  file_.reset();
  if (path_.empty()) return;
  SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(path_.c_str());
}

}  // namespace un7z
