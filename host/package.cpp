#include "package.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <new>

#include "package_archive_io.h"
#include "package_names.h"
#include "base/utf8.h"

namespace package {
namespace {

struct SharedState {
  SRWLOCK lock = SRWLOCK_INIT;
  std::vector<std::wstring> searchList;
  std::wstring moduleDirectory;
};

// Never destroyed: a worker thread may still look a file up while the process exits.
SharedState& State() {
  static SharedState* state = new SharedState;
  return *state;
}

class ExclusiveLock {
 public:
  explicit ExclusiveLock(SRWLOCK& lock) noexcept : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
  ~ExclusiveLock() { ReleaseSRWLockExclusive(&lock_); }
  ExclusiveLock(const ExclusiveLock&) = delete;
  ExclusiveLock& operator=(const ExclusiveLock&) = delete;

 private:
  SRWLOCK& lock_;
};

class SharedLock {
 public:
  explicit SharedLock(SRWLOCK& lock) noexcept : lock_(lock) { AcquireSRWLockShared(&lock_); }
  ~SharedLock() { ReleaseSRWLockShared(&lock_); }
  SharedLock(const SharedLock&) = delete;
  SharedLock& operator=(const SharedLock&) = delete;

 private:
  SRWLOCK& lock_;
};

FilePtr NewFile() noexcept { return FilePtr(new (std::nothrow) File); }

FilePtr FindInArchive(const std::wstring& archivePath, std::string_view key) {
  zlib_filefunc64_def functions = archive_io::Win32FileFunctions();
  ArchiveReader reader(unzOpen2_64(archivePath.c_str(), &functions));
  if (!reader) return nullptr;
  for (int status = unzGoToFirstFile(reader.get()); status == UNZ_OK; status = unzGoToNextFile(reader.get())) {
    unz_file_info64 info{};
    char name[names::kEntryNameBuffer];
    if (unzGetCurrentFileInfo64(reader.get(), &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) break;
    // A longer name was cut to the buffer; IsSkippedEntry still sees it as too long.
    const std::string_view entryName(name, std::min<size_t>(info.size_filename, sizeof name));
    if (names::IsSkippedEntry(entryName)) continue;
    if (!names::Equal(names::Key(entryName), key)) continue;
    if (unzOpenCurrentFile(reader.get()) != UNZ_OK) continue;
    FilePtr file = NewFile();
    if (file) file->archive = std::move(reader);
    return file;
  }
  return nullptr;
}

FilePtr OpenOnDisk(const std::wstring& path) {
  win::HostFileHandle disk(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!disk) return nullptr;
  FilePtr file = NewFile();
  if (file) file->disk = std::move(disk);
  return file;
}

FilePtr FindAnywhere(const std::vector<std::wstring>& searchList, std::wstring_view moduleDirectory,
                     const char* utf8Name) {
  const std::string key = names::Key(utf8Name);
  for (const std::wstring& path : searchList) {
    if (FilePtr file = FindInArchive(path, key)) return file;
  }
  const std::wstring wideKey = text::Utf8ToWide(key);
  if (!moduleDirectory.empty()) {
    for (const std::wstring& path : searchList) {
      std::wstring candidate(moduleDirectory);
      candidate.append(L"\\").append(path).append(L"\\").append(wideKey);
      if (FilePtr file = OpenOnDisk(candidate)) return file;
    }
  }
  return OpenOnDisk(wideKey);
}

}  // namespace

void SetModuleDirectory(std::wstring_view directory) noexcept {
  try {
    std::wstring copy(directory);
    SharedState& state = State();
    ExclusiveLock guard(state.lock);
    state.moduleDirectory.swap(copy);
  } catch (...) {}
}

void AddSearchPath(std::wstring_view path, bool atFront) noexcept {
  try {
    SharedState& state = State();
    ExclusiveLock guard(state.lock);
    auto& list = state.searchList;
    list.emplace(atFront ? list.begin() : list.end(), path);
  } catch (...) {}
}

void AddPathFromScript(std::wstring_view path, int where) noexcept { AddSearchPath(path, where == 1); }

std::vector<std::wstring> SearchPaths() {
  SharedState& state = State();
  SharedLock guard(state.lock);
  return state.searchList;
}

FilePtr Lookup(const char* utf8Name) noexcept {
  if (utf8Name == nullptr) return nullptr;
  try {
    std::vector<std::wstring> searchList;
    std::wstring moduleDirectory;
    {
      SharedState& state = State();
      SharedLock guard(state.lock);
      searchList = state.searchList;
      moduleDirectory = state.moduleDirectory;
    }
    return FindAnywhere(searchList, moduleDirectory, utf8Name);
  } catch (...) {
    return nullptr;
  }
}

FilePtr Find(const std::vector<std::wstring>& searchList, std::wstring_view moduleDirectory,
             const char* utf8Name) noexcept {
  if (utf8Name == nullptr) return nullptr;
  try {
    return FindAnywhere(searchList, moduleDirectory, utf8Name);
  } catch (...) {
    return nullptr;
  }
}

unsigned Size(const File& file) noexcept {
  if (file.archive) {
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(file.archive.get(), &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return 0;
    return static_cast<unsigned>(info.uncompressed_size);
  }
  if (file.disk) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.disk.get(), &size)) return 0;
    return static_cast<unsigned>(size.QuadPart);
  }
  return 0;
}

int Read(File& file, void* buffer, unsigned count) noexcept {
  // The result is a signed count, so one call never asks for more than it can report.
  count = std::min<unsigned>(count, INT_MAX);
  if (file.archive) {
    if (buffer == nullptr && count != 0) return UNZ_PARAMERROR;
    return unzReadCurrentFile(file.archive.get(), buffer, count);
  }
  if (file.disk) {
    if (buffer == nullptr && count != 0) return 0;
    DWORD done = 0;
    if (!ReadFile(file.disk.get(), buffer, count, &done, nullptr)) return 0;
    return static_cast<int>(done);
  }
  return -1;
}

namespace {

int SeekInEntry(unzFile reader, long long position) noexcept {
  unz_file_info64 info{};
  if (unzGetCurrentFileInfo64(reader, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return -1;
  const ZPOS64_T target = static_cast<ZPOS64_T>(position);
  if (target > info.uncompressed_size) return -1;
  ZPOS64_T current = unztell64(reader);
  if (current == static_cast<ZPOS64_T>(-1)) return -1;
  if (target < current) {
    unzCloseCurrentFile(reader);
    if (unzOpenCurrentFile(reader) != UNZ_OK) return -1;
    current = 0;
  }
  char skipped[16384];
  while (current < target) {
    const unsigned chunk = static_cast<unsigned>(std::min<ZPOS64_T>(sizeof skipped, target - current));
    const int done = unzReadCurrentFile(reader, skipped, chunk);
    if (done <= 0) return -1;
    current += static_cast<ZPOS64_T>(done);
  }
  return static_cast<int>(target);
}

}  // namespace

int Seek(File& file, long long position) noexcept {
  if (!file.archive && !file.disk) return -1;
  if (position < 0 || position > INT_MAX) return -1;
  if (file.archive) return SeekInEntry(file.archive.get(), position);
  LARGE_INTEGER distance{};
  distance.QuadPart = position;
  if (!SetFilePointerEx(file.disk.get(), distance, nullptr, FILE_BEGIN)) return -1;
  return static_cast<int>(position);
}

}  // namespace package
