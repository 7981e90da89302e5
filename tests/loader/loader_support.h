#pragma once
// What the loader tests share: the test libraries' bytes, the probe library, callbacks that log
// what the loader asks for, and reservations of a library's preferred base.
#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/memory_module.h"
#include "host/memory_module_record.h"
#include "pe_file.h"

namespace loader_test {

// The test program's architecture, whose images the loader takes, and the other one it refuses.
inline constexpr bool kIs64Bit = sizeof(void*) == 8;
inline constexpr WORD kNativeMachine = kIs64Bit ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
inline constexpr WORD kNativeMagic = kIs64Bit ? IMAGE_NT_OPTIONAL_HDR64_MAGIC : IMAGE_NT_OPTIONAL_HDR32_MAGIC;
inline constexpr WORD kForeignMachine = kIs64Bit ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_AMD64;
inline constexpr WORD kForeignMagic = kIs64Bit ? IMAGE_NT_OPTIONAL_HDR32_MAGIC : IMAGE_NT_OPTIONAL_HDR64_MAGIC;
// The base relocation type that moves an address of the native format.
inline constexpr int kAddressRelocation = kIs64Bit ? IMAGE_REL_BASED_DIR64 : IMAGE_REL_BASED_HIGHLOW;

// The bytes of a test library beside the test program.
pe_file::Bytes ReadLibrary(const char* fileName);

// Converts an address to the function or data pointer type a test calls it through.
template <typename T>
T As(void* address) {
  return reinterpret_cast<T>(address);
}

// The export `name` as a T; throws (failing the test) when it is missing, so that a test never
// calls through a null pointer.
template <typename T>
T ExportOf(MemoryModule* module, const char* name) {
  void* address = MemoryModuleGetExport(module, name);
  if (!address) throw std::runtime_error(std::string("export not found: ") + name);
  return As<T>(address);
}

// loader_probe.dll, loaded by the system loader for the whole test program: the test libraries
// report their entry-point calls to it, and tests read the counts here.
struct Probe {
  void (*reset)() = nullptr;
  int (*count)(int reason) = nullptr;
  int (*notes)(int* out, int capacity) = nullptr;
  std::vector<int> Notes() const;  // the events noted since the last reset, in order
};
const Probe& TheProbe();

// Callbacks that pass everything on to LoadLibraryA, GetProcAddress and FreeLibrary and log it.
struct CallbackLog {
  std::vector<std::string> refuse;  // library names to fail, compared without case
  std::vector<std::string> requested;
  std::vector<void*> loaded;
  std::vector<std::string> procedures;  // names, and ordinals as "#7"
  std::vector<void*> freed;
  std::vector<int> detachesWhenFreed;  // the probe's DLL_PROCESS_DETACH count at each release
};
MemoryModule* LoadLogged(const pe_file::Bytes& image, CallbackLog& log);

// Holds the memory at `address` so that a library preferring it must be loaded elsewhere.
class Occupied {
 public:
  explicit Occupied(uintptr_t address) noexcept;
  ~Occupied();
  Occupied(const Occupied&) = delete;
  Occupied& operator=(const Occupied&) = delete;
  bool held() const noexcept { return block_ != nullptr; }

 private:
  void* block_;
};

// True when `size` bytes at `address` can be reserved now (then released again). Wine reports
// the address ranges it keeps for DLLs as MEM_RESERVE through VirtualQuery, yet VirtualAlloc at a
// fixed address inside them succeeds, so whether memory is free is found out by allocating it.
bool Reservable(uintptr_t address, size_t size) noexcept;

// The protection VirtualQuery reports after VirtualProtect(`protection`) on fresh read/write
// memory: what the platform makes of a protection the loader asked for. Windows and Wine both
// refuse the write-copy protections on private memory (the pages stay read/write), and Wine takes
// PAGE_NOCACHE but leaves it out of what VirtualQuery reports.
DWORD ProtectionAfterRequest(DWORD protection) noexcept;

}  // namespace loader_test
