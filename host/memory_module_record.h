#pragma once
// The in-memory module record and the checks every step makes against the mapped image.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "memory_module.h"
#include "memory_module_headers.h"

struct MemoryModule {
  memory_module::NativeNtHeaders* headers;  // inside the mapped copy
  unsigned char* codeBase;                  // start of the image memory
  void** importedModules;                   // process heap, grown by one per import descriptor
  int importedModuleCount;
  int initialized;  // 1 once the entry point accepted DLL_PROCESS_ATTACH
  MemoryModuleLoadLibraryFn loadLibrary;
  MemoryModuleGetProcedureFn getProcedure;
  MemoryModuleFreeLibraryFn freeLibrary;
  void* userData;
  // SizeOfImage as checked before loading. Every later bounds check uses this copy: the mapped
  // headers stay writable, and relocations, imports or the image's own code may change them.
  uint32_t imageSize;
  uint32_t tlsCallbacksRva;  // the image's TLS callback array; 0 without one
  int tlsAttached;           // 1 once the TLS callbacks were sent DLL_PROCESS_ATTACH
  DWORD tlsIndex;            // TlsAlloc's index written to the image's index slot, else TLS_OUT_OF_INDEXES
  void* functionTable;       // the exception directory registered for unwinding, else null
};

namespace memory_module {

// True when `length` bytes at `offset` lie within `limit` bytes (no overflow on hostile values).
constexpr bool Fits(uint64_t offset, uint64_t length, uint64_t limit) noexcept {
  return offset <= limit && length <= limit - offset;
}

inline uint32_t ReadU32(const void* at) noexcept {
  uint32_t value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

inline void WriteU32(void* at, uint32_t value) noexcept { std::memcpy(at, &value, sizeof value); }

inline ImageAddress ReadAddress(const void* at) noexcept {
  ImageAddress value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

inline void WriteAddress(void* at, ImageAddress value) noexcept { std::memcpy(at, &value, sizeof value); }

// The rva of an address the image holds (relocated to the loaded base), or `imageSize` and more
// when it points outside the image.
inline uint64_t RvaOf(const MemoryModule& module, ImageAddress address) noexcept {
  const ImageAddress base = reinterpret_cast<ImageAddress>(module.codeBase);
  return address >= base ? uint64_t{address - base} : UINT64_MAX;
}

// The NUL-terminated text at `rva` of the mapped image, or null when it runs past the image.
const char* MappedText(const MemoryModule& module, uint64_t rva) noexcept;

// Remembers the last region VirtualQuery reported readable, so that walking a table in one
// section costs one query.
struct ReadableRegion {
  uintptr_t begin = 0;
  uintptr_t end = 0;
};

// True when every byte of the range is committed and readable. Sections may have been made
// inaccessible or decommitted (discardable) after loading, so memory is checked before it is read.
bool Readable(ReadableRegion& known, const void* at, size_t length) noexcept;

}  // namespace memory_module
