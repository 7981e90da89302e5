// plugins\hwid.dll: the machine's hardware identifier for start-up. The text is stable for one
// machine: a 64-bit FNV-1a hash, as 16 upper-case hex digits, over the serial number of the
// volume that holds the Windows folder and the processor's vendor, signature and feature bits.
#include <windows.h>
#include <cpuid.h>

#include <cstdint>
#include <cstdio>

namespace {

char identifier[17];

struct Hash {
  uint64_t value = 0xcbf29ce484222325ull;
  void Add(const void* bytes, size_t size) {
    for (size_t i = 0; i < size; ++i) {
      value ^= static_cast<const unsigned char*>(bytes)[i];
      value *= 0x100000001b3ull;
    }
  }
  void Add(uint32_t number) { Add(&number, sizeof number); }
};

uint32_t SystemVolumeSerial() {
  wchar_t windows[MAX_PATH] = {};
  if (GetSystemWindowsDirectoryW(windows, MAX_PATH) < 3) return 0;
  wchar_t root[4] = {windows[0], windows[1], windows[2], 0};
  DWORD serial = 0;
  if (!GetVolumeInformationW(root, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) return 0;
  return serial;
}

void AddProcessor(Hash& hash) {
  unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(0, &eax, &ebx, &ecx, &edx)) return;
  hash.Add(ebx);  // the vendor text, in cpuid's register order
  hash.Add(edx);
  hash.Add(ecx);
  // Leaf 1's ebx holds the id of the core that ran the instruction: left out.
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
    hash.Add(eax);
    hash.Add(ecx);
    hash.Add(edx);
  }
}

}  // namespace

extern "C" __declspec(dllexport) const char* __cdecl GetHWID() {
  Hash hash;
  hash.Add(SystemVolumeSerial());
  AddProcessor(hash);
  std::snprintf(identifier, sizeof identifier, "%08lX%08lX", static_cast<unsigned long>(hash.value >> 32),
                static_cast<unsigned long>(hash.value & 0xffffffffu));
  return identifier;
}
