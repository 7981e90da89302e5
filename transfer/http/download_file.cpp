#include "download_file.h"

#include <windows.h>

#include "base/file_open.h"
#include "base/win_handles.h"

namespace download {

namespace {

bool WriteAll(HANDLE file, std::string_view bytes) {
  size_t written = 0;
  while (written < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - written, 1u << 30));
    DWORD done = 0;
    if (!WriteFile(file, bytes.data() + written, chunk, &done, nullptr) || done == 0) return false;
    written += done;
  }
  return true;
}

template <typename Attempt>
bool Retried(Attempt attempt) {
  for (int i = 0; i < kWriteAttempts; ++i) {
    if (attempt()) return true;
    Sleep(kWritePauseMs);
  }
  return false;
}

}  // namespace

int64_t FileSize(const std::wstring& path) {
  const win::FileHandle file(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return -1;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return -1;
  return size.QuadPart;
}

bool ReadWholeFile(const std::wstring& path, std::string& text) {
  const win::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > (1 << 20)) return false;
  text.resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!text.empty() && !ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr))
    return false;
  text.resize(read);
  return true;
}

void CreateParentFolders(const std::wstring& path) {
  std::wstring normal = path;
  for (wchar_t& c : normal) {
    if (c == L'/') c = L'\\';
  }
  // Most files of an extraction land in a folder that is already there: one question instead of
  // a creation attempt for every folder on the way.
  const size_t last = normal.find_last_of(L'\\');
  if (last != std::wstring::npos && last > 0) {
    const DWORD attributes = GetFileAttributesW(normal.substr(0, last).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
  }
  for (size_t at = normal.find(L'\\', 1); at != std::wstring::npos; at = normal.find(L'\\', at + 1)) {
    const std::wstring prefix = normal.substr(0, at);
    if (prefix.empty() || prefix.back() == L':' || prefix == L"\\") continue;
    CreateDirectoryW(prefix.c_str(), nullptr);
  }
}

bool AppendBytes(const std::wstring& path, std::string_view bytes, bool truncateFirst) {
  return Retried([&] {
    const win::FileHandle file = win::OpenForWriting(path, truncateFirst ? CREATE_ALWAYS : OPEN_ALWAYS);
    if (!file) return false;
    LARGE_INTEGER end{};
    if (!SetFilePointerEx(file.get(), LARGE_INTEGER{}, &end, FILE_END)) return false;
    if (WriteAll(file.get(), bytes)) return true;
    // A short write leaves the file as it was, so a retry does not repeat bytes.
    SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN);
    SetEndOfFile(file.get());
    return false;
  });
}

bool ReplaceContent(const std::wstring& path, const std::string& text) {
  return Retried([&] {
    const win::FileHandle file = win::OpenForWriting(path, CREATE_ALWAYS);
    return file && WriteAll(file.get(), text);
  });
}

}  // namespace download
