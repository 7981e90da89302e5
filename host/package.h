#pragma once
// The resource package: files looked up by name along an ordered search list, first inside
// ZIP archives (the executable itself, with its appended archive, is the first of them), then
// in folders under the module directory, then as a plain path.
//
// The search list and the module directory are guarded by a reader/writer lock, so lookups may
// run on any thread (the engine may open package files from a worker) while pages add paths on
// the UI thread. Each open file belongs to the one caller that opened it.
#include <unzip.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/owned_handles.h"
#include "base/win_handles.h"

namespace package {

struct ArchiveReaderTraits {
  using Handle = unzFile;
  static Handle Empty() noexcept { return nullptr; }
  static void Release(Handle reader) noexcept {
    unzCloseCurrentFile(reader);
    unzClose(reader);
  }
};
using ArchiveReader = win::Owned<ArchiveReaderTraits>;

// An open package file. Exactly one part is set: an archive reader standing on the entry,
// which is open for reading, or a disk file opened for reading with shared read access.
struct File {
  ArchiveReader archive;
  win::HostFileHandle disk;
};
using FilePtr = std::unique_ptr<File>;

// Start-up sets the folder the executable lives in (no trailing backslash). Until it is set,
// the folder pass is skipped.
void SetModuleDirectory(std::wstring_view directory) noexcept;

// Inserts a copy of path at the front or the back of the search list. Entries are never
// removed; a path that is neither an archive nor a folder is simply passed over by lookups.
void AddSearchPath(std::wstring_view path, bool atFront) noexcept;

// The script function wke_FILE_add_path: where == 1 inserts at the front, anything else at
// the back.
void AddPathFromScript(std::wstring_view path, int where) noexcept;

// A copy of the search list, front first.
std::vector<std::wstring> SearchPaths();

// Looks name (UTF-8) up along the process-wide search list; null when it is found nowhere.
// Nothing is cached: every lookup reopens the archives on the list.
FilePtr Lookup(const char* utf8Name) noexcept;

// The lookup itself over an explicit search list and module directory (empty: no folder pass).
FilePtr Find(const std::vector<std::wstring>& searchList, std::wstring_view moduleDirectory,
             const char* utf8Name) noexcept;

// Uncompressed size of an entry or size of a disk file, low 32 bits; 0 when unknown.
unsigned Size(const File& file) noexcept;

// Bytes delivered into buffer, 0 at the end. An entry reports minizip's negative error codes,
// a disk file 0 when reading fails; -1 for a file with neither part.
int Read(File& file, void* buffer, unsigned count) noexcept;

// Moves the read position to position bytes from the start and returns it; -1 when that is
// impossible (negative, beyond an entry's end, not representable, or the move failed).
// Entries move forward by decompressing and skipping, backward by reopening the entry.
int Seek(File& file, long long position) noexcept;

}  // namespace package
