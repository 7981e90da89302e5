// Test helper: a second process that uses named shared memory and events the way another
// program would, so pages' kernel objects are checked across processes.
//   sharedtool read <mapping>                        "size N" (the section's own size),
//                                                    "nonzero K" (non-zero bytes in the view),
//                                                    "text T" (UTF-16 up to a zero or the end)
//   sharedtool bytes <mapping> <offset> <count>      the bytes as lower-case hex pairs
//   sharedtool write <mapping> <text>                stores text and its terminator at the start
//   sharedtool hold <mapping> <size> <text> <ms>     creates the mapping, stores text, prints
//                                                    "ready", and keeps it until the event
//                                                    "<mapping>.release" is set or ms pass
//   sharedtool hold-reserved <mapping> <size> <ms>  as hold, but with every page only reserved
//                                                    (SEC_RESERVE), so touching it faults
//   sharedtool exists <mapping>                      "exists" or "missing"
//   sharedtool set-event <event>                     "set" or "missing"
//   sharedtool env-to-mapping <variable> <mapping>   stores the variable's value (child test)
// Exit code 0, or 1 when the object cannot be opened.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include "base/utf8.h"

namespace {

struct SectionBasicInformation {
  void* baseAddress;
  ULONG attributes;
  LARGE_INTEGER size;
};
using QuerySection = LONG(WINAPI*)(HANDLE, int, void*, SIZE_T, SIZE_T*);

struct View {
  HANDLE mapping = nullptr;
  unsigned char* bytes = nullptr;
  SIZE_T extent = 0;
  long long sectionSize = -1;
  ~View() {
    if (bytes) UnmapViewOfFile(bytes);
    if (mapping) CloseHandle(mapping);
  }
};

bool Open(const wchar_t* name, DWORD access, View& view) {
  view.mapping = OpenFileMappingW(access | SECTION_QUERY, FALSE, name);
  if (!view.mapping) return false;
  view.bytes = static_cast<unsigned char*>(MapViewOfFile(view.mapping, access, 0, 0, 0));
  if (!view.bytes) return false;
  MEMORY_BASIC_INFORMATION region{};
  VirtualQuery(view.bytes, &region, sizeof region);
  view.extent = region.RegionSize;
  auto query = reinterpret_cast<QuerySection>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySection")));
  SectionBasicInformation information{};
  if (query && query(view.mapping, 0, &information, sizeof information, nullptr) >= 0)
    view.sectionSize = information.size.QuadPart;
  return true;
}

int Read(const wchar_t* name) {
  View view;
  if (!Open(name, FILE_MAP_READ, view)) return std::puts("missing"), 1;
  SIZE_T nonzero = 0;
  for (SIZE_T i = 0; i < view.extent; ++i) nonzero += view.bytes[i] != 0;
  const SIZE_T usable = view.sectionSize > 0 ? static_cast<SIZE_T>(view.sectionSize) : view.extent;
  const auto* units = reinterpret_cast<const wchar_t*>(view.bytes);
  size_t length = 0;
  while (length < usable / 2 && units[length]) ++length;
  std::printf("size %lld\nnonzero %lu\ntext %s\n", view.sectionSize, static_cast<unsigned long>(nonzero),
              text::WideToUtf8(std::wstring(units, length)).c_str());
  return 0;
}

int Bytes(const wchar_t* name, SIZE_T offset, SIZE_T count) {
  View view;
  if (!Open(name, FILE_MAP_READ, view)) return std::puts("missing"), 1;
  for (SIZE_T i = offset; i < offset + count && i < view.extent; ++i) std::printf("%02x", view.bytes[i]);
  std::puts("");
  return 0;
}

int Write(const wchar_t* name, const wchar_t* text) {
  View view;
  if (!Open(name, FILE_MAP_WRITE, view)) return std::puts("missing"), 1;
  std::memcpy(view.bytes, text, (std::wcslen(text) + 1) * sizeof(wchar_t));
  return 0;
}

int Hold(const wchar_t* name, DWORD size, const wchar_t* text, DWORD milliseconds, DWORD flags = 0) {
  const std::wstring releaseName = std::wstring(name) + L".release";
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, releaseName.c_str());
  HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE | flags, 0, size, name);
  if (!mapping || !release) return std::puts("cannot create"), 1;
  void* bytes = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
  if (!bytes) return std::puts("cannot map"), 1;
  if (text) std::memcpy(bytes, text, (std::wcslen(text) + 1) * sizeof(wchar_t));
  std::puts("ready");
  std::fflush(stdout);
  WaitForSingleObject(release, milliseconds);
  UnmapViewOfFile(bytes);
  CloseHandle(mapping);
  CloseHandle(release);
  return 0;
}

int Exists(const wchar_t* name) {
  HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, FALSE, name);
  std::puts(mapping ? "exists" : "missing");
  if (mapping) CloseHandle(mapping);
  return 0;
}

int SetNamedEvent(const wchar_t* name) {
  HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, name);
  if (!event) return std::puts("missing"), 1;
  SetEvent(event);
  CloseHandle(event);
  std::puts("set");
  return 0;
}

int EnvironmentToMapping(const wchar_t* variable, const wchar_t* name) {
  wchar_t value[4096] = {};
  if (GetEnvironmentVariableW(variable, value, 4096) == 0) std::wcscpy(value, L"<unset>");
  return Write(name, value);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"read" && argc == 3) return Read(argv[2]);
  if (command == L"bytes" && argc == 5)
    return Bytes(argv[2], std::wcstoul(argv[3], nullptr, 10), std::wcstoul(argv[4], nullptr, 10));
  if (command == L"write" && argc == 4) return Write(argv[2], argv[3]);
  if (command == L"hold" && argc == 6)
    return Hold(argv[2], std::wcstoul(argv[3], nullptr, 10), argv[4], std::wcstoul(argv[5], nullptr, 10));
  if (command == L"hold-reserved" && argc == 5)
    return Hold(argv[2], std::wcstoul(argv[3], nullptr, 10), nullptr, std::wcstoul(argv[4], nullptr, 10), SEC_RESERVE);
  if (command == L"exists" && argc == 3) return Exists(argv[2]);
  if (command == L"set-event" && argc == 3) return SetNamedEvent(argv[2]);
  if (command == L"env-to-mapping" && argc == 4) return EnvironmentToMapping(argv[2], argv[3]);
  std::fputs("usage: sharedtool read|bytes|write|hold|hold-reserved|exists|set-event|env-to-mapping ...\n", stderr);
  return 2;
}
