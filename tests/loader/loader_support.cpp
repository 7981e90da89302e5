#include "loader_support.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace loader_test {
namespace {

// Under Wine an unhandled fault starts winedbg (whatever the error mode), which then waits with
// no one to answer it. A fault in the loader must end the test program at once, as a failure.
LONG WINAPI EndOnFault(EXCEPTION_POINTERS* fault) {
  std::fprintf(stderr, "unhandled exception %08lx at %p\n", fault->ExceptionRecord->ExceptionCode,
               fault->ExceptionRecord->ExceptionAddress);
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), 3);
  return EXCEPTION_EXECUTE_HANDLER;
}
const LPTOP_LEVEL_EXCEPTION_FILTER kPreviousFilter = SetUnhandledExceptionFilter(EndOnFault);

std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.find_last_of("\\/") + 1);
}

void* LoggedLoadLibrary(const char* name, void* userData) {
  auto& log = *static_cast<CallbackLog*>(userData);
  log.requested.emplace_back(name);
  for (const std::string& refused : log.refuse)
    if (lstrcmpiA(refused.c_str(), name) == 0) return nullptr;
  void* library = LoadLibraryA(name);
  if (library) log.loaded.push_back(library);
  return library;
}

void* LoggedGetProcedure(void* library, const char* name, void* userData) {
  auto& log = *static_cast<CallbackLog*>(userData);
  if (IS_INTRESOURCE(name))
    log.procedures.push_back(std::to_string(reinterpret_cast<uintptr_t>(name)).insert(0, 1, '#'));
  else log.procedures.emplace_back(name);
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void LoggedFreeLibrary(void* library, void* userData) {
  auto& log = *static_cast<CallbackLog*>(userData);
  log.freed.push_back(library);
  log.detachesWhenFreed.push_back(TheProbe().count(DLL_PROCESS_DETACH));
  FreeLibrary(static_cast<HMODULE>(library));
}

}  // namespace

pe_file::Bytes ReadLibrary(const char* fileName) {
  std::ifstream file(ProgramFolder() + fileName, std::ios::binary);
  if (!file) throw std::runtime_error(std::string("cannot read ") + fileName);
  return pe_file::Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

const Probe& TheProbe() {
  static const Probe probe = [] {
    HMODULE library = LoadLibraryA("loader_probe.dll");
    if (!library) throw std::runtime_error("cannot load loader_probe.dll");
    Probe loaded;
    loaded.reset = reinterpret_cast<void (*)()>(reinterpret_cast<void*>(GetProcAddress(library, "probe_reset")));
    loaded.count = reinterpret_cast<int (*)(int)>(reinterpret_cast<void*>(GetProcAddress(library, "probe_count")));
    loaded.notes =
        reinterpret_cast<int (*)(int*, int)>(reinterpret_cast<void*>(GetProcAddress(library, "probe_notes")));
    if (!loaded.reset || !loaded.count || !loaded.notes) throw std::runtime_error("loader_probe.dll lacks a function");
    return loaded;
  }();
  return probe;
}

std::vector<int> Probe::Notes() const {
  std::vector<int> all(64);
  all.resize(static_cast<size_t>(notes(all.data(), static_cast<int>(all.size()))));
  return all;
}

MemoryModule* LoadLogged(const pe_file::Bytes& image, CallbackLog& log) {
  TheProbe();  // loaded before the library under test, and kept loaded after it
  return MemoryModuleLoadWithCallbacks(image.data(), image.size(), LoggedLoadLibrary, LoggedGetProcedure,
                                       LoggedFreeLibrary, &log);
}

Occupied::Occupied(uintptr_t address) noexcept
    : block_(VirtualAlloc(reinterpret_cast<void*>(address), 0x10000, MEM_RESERVE, PAGE_NOACCESS)) {}

Occupied::~Occupied() {
  if (block_) VirtualFree(block_, 0, MEM_RELEASE);
}

bool Reservable(uintptr_t address, size_t size) noexcept {
  void* block = VirtualAlloc(reinterpret_cast<void*>(address), size, MEM_RESERVE, PAGE_NOACCESS);
  if (!block) return false;
  VirtualFree(block, 0, MEM_RELEASE);
  return block == reinterpret_cast<void*>(address);
}

DWORD ProtectionAfterRequest(DWORD protection) noexcept {
  void* block = VirtualAlloc(nullptr, 0x1000, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  DWORD previous;
  VirtualProtect(block, 0x1000, protection, &previous);
  MEMORY_BASIC_INFORMATION info{};
  VirtualQuery(block, &info, sizeof info);
  VirtualFree(block, 0, MEM_RELEASE);
  return info.Protect;
}

}  // namespace loader_test
