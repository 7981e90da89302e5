#include "un7z_plugin.h"

#include <windows.h>

#include "host/plugin_path.h"

namespace un7z_plugin {

namespace {

SRWLOCK bindingLock = SRWLOCK_INIT;
// Both stay for the life of the process once found; the library is never freed.
HMODULE library = nullptr;
Un7zW entry = nullptr;

}  // namespace

Un7zW Entry() noexcept {
  AcquireSRWLockExclusive(&bindingLock);
  if (!entry) {
    if (!library) library = plugin_path::Load(UN7Z_LIBRARY);
    if (library) entry = reinterpret_cast<Un7zW>(reinterpret_cast<void*>(GetProcAddress(library, UN7Z_EXPORT)));
  }
  const Un7zW found = entry;
  ReleaseSRWLockExclusive(&bindingLock);
  return found;
}

}  // namespace un7z_plugin
