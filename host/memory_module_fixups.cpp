#include "memory_module_fixups.h"

#include <cstring>

namespace memory_module {
namespace {

bool AppendImportedModule(MemoryModule& module, void* library) noexcept {
  const HANDLE heap = GetProcessHeap();
  const size_t bytes = (static_cast<size_t>(module.importedModuleCount) + 1) * sizeof(void*);
  void* grown =
      module.importedModules ? HeapReAlloc(heap, 0, module.importedModules, bytes) : HeapAlloc(heap, 0, bytes);
  if (!grown) return false;
  module.importedModules = static_cast<void**>(grown);
  module.importedModules[module.importedModuleCount++] = library;
  return true;
}

// Resolves one descriptor's thunks into its FirstThunk array. Thunks and import address table
// slots are as wide as an address of the image's format.
DWORD ResolveThunks(MemoryModule& module, void* library, const IMAGE_IMPORT_DESCRIPTOR& descriptor) noexcept {
  const uint32_t names = descriptor.OriginalFirstThunk ? descriptor.OriginalFirstThunk : descriptor.FirstThunk;
  for (uint64_t i = 0;; ++i) {
    const uint64_t nameSlot = names + i * sizeof(ImageAddress);
    const uint64_t addressSlot = descriptor.FirstThunk + i * sizeof(ImageAddress);
    if (!Fits(nameSlot, sizeof(ImageAddress), module.imageSize)) return ERROR_BAD_EXE_FORMAT;
    const ImageAddress thunk = ReadAddress(module.codeBase + nameSlot);
    if (thunk == 0) return ERROR_SUCCESS;
    if (!Fits(addressSlot, sizeof(ImageAddress), module.imageSize)) return ERROR_BAD_EXE_FORMAT;

    const char* wanted;
    if (thunk & kNativeFormat.ordinalFlag) {
      wanted = MAKEINTRESOURCEA(thunk & 0xFFFF);
    } else {
      wanted = MappedText(module, uint64_t{thunk} + sizeof(WORD));  // past the hint
      if (!wanted) return ERROR_BAD_EXE_FORMAT;
    }
    void* const address = module.getProcedure(library, wanted, module.userData);
    WriteAddress(module.codeBase + addressSlot, reinterpret_cast<ImageAddress>(address));
    if (!address) return ERROR_PROC_NOT_FOUND;
  }
}

}  // namespace

DWORD Relocate(MemoryModule& module, const ImageLayout& layout, ImageAddress delta) noexcept {
  const IMAGE_DATA_DIRECTORY directory = layout.directories[IMAGE_DIRECTORY_ENTRY_BASERELOC];
  if (directory.Size == 0) return ERROR_SUCCESS;
  if (!Fits(directory.VirtualAddress, directory.Size, module.imageSize)) return ERROR_BAD_EXE_FORMAT;

  const unsigned char* const blocks = module.codeBase + directory.VirtualAddress;
  // The walk ends at a block whose VirtualAddress is 0 or at the end of the directory, and a
  // block must lie within the directory: a linker need not leave a zero block after the last.
  uint32_t offset = 0;
  while (directory.Size - offset >= sizeof(IMAGE_BASE_RELOCATION)) {
    IMAGE_BASE_RELOCATION block;
    std::memcpy(&block, blocks + offset, sizeof block);
    if (block.VirtualAddress == 0) break;
    if (block.SizeOfBlock < sizeof block || block.SizeOfBlock > directory.Size - offset) return ERROR_BAD_EXE_FORMAT;

    const uint32_t count = (block.SizeOfBlock - sizeof block) / sizeof(WORD);
    for (uint32_t i = 0; i < count; ++i) {
      WORD entry;
      std::memcpy(&entry, blocks + offset + sizeof block + i * sizeof entry, sizeof entry);
      if ((entry >> 12) != kNativeFormat.relocationType) continue;
      const uint64_t site = uint64_t{block.VirtualAddress} + (entry & 0xFFF);
      if (!Fits(site, sizeof(ImageAddress), module.imageSize)) return ERROR_BAD_EXE_FORMAT;
      WriteAddress(module.codeBase + site, ReadAddress(module.codeBase + site) + delta);
    }
    offset += block.SizeOfBlock;
  }
  return ERROR_SUCCESS;
}

DWORD ResolveImports(MemoryModule& module, const ImageLayout& layout) noexcept {
  const IMAGE_DATA_DIRECTORY directory = layout.directories[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (directory.Size == 0) return ERROR_SUCCESS;
  if (!Fits(directory.VirtualAddress, directory.Size, module.imageSize)) return ERROR_BAD_EXE_FORMAT;

  // The walk stops at a descriptor whose Name is 0. It would also stop at unwritable memory, but
  // the whole image is still committed read/write at this point; a descriptor running past the
  // image's end is refused instead.
  for (uint64_t at = directory.VirtualAddress;; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    if (!Fits(at, sizeof(IMAGE_IMPORT_DESCRIPTOR), module.imageSize)) return ERROR_BAD_EXE_FORMAT;
    IMAGE_IMPORT_DESCRIPTOR descriptor;
    std::memcpy(&descriptor, module.codeBase + at, sizeof descriptor);
    if (descriptor.Name == 0) return ERROR_SUCCESS;

    const char* const name = MappedText(module, descriptor.Name);
    if (!name) return ERROR_BAD_EXE_FORMAT;
    void* const library = module.loadLibrary(name, module.userData);
    if (!library) return ERROR_MOD_NOT_FOUND;
    if (!AppendImportedModule(module, library)) {
      module.freeLibrary(library, module.userData);
      return ERROR_OUTOFMEMORY;
    }
    // From here the library is in the array, and the free step releases it on failure.
    if (const DWORD error = ResolveThunks(module, library, descriptor); error != ERROR_SUCCESS) return error;
  }
}

}  // namespace memory_module
