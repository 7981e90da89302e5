// Export lookup by name in an in-memory module.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "memory_module.h"
#include "memory_module_record.h"

namespace memory_module {
namespace {

constexpr unsigned char FoldAscii(unsigned char c) noexcept {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

enum class NameMatch { kEqual, kDifferent, kOutside };

// Compares the image's name at `rva` with `wanted` (of `length` characters) without regard to
// ASCII case. Reads at most length + 1 bytes, and none past the image or its readable memory.
NameMatch CompareName(const MemoryModule& module, ReadableRegion& known, uint32_t rva, const char* wanted,
                      size_t length) noexcept {
  if (rva >= module.imageSize) return NameMatch::kOutside;
  const size_t available = std::min<size_t>(length + 1, module.imageSize - rva);
  const unsigned char* const name = module.codeBase + rva;
  if (!Readable(known, name, available)) return NameMatch::kOutside;
  for (size_t i = 0; i < available; ++i) {
    if (FoldAscii(name[i]) != FoldAscii(static_cast<unsigned char>(wanted[i]))) return NameMatch::kDifferent;
  }
  // Equal through the terminator, or the image ended before the name did.
  return available == length + 1 ? NameMatch::kEqual : NameMatch::kOutside;
}

void* FindExport(const MemoryModule& module, const char* wanted, DWORD& error) noexcept {
  ReadableRegion known;
  error = ERROR_BAD_EXE_FORMAT;
  if (!Readable(known, module.headers, sizeof(NativeNtHeaders))) return nullptr;
  const IMAGE_DATA_DIRECTORY directory = module.headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  error = ERROR_PROC_NOT_FOUND;
  if (directory.Size == 0) return nullptr;

  error = ERROR_BAD_EXE_FORMAT;
  IMAGE_EXPORT_DIRECTORY exports;
  if (!Fits(directory.VirtualAddress, sizeof exports, module.imageSize) ||
      !Readable(known, module.codeBase + directory.VirtualAddress, sizeof exports))
    return nullptr;
  std::memcpy(&exports, module.codeBase + directory.VirtualAddress, sizeof exports);
  error = ERROR_PROC_NOT_FOUND;
  if (exports.NumberOfNames == 0 || exports.NumberOfFunctions == 0) return nullptr;

  error = ERROR_BAD_EXE_FORMAT;
  const uint64_t names = exports.NumberOfNames;
  const auto table = [&](uint32_t rva, uint64_t bytes) noexcept {
    return Fits(rva, bytes, module.imageSize) && Readable(known, module.codeBase + rva, static_cast<size_t>(bytes));
  };
  if (!table(exports.AddressOfNames, names * sizeof(DWORD)) ||
      !table(exports.AddressOfNameOrdinals, names * sizeof(WORD)) ||
      !table(exports.AddressOfFunctions, uint64_t{exports.NumberOfFunctions} * sizeof(DWORD)))
    return nullptr;

  const size_t length = std::strlen(wanted);
  for (uint32_t i = 0; i < exports.NumberOfNames; ++i) {
    const uint32_t nameRva = ReadU32(module.codeBase + exports.AddressOfNames + i * sizeof(DWORD));
    const NameMatch match = CompareName(module, known, nameRva, wanted, length);
    if (match == NameMatch::kOutside) return nullptr;
    if (match == NameMatch::kDifferent) continue;

    WORD index;
    std::memcpy(&index, module.codeBase + exports.AddressOfNameOrdinals + i * sizeof(WORD), sizeof index);
    error = ERROR_PROC_NOT_FOUND;
    if (index >= exports.NumberOfFunctions) return nullptr;
    const uint32_t function = ReadU32(module.codeBase + exports.AddressOfFunctions + index * sizeof(DWORD));
    // A forwarded export yields the address of its forwarder text; forwarding is not followed.
    if (function >= module.imageSize) {
      error = ERROR_BAD_EXE_FORMAT;
      return nullptr;
    }
    return module.codeBase + function;
  }
  error = ERROR_PROC_NOT_FOUND;
  return nullptr;
}

}  // namespace
}  // namespace memory_module

extern "C" void* MemoryModuleGetExport(MemoryModule* module, const char* name) noexcept {
  DWORD error = ERROR_PROC_NOT_FOUND;
  void* const address = (module && name) ? memory_module::FindExport(*module, name, error) : nullptr;
  if (!address) SetLastError(error);
  return address;
}
