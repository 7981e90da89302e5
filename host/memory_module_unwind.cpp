#include "memory_module_unwind.h"

#include <cstring>

namespace memory_module {

#if defined(_WIN64)

namespace {

bool EntryInsideImage(const RUNTIME_FUNCTION& entry, uint32_t imageSize) noexcept {
  return entry.BeginAddress <= entry.EndAddress && entry.EndAddress <= imageSize &&
         Fits(entry.UnwindData, sizeof(DWORD), imageSize);
}

}  // namespace

DWORD RegisterFunctionTable(MemoryModule& module, const ImageLayout& layout) noexcept {
  const IMAGE_DATA_DIRECTORY directory = layout.directories[IMAGE_DIRECTORY_ENTRY_EXCEPTION];
  if (directory.Size == 0) return ERROR_SUCCESS;
  if (!Fits(directory.VirtualAddress, directory.Size, module.imageSize) ||
      directory.Size % sizeof(RUNTIME_FUNCTION) != 0)
    return ERROR_BAD_EXE_FORMAT;
  unsigned char* const table = module.codeBase + directory.VirtualAddress;
  ReadableRegion known;
  if (!Readable(known, table, directory.Size)) return ERROR_BAD_EXE_FORMAT;

  const DWORD count = directory.Size / sizeof(RUNTIME_FUNCTION);
  for (DWORD i = 0; i < count; ++i) {
    RUNTIME_FUNCTION entry;
    std::memcpy(&entry, table + i * sizeof entry, sizeof entry);
    if (!EntryInsideImage(entry, module.imageSize)) return ERROR_BAD_EXE_FORMAT;
  }
  auto* const entries = reinterpret_cast<RUNTIME_FUNCTION*>(table);
  if (!RtlAddFunctionTable(entries, count, reinterpret_cast<DWORD64>(module.codeBase))) return ERROR_OUTOFMEMORY;
  module.functionTable = entries;
  return ERROR_SUCCESS;
}

void UnregisterFunctionTable(MemoryModule& module) noexcept {
  if (!module.functionTable) return;
  RtlDeleteFunctionTable(static_cast<RUNTIME_FUNCTION*>(module.functionTable));
  module.functionTable = nullptr;
}

#else

DWORD RegisterFunctionTable(MemoryModule&, const ImageLayout&) noexcept { return ERROR_SUCCESS; }

void UnregisterFunctionTable(MemoryModule&) noexcept {}

#endif

}  // namespace memory_module
