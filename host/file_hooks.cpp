#include "file_hooks.h"

#include "package.h"

namespace file_hooks {
namespace {

package::File* AsFile(void* handle) noexcept { return static_cast<package::File*>(handle); }

}  // namespace

void* WKE_CALL Open(const char* utf8Name) noexcept { return package::Lookup(utf8Name).release(); }

void WKE_CALL Close(void* handle) noexcept { delete AsFile(handle); }

unsigned WKE_CALL Size(void* handle) noexcept { return handle == nullptr ? 0 : package::Size(*AsFile(handle)); }

int WKE_CALL Read(void* handle, void* buffer, unsigned count) noexcept {
  return handle == nullptr ? -1 : package::Read(*AsFile(handle), buffer, count);
}

int WKE_CALL Seek(void* handle, int offset, int origin) noexcept {
  if (handle == nullptr) return -1;
  return package::Seek(*AsFile(handle), static_cast<long long>(offset) + origin);
}

}  // namespace file_hooks
