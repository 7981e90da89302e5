#pragma once
// The kernel handles the host keeps for itself (the single-instance section, shared-memory
// mappings, package files, handles a worker waits on). Pages see handles as plain numbers and
// may hand any number to CloseHandle; the natives that close or wait on a page's handle ask
// this set first and leave the host's own alone.
//
// The owners below register a handle when they take it and unregister it before closing it,
// so a number is never counted as the host's once it may be reused.
#include <windows.h>

#include "win_handles.h"

namespace owned_handles {

void Add(HANDLE handle) noexcept;
void Remove(HANDLE handle) noexcept;
bool Contains(HANDLE handle) noexcept;

// CloseHandle for a page: refuses (FALSE, ERROR_ACCESS_DENIED) a handle the host owns. The set
// stays locked while the handle is closed, so a host handle cannot take the number in between.
BOOL CloseUnlessOwned(HANDLE handle) noexcept;

}  // namespace owned_handles

namespace win {

// A plain owner's traits, with the handle entered in the host's set while it is owned.
template <typename Plain>
struct HostTraits : Plain {
  static void Acquire(HANDLE h) noexcept { owned_handles::Add(h); }
  static void Release(HANDLE h) noexcept {
    owned_handles::Remove(h);
    Plain::Release(h);
  }
};

using HostKernelHandle = Owned<HostTraits<KernelHandleTraits>>;  // processes, events, mappings
using HostFileHandle = Owned<HostTraits<FileHandleTraits>>;

}  // namespace win
