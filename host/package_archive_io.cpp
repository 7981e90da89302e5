#include "package_archive_io.h"

#include <windows.h>

#include "base/owned_handles.h"

namespace package::archive_io {
namespace {

HANDLE AsHandle(voidpf stream) noexcept { return static_cast<HANDLE>(stream); }

voidpf ZCALLBACK Open(voidpf, const void* path, int) {
  if (path == nullptr) return nullptr;
  HANDLE file =
      CreateFileW(static_cast<const wchar_t*>(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  // minizip recognises a failed open only by a null stream; an invalid handle would be walked
  // as an empty file and then given to CloseHandle.
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  owned_handles::Add(file);
  return file;
}

uLong ZCALLBACK Read(voidpf, voidpf stream, void* buffer, uLong size) {
  if (stream == nullptr) return 0;
  DWORD done = 0;
  if (!ReadFile(AsHandle(stream), buffer, size, &done, nullptr)) return 0;
  return done;
}

uLong ZCALLBACK Write(voidpf, voidpf stream, const void* buffer, uLong size) {
  if (stream == nullptr) return 0;
  DWORD done = 0;
  if (!WriteFile(AsHandle(stream), buffer, size, &done, nullptr)) return 0;
  return done;
}

ZPOS64_T ZCALLBACK Tell(voidpf, voidpf stream) {
  if (stream == nullptr) return 0;
  LARGE_INTEGER position{};
  if (!SetFilePointerEx(AsHandle(stream), LARGE_INTEGER{}, &position, FILE_CURRENT)) return 0;
  return static_cast<ZPOS64_T>(position.QuadPart);
}

long ZCALLBACK Seek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  if (stream == nullptr) return -1;
  DWORD method = 0;
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: method = FILE_BEGIN; break;
    case ZLIB_FILEFUNC_SEEK_CUR: method = FILE_CURRENT; break;
    case ZLIB_FILEFUNC_SEEK_END: method = FILE_END; break;
    default: return -1;
  }
  // Backward moves arrive as the unsigned image of a negative distance.
  LARGE_INTEGER distance{};
  distance.QuadPart = static_cast<LONGLONG>(offset);
  // A failed move must reach minizip as a failure, or it would read from the old position.
  return SetFilePointerEx(AsHandle(stream), distance, nullptr, method) ? 0 : -1;
}

int ZCALLBACK Close(voidpf, voidpf stream) {
  if (stream == nullptr) return -1;
  owned_handles::Remove(AsHandle(stream));
  return CloseHandle(AsHandle(stream)) ? 0 : -1;
}

int ZCALLBACK Error(voidpf, voidpf) { return static_cast<int>(GetLastError()); }

}  // namespace

zlib_filefunc64_def Win32FileFunctions() noexcept {
  zlib_filefunc64_def functions{};
  functions.zopen64_file = Open;
  functions.zread_file = Read;
  functions.zwrite_file = Write;
  functions.ztell64_file = Tell;
  functions.zseek64_file = Seek;
  functions.zclose_file = Close;
  functions.zerror_file = Error;
  functions.opaque = nullptr;
  return functions;
}

}  // namespace package::archive_io
