#pragma once
// The in-memory module record and the checks every step makes against the mapped image.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "memory_module.h"

static_assert(sizeof(void*) == 4, "the loader maps 32-bit images into a 32-bit process");

struct MemoryModule {
  IMAGE_NT_HEADERS32* headers;  // inside the mapped copy
  unsigned char* codeBase;      // start of the image memory
  void** importedModules;       // process heap, grown by one per import descriptor
  int importedModuleCount;
  int initialized;  // 1 once the entry point accepted DLL_PROCESS_ATTACH
  MemoryModuleLoadLibraryFn loadLibrary;
  MemoryModuleGetProcedureFn getProcedure;
  MemoryModuleFreeLibraryFn freeLibrary;
  void* userData;
  // SizeOfImage as checked before loading. Every later bounds check uses this copy: the mapped
  // headers stay writable, and relocations, imports or the image's own code may change them.
  uint32_t imageSize;
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
