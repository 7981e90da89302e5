#include "owned_handles.h"

#include <cstdint>
#include <new>
#include <unordered_set>

namespace owned_handles {
namespace {

struct Set {
  SRWLOCK lock = SRWLOCK_INIT;
  std::unordered_set<uintptr_t> handles;
};

// Never destroyed: owners in other static objects unregister while the process exits.
Set& Handles() {
  static Set* set = new Set;
  return *set;
}

uintptr_t KeyOf(HANDLE handle) noexcept { return reinterpret_cast<uintptr_t>(handle); }

bool IsReal(HANDLE handle) noexcept { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

class Exclusive {
 public:
  explicit Exclusive(SRWLOCK& lock) noexcept : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
  ~Exclusive() { ReleaseSRWLockExclusive(&lock_); }
  Exclusive(const Exclusive&) = delete;
  Exclusive& operator=(const Exclusive&) = delete;

 private:
  SRWLOCK& lock_;
};

}  // namespace

void Add(HANDLE handle) noexcept {
  if (!IsReal(handle)) return;
  Set& set = Handles();
  Exclusive guard(set.lock);
  try {
    set.handles.insert(KeyOf(handle));
  } catch (const std::bad_alloc&) {
    // Without memory the handle stays unprotected, as every handle was before.
  }
}

void Remove(HANDLE handle) noexcept {
  if (!IsReal(handle)) return;
  Set& set = Handles();
  Exclusive guard(set.lock);
  set.handles.erase(KeyOf(handle));
}

bool Contains(HANDLE handle) noexcept {
  Set& set = Handles();
  AcquireSRWLockShared(&set.lock);
  const bool found = set.handles.contains(KeyOf(handle));
  ReleaseSRWLockShared(&set.lock);
  return found;
}

BOOL CloseUnlessOwned(HANDLE handle) noexcept {
  Set& set = Handles();
  Exclusive guard(set.lock);
  if (set.handles.contains(KeyOf(handle))) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return CloseHandle(handle);
}

}  // namespace owned_handles
