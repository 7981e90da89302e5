#pragma once
// One owner for every Win32 handle, GDI object, input-method context, COM initialisation, COM
// pointer and heap block: small move-only wrappers, shared by the host, the plug-ins and the
// engine.
#include <windows.h>
#include <imm.h>
#include <objbase.h>

#include <utility>

namespace win {

// Generic owner: Traits gives the empty value and the release call, and optionally an Acquire
// call made for every handle the owner takes.
template <typename Traits>
class Owned {
 public:
  using Handle = typename Traits::Handle;
  Owned() noexcept = default;
  explicit Owned(Handle handle) noexcept : handle_(handle) { Acquire(handle); }
  Owned(Owned&& other) noexcept : handle_(other.release()) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) {
      const Handle old = std::exchange(handle_, other.release());
      if (old != Traits::Empty()) Traits::Release(old);
    }
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
    Acquire(handle);
  }

 private:
  static void Acquire(Handle handle) noexcept {
    if constexpr (requires { Traits::Acquire(handle); }) {
      if (handle != Traits::Empty()) Traits::Acquire(handle);
    }
  }

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
struct WindowTraits {
  using Handle = HWND;
  static Handle Empty() noexcept { return nullptr; }
  static void Release(Handle h) noexcept { DestroyWindow(h); }
};
struct ProcessHeapTraits {
  using Handle = void*;
  static Handle Empty() noexcept { return nullptr; }
  static void Release(Handle h) noexcept { HeapFree(GetProcessHeap(), 0, h); }
};
// A pending resource update of a file: dropped unwritten unless committed with
// EndUpdateResourceW(release(), FALSE).
struct ResourceUpdateTraits {
  using Handle = HANDLE;
  static Handle Empty() noexcept { return nullptr; }
  static void Release(Handle h) noexcept { EndUpdateResourceW(h, TRUE); }
};

using KernelHandle = Owned<KernelHandleTraits>;
using FileHandle = Owned<FileHandleTraits>;
using Module = Owned<ModuleTraits>;
using MappedView = Owned<MappedViewTraits>;
using MemoryDc = Owned<MemoryDcTraits>;
using GdiObject = Owned<GdiObjectTraits>;
using RegistryKey = Owned<RegistryKeyTraits>;
using HeapBlock = Owned<ProcessHeapTraits>;
using Window = Owned<WindowTraits>;
using ResourceUpdate = Owned<ResourceUpdateTraits>;

// A window's input-method context: ImmGetContext lends it, and it goes back to that window.
class ImeContext {
 public:
  explicit ImeContext(HWND window) noexcept : window_(window), context_(ImmGetContext(window)) {}
  ImeContext(const ImeContext&) = delete;
  ImeContext& operator=(const ImeContext&) = delete;
  ~ImeContext() {
    if (context_) ImmReleaseContext(window_, context_);
  }
  HIMC get() const noexcept { return context_; }
  explicit operator bool() const noexcept { return context_ != nullptr; }

 private:
  HWND window_;
  HIMC context_;
};

// COM on the calling thread for the owner's lifetime; uninitialised only if this call
// initialised it (S_FALSE counts: every successful call needs its own CoUninitialize).
class ComScope {
 public:
  explicit ComScope(DWORD model = COINIT_APARTMENTTHREADED) noexcept : result_(CoInitializeEx(nullptr, model)) {}
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  ~ComScope() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  bool ok() const noexcept { return SUCCEEDED(result_); }

 private:
  HRESULT result_;
};

// One reference to a COM object, released once: moving hands the reference on, copying is
// not possible.
template <typename Interface>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  explicit ComPtr(Interface* pointer) noexcept : pointer_(pointer) {}
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) reset(std::exchange(other.pointer_, nullptr));
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { reset(); }

  Interface* get() const noexcept { return pointer_; }
  Interface* operator->() const noexcept { return pointer_; }
  explicit operator bool() const noexcept { return pointer_ != nullptr; }
  // For creation calls that fill in a pointer: releases the current one first.
  Interface** put() noexcept {
    reset();
    return &pointer_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
  void reset(Interface* pointer = nullptr) noexcept {
    if (Interface* old = std::exchange(pointer_, pointer)) old->Release();
  }

 private:
  Interface* pointer_ = nullptr;
};

}  // namespace win
