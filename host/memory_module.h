#pragma once
// In-memory module loader: maps a DLL image held in memory into the process the way the system
// loader maps a DLL file (sections, base relocations, imports, page protections, TLS index and
// callbacks, the exception directory, entry point), looks up its exports by name and unloads it.
// Only images of the process's own architecture are taken: PE32 for i386 in a 32-bit process,
// PE32+ for x86-64 in a 64-bit one. Static TLS data, delay-load imports, forwarded exports and
// resources are not handled.
//
// Every offset the image contains is checked against the image before it is used: a truncated
// or damaged image is refused with ERROR_BAD_EXE_FORMAT and leaves nothing behind.
#include <stddef.h>

#ifdef __cplusplus
#include <memory>
#define MEMORY_MODULE_NOEXCEPT noexcept
extern "C" {
#else
#define MEMORY_MODULE_NOEXCEPT
#endif

typedef struct MemoryModule MemoryModule;

// Loads the library `name` needed by the image's imports; null when it cannot be loaded.
typedef void* (*MemoryModuleLoadLibraryFn)(const char* name, void* userData);
// Finds a function of `library`; `name` is either a name or, when its value fits in the low
// 16 bits, an ordinal (as GetProcAddress takes them). Null when it is missing.
typedef void* (*MemoryModuleGetProcedureFn)(void* library, const char* name, void* userData);
// Releases a library the load-library callback returned.
typedef void (*MemoryModuleFreeLibraryFn)(void* library, void* userData);

// Loads the image of `size` bytes with LoadLibraryA, GetProcAddress and FreeLibrary for its
// imports. The bytes stay the caller's: the loader copies what it needs. Null on failure, with
// the thread's last error set to ERROR_BAD_EXE_FORMAT (not an image of the process's
// architecture, or an offset outside it), ERROR_OUTOFMEMORY (no memory, TLS index or function
// table registration), ERROR_MOD_NOT_FOUND (an imported library does not load),
// ERROR_PROC_NOT_FOUND (an imported function is missing) or ERROR_DLL_INIT_FAILED (the entry
// point refused DLL_PROCESS_ATTACH). TLS callbacks run with DLL_PROCESS_ATTACH before the entry
// point.
MemoryModule* MemoryModuleLoad(const void* image, size_t size) MEMORY_MODULE_NOEXCEPT;

// The same with the caller's callbacks, each called with `userData`. A null callback stands for
// the default one.
MemoryModule* MemoryModuleLoadWithCallbacks(const void* image, size_t size, MemoryModuleLoadLibraryFn loadLibrary,
                                            MemoryModuleGetProcedureFn getProcedure,
                                            MemoryModuleFreeLibraryFn freeLibrary,
                                            void* userData) MEMORY_MODULE_NOEXCEPT;

// Address of the export `name`, compared without regard to ASCII letter case; the first match in
// the image's name table wins. Null with ERROR_PROC_NOT_FOUND when there is no such name (or no
// module or name is given), with ERROR_BAD_EXE_FORMAT when the export tables lie outside the
// image's readable memory.
void* MemoryModuleGetExport(MemoryModule* module, const char* name) MEMORY_MODULE_NOEXCEPT;

// Sends DLL_PROCESS_DETACH to the TLS callbacks when they were sent the attach and to the entry
// point when it accepted the attach, removes the exception directory's registration, releases
// the TLS index and the imported libraries in the order they were loaded, then the image memory
// and the record. Null is ignored.
void MemoryModuleFree(MemoryModule* module) MEMORY_MODULE_NOEXCEPT;

#ifdef __cplusplus
}

struct MemoryModuleRelease {
  void operator()(MemoryModule* module) const noexcept { MemoryModuleFree(module); }
};
using MemoryModulePtr = std::unique_ptr<MemoryModule, MemoryModuleRelease>;
#endif
