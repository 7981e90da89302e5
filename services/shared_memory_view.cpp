#include "shared_memory_view.h"

#include <algorithm>
#include <cstring>

namespace shared_memory {

namespace {

constexpr size_t kLongTextCharacters = 2047;

struct SectionBasicInformation {
  void* baseAddress;
  ULONG attributes;
  LARGE_INTEGER size;
};

using QuerySection = LONG(WINAPI*)(HANDLE, int, void*, SIZE_T, SIZE_T*);

QuerySection SectionQuery() {
  static const QuerySection function = [] {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll ? reinterpret_cast<QuerySection>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQuerySection")))
                 : nullptr;
  }();
  return function;
}

// The committed pages from the start of the view: a section made with SEC_RESERVE may have
// none, and touching reserved pages faults.
uint64_t CommittedExtent(const void* view) {
  MEMORY_BASIC_INFORMATION region{};
  if (!view || VirtualQuery(view, &region, sizeof region) != sizeof region || region.State != MEM_COMMIT) return 0;
  return region.RegionSize;
}

}  // namespace

uint64_t UsableSize(HANDLE section, const void* view) {
  const uint64_t extent = CommittedExtent(view);
  SectionBasicInformation information{};
  const QuerySection query = SectionQuery();
  if (section && query && query(section, 0, &information, sizeof information, nullptr) >= 0 &&
      information.size.QuadPart > 0)
    return std::min(extent, static_cast<uint64_t>(information.size.QuadPart));
  return extent;
}

std::wstring ReadText(const void* view, uint64_t size) {
  const auto* units = static_cast<const wchar_t*>(view);
  const size_t capacity = static_cast<size_t>(size / sizeof(wchar_t));
  size_t length = 0;
  while (length < capacity && units[length] != L'\0') ++length;
  return std::wstring(units, length);
}

uint64_t WriteText(void* view, uint64_t size, std::wstring_view text) {
  uint64_t bytes = text.size() < kLongTextCharacters + 1 ? (text.size() + 1) * sizeof(wchar_t)
                                                         : kLongTextCharacters * sizeof(wchar_t);
  bytes = std::min(bytes, size);
  const std::wstring terminated(text.substr(0, kLongTextCharacters));
  std::memcpy(view, terminated.c_str(), static_cast<size_t>(bytes));
  return bytes;
}

}  // namespace shared_memory
