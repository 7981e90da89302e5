// Loading and freeing an in-memory module.
#include "memory_module.h"

#include <windows.h>

#include <cstddef>
#include <cstring>

#include "memory_module_fixups.h"
#include "memory_module_headers.h"
#include "memory_module_record.h"
#include "memory_module_sections.h"
#include "memory_module_tls.h"
#include "memory_module_unwind.h"
#include "base/win_handles.h"

namespace memory_module {
namespace {

using DllEntry = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);

void* DefaultLoadLibrary(const char* name, void*) noexcept { return LoadLibraryA(name); }

void* DefaultGetProcedure(void* library, const char* name, void*) noexcept {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void DefaultFreeLibrary(void* library, void*) noexcept { FreeLibrary(static_cast<HMODULE>(library)); }

struct ImageMemoryTraits {
  using Handle = void*;
  static Handle Empty() noexcept { return nullptr; }
  static void Release(Handle memory) noexcept { VirtualFree(memory, 0, MEM_RELEASE); }
};
using ImageMemory = win::Owned<ImageMemoryTraits>;

DllEntry EntryAt(const MemoryModule& module, uint32_t rva) noexcept {
  return reinterpret_cast<DllEntry>(module.codeBase + rva);
}

// Steps after the record exists; any error leaves the record for the caller to free.
DWORD Map(MemoryModule& module, const unsigned char* image, const ImageLayout& layout) noexcept {
  std::memcpy(module.codeBase, image, layout.headerCopySize);
  unsigned char* const nt = module.codeBase + layout.ntOffset;
  module.headers = reinterpret_cast<NativeNtHeaders*>(nt);
  const ImageAddress codeBase = reinterpret_cast<ImageAddress>(module.codeBase);
  WriteAddress(nt + offsetof(NativeNtHeaders, OptionalHeader.ImageBase), codeBase);

  CopySections(module, image, layout);

  if (codeBase != layout.imageBase) {
    const ImageAddress delta = codeBase - static_cast<ImageAddress>(layout.imageBase);
    if (const DWORD error = Relocate(module, layout, delta); error != ERROR_SUCCESS) return error;
  }
  if (const DWORD error = ResolveImports(module, layout); error != ERROR_SUCCESS) return error;
  if (const DWORD error = PrepareTls(module, layout); error != ERROR_SUCCESS) return error;

  FinalizeSections(module, image, layout);
  if (const DWORD error = RegisterFunctionTable(module, layout); error != ERROR_SUCCESS) return error;

  module.tlsAttached = 1;
  RunTlsCallbacks(module, DLL_PROCESS_ATTACH);
  if (layout.entryPoint == 0) return ERROR_SUCCESS;
  const DllEntry entry = EntryAt(module, layout.entryPoint);
  if (!entry(reinterpret_cast<HINSTANCE>(module.codeBase), DLL_PROCESS_ATTACH, nullptr)) return ERROR_DLL_INIT_FAILED;
  module.initialized = 1;
  return ERROR_SUCCESS;
}

MemoryModule* Load(const unsigned char* image, size_t size, MemoryModuleLoadLibraryFn loadLibrary,
                   MemoryModuleGetProcedureFn getProcedure, MemoryModuleFreeLibraryFn freeLibrary, void* userData,
                   DWORD& error) noexcept {
  ImageLayout layout;
  if (!ReadLayout(image, size, layout)) {
    error = ERROR_BAD_EXE_FORMAT;
    return nullptr;
  }
  ImageMemory memory(VirtualAlloc(reinterpret_cast<void*>(static_cast<uintptr_t>(layout.imageBase)), layout.sizeOfImage,
                                  MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  if (!memory) memory.reset(VirtualAlloc(nullptr, layout.sizeOfImage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  if (!memory) {
    error = ERROR_OUTOFMEMORY;
    return nullptr;
  }

  MemoryModulePtr module(
      static_cast<MemoryModule*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(MemoryModule))));
  if (!module) {
    error = ERROR_OUTOFMEMORY;
    return nullptr;
  }
  module->codeBase = static_cast<unsigned char*>(memory.release());
  module->loadLibrary = loadLibrary ? loadLibrary : DefaultLoadLibrary;
  module->getProcedure = getProcedure ? getProcedure : DefaultGetProcedure;
  module->freeLibrary = freeLibrary ? freeLibrary : DefaultFreeLibrary;
  module->userData = userData;
  module->imageSize = layout.sizeOfImage;
  module->tlsIndex = TLS_OUT_OF_INDEXES;

  error = Map(*module, image, layout);
  if (error != ERROR_SUCCESS) return nullptr;  // the record's owner runs the free step
  return module.release();
}

}  // namespace

const char* MappedText(const MemoryModule& module, uint64_t rva) noexcept {
  if (rva >= module.imageSize) return nullptr;
  const unsigned char* const text = module.codeBase + rva;
  return std::memchr(text, 0, module.imageSize - rva) ? reinterpret_cast<const char*>(text) : nullptr;
}

bool Readable(ReadableRegion& known, const void* at, size_t length) noexcept {
  uintptr_t begin = reinterpret_cast<uintptr_t>(at);
  const uintptr_t end = begin + length;
  while (begin < end) {
    if (begin >= known.begin && begin < known.end) {
      begin = known.end;
      continue;
    }
    MEMORY_BASIC_INFORMATION info;
    if (!VirtualQuery(reinterpret_cast<void*>(begin), &info, sizeof info)) return false;
    const DWORD access = info.Protect & 0xFF;
    if (info.State != MEM_COMMIT || (info.Protect & PAGE_GUARD) || access == PAGE_NOACCESS || access == PAGE_EXECUTE)
      return false;
    known.begin = reinterpret_cast<uintptr_t>(info.BaseAddress);
    known.end = known.begin + info.RegionSize;
  }
  return true;
}

}  // namespace memory_module

extern "C" {

MemoryModule* MemoryModuleLoad(const void* image, size_t size) noexcept {
  return MemoryModuleLoadWithCallbacks(image, size, nullptr, nullptr, nullptr, nullptr);
}

MemoryModule* MemoryModuleLoadWithCallbacks(const void* image, size_t size, MemoryModuleLoadLibraryFn loadLibrary,
                                            MemoryModuleGetProcedureFn getProcedure,
                                            MemoryModuleFreeLibraryFn freeLibrary, void* userData) noexcept {
  DWORD error = ERROR_SUCCESS;
  MemoryModule* const module = memory_module::Load(static_cast<const unsigned char*>(image), size, loadLibrary,
                                                   getProcedure, freeLibrary, userData, error);
  // Set only now: freeing a partly built module calls FreeLibrary and friends, which may change it.
  if (!module) SetLastError(error);
  return module;
}

void MemoryModuleFree(MemoryModule* module) noexcept {
  if (!module) return;
  // As the system loader does, the TLS callbacks hear of the detach before the entry point.
  if (module->tlsAttached) {
    memory_module::RunTlsCallbacks(*module, DLL_PROCESS_DETACH);
    module->tlsAttached = 0;
  }
  if (module->initialized) {
    // The entry point is read from the mapped headers, which the image may have made unreadable.
    memory_module::ReadableRegion known;
    if (module->headers && memory_module::Readable(known, module->headers, sizeof(memory_module::NativeNtHeaders))) {
      const uint32_t entry = module->headers->OptionalHeader.AddressOfEntryPoint;
      if (entry != 0 && entry < module->imageSize)
        memory_module::EntryAt(*module, entry)(reinterpret_cast<HINSTANCE>(module->codeBase), DLL_PROCESS_DETACH,
                                               nullptr);
    }
    module->initialized = 0;
  }
  memory_module::UnregisterFunctionTable(*module);
  if (module->tlsIndex != TLS_OUT_OF_INDEXES) TlsFree(module->tlsIndex);
  for (int i = 0; i < module->importedModuleCount; ++i) {
    if (module->importedModules[i]) module->freeLibrary(module->importedModules[i], module->userData);
  }
  if (module->importedModules) HeapFree(GetProcessHeap(), 0, module->importedModules);
  if (module->codeBase) VirtualFree(module->codeBase, 0, MEM_RELEASE);
  HeapFree(GetProcessHeap(), 0, module);
}

}  // extern "C"
