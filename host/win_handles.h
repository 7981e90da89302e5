#pragma once
// One owner for every Win32 handle, GDI object and heap block: small move-only wrappers.
#include <windows.h>

#include <utility>

namespace win {

// Generic owner: Traits gives the empty value and the release call.
template <typename Traits>
class Owned {
 public:
  using Handle = typename Traits::Handle;
  Owned() noexcept = default;
  explicit Owned(Handle handle) noexcept : handle_(handle) {}
  Owned(Owned&& other) noexcept : handle_(other.release()) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  ~Owned() { reset(); }

  Handle get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != Traits::Empty(); }
  Handle release() noexcept { return std::exchange(handle_, Traits::Empty()); }
  void reset(Handle handle = Traits::Empty()) noexcept {
    const Handle old = std::exchange(handle_, handle);
    if (old != Traits::Empty()) Traits::Release(old);
  }

 private:
  Handle handle_ = Traits::Empty();
};

struct KernelHandleTraits {  // processes, threads, events, mutexes, mappings: empty is null
  using Handle = HANDLE;
  static Handle Empty() noexcept { return nullptr; }
  static void Release(Handle h) noexcept { CloseHandle(h); }
};
struct FileHandleTraits {  // CreateFileW reports failure as INVALID_HANDLE_VALUE, not null
  using Handle = HANDLE;
  static Handle Empty() noexcept { return INVALID_HANDLE_VALUE; }
  static void Release(Handle h) noexcept { CloseHandle(h); }
};
struct ModuleTraits {
  using Handle = HMODULE;
  static Handle Empty() noexcept { return nullptr; }
  static void Release(Handle h) noexcept { FreeLibrary(h); }
};
struct MappedViewTraits {
  using Handle = void*;
  static Handle Empty() noexcept { return nullptr; }
  static void Release(Handle h) noexcept { UnmapViewOfFile(h); }
};
struct MemoryDcTraits {
  using Handle = HDC;
  static Handle Empty() noexcept { return nullptr; }
  static void Release(Handle h) noexcept { DeleteDC(h); }
};
struct GdiObjectTraits {
  using Handle = HGDIOBJ;
  static Handle Empty() noexcept { return nullptr; }
  static void Release(Handle h) noexcept { DeleteObject(h); }
};
struct RegistryKeyTraits {
  using Handle = HKEY;
  static Handle Empty() noexcept { return nullptr; }
  static void Release(Handle h) noexcept { RegCloseKey(h); }
};
struct ProcessHeapTraits {
  using Handle = void*;
  static Handle Empty() noexcept { return nullptr; }
  static void Release(Handle h) noexcept { HeapFree(GetProcessHeap(), 0, h); }
};

using KernelHandle = Owned<KernelHandleTraits>;
using FileHandle = Owned<FileHandleTraits>;
using Module = Owned<ModuleTraits>;
using MappedView = Owned<MappedViewTraits>;
using MemoryDc = Owned<MemoryDcTraits>;
using GdiObject = Owned<GdiObjectTraits>;
using RegistryKey = Owned<RegistryKeyTraits>;
using HeapBlock = Owned<ProcessHeapTraits>;

}  // namespace win
