#pragma once
// The file functions minizip reads package archives through: Win32 handles opened by wide path,
// so archive paths never pass through the ANSI code page.
#include <ioapi.h>

namespace package::archive_io {

// The stream minizip gets is the Win32 file handle itself; opening is always read-only with
// shared read access, whatever mode minizip asks for. The path given to unzOpen2_64 must be a
// zero-terminated wide string.
zlib_filefunc64_def Win32FileFunctions() noexcept;

}  // namespace package::archive_io
