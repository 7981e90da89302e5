#include "memory_module_tls.h"

#include <cstring>

namespace memory_module {
namespace {

// True when the callback array at `rva` ends with its zero inside the image and every callback
// before it lies inside the image.
bool CallbacksInsideImage(const MemoryModule& module, uint64_t rva) noexcept {
  for (uint64_t slot = rva;; slot += sizeof(ImageAddress)) {
    if (!Fits(slot, sizeof(ImageAddress), module.imageSize)) return false;
    const ImageAddress callback = ReadAddress(module.codeBase + slot);
    if (callback == 0) return true;
    if (RvaOf(module, callback) >= module.imageSize) return false;
  }
}

}  // namespace

DWORD PrepareTls(MemoryModule& module, const ImageLayout& layout) noexcept {
  const IMAGE_DATA_DIRECTORY directory = layout.directories[IMAGE_DIRECTORY_ENTRY_TLS];
  if (directory.Size == 0) return ERROR_SUCCESS;
  NativeTlsDirectory tls;
  if (!Fits(directory.VirtualAddress, sizeof tls, module.imageSize)) return ERROR_BAD_EXE_FORMAT;
  std::memcpy(&tls, module.codeBase + directory.VirtualAddress, sizeof tls);

  const uint64_t indexSlot = RvaOf(module, static_cast<ImageAddress>(tls.AddressOfIndex));
  if (!Fits(indexSlot, sizeof(DWORD), module.imageSize)) return ERROR_BAD_EXE_FORMAT;
  if (tls.AddressOfCallBacks != 0) {
    const uint64_t callbacks = RvaOf(module, static_cast<ImageAddress>(tls.AddressOfCallBacks));
    if (!CallbacksInsideImage(module, callbacks)) return ERROR_BAD_EXE_FORMAT;
    module.tlsCallbacksRva = static_cast<uint32_t>(callbacks);
  }

  module.tlsIndex = TlsAlloc();
  if (module.tlsIndex == TLS_OUT_OF_INDEXES) return ERROR_OUTOFMEMORY;
  WriteU32(module.codeBase + indexSlot, module.tlsIndex);
  return ERROR_SUCCESS;
}

void RunTlsCallbacks(const MemoryModule& module, DWORD reason) noexcept {
  if (module.tlsCallbacksRva == 0) return;
  ReadableRegion known;
  for (uint64_t slot = module.tlsCallbacksRva;; slot += sizeof(ImageAddress)) {
    if (!Fits(slot, sizeof(ImageAddress), module.imageSize) ||
        !Readable(known, module.codeBase + slot, sizeof(ImageAddress)))
      return;
    const ImageAddress callback = ReadAddress(module.codeBase + slot);
    if (callback == 0 || RvaOf(module, callback) >= module.imageSize) return;
    reinterpret_cast<PIMAGE_TLS_CALLBACK>(callback)(module.codeBase, reason, nullptr);
  }
}

}  // namespace memory_module
