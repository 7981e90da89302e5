#pragma once
// Just enough of the Windows API for the engine's text and file-name code to build on Linux
// for the fuzz targets. The file functions are never called there and fail.
#include <cstdint>

using DWORD = uint32_t;
using LONG = int32_t;
using BOOL = int;
using HANDLE = void*;
using LPCWSTR = const wchar_t*;

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))
#define GENERIC_READ 0x80000000u
#define FILE_SHARE_READ 0x1u
#define OPEN_EXISTING 3u

inline HANDLE CreateFileW(LPCWSTR, DWORD, DWORD, void*, DWORD, DWORD, HANDLE) { return INVALID_HANDLE_VALUE; }
inline BOOL CloseHandle(HANDLE) { return 1; }
inline DWORD GetFileSize(HANDLE, DWORD*) { return 0; }
inline BOOL ReadFile(HANDLE, void*, DWORD, DWORD* got, void*) {
  if (got) *got = 0;
  return 0;
}
inline DWORD SetFilePointer(HANDLE, LONG, LONG*, DWORD) { return 0xFFFFFFFFu; }
