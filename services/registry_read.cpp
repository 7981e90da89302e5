#include "registry_read.h"

#include <cstdint>
#include <vector>

#include "registry_text.h"
#include "base/win_handles.h"

namespace registry {

namespace {

constexpr DWORD kQueryBufferStep = 8192;

win::RegistryKey Open(HKEY root, const std::wstring& subKey, REGSAM access) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(root, subKey.c_str(), 0, access, &opened) != ERROR_SUCCESS) return win::RegistryKey();
  return win::RegistryKey(opened);
}

}  // namespace

std::optional<std::wstring> ReadText(HKEY root, const std::wstring& subKey, const std::wstring& valueName,
                                     REGSAM access) {
  const win::RegistryKey key = Open(root, subKey, access);
  if (!key) return std::nullopt;
  std::vector<uint8_t> buffer(kQueryBufferStep, 0);
  DWORD bytes = static_cast<DWORD>(buffer.size());
  LONG status = RegQueryValueExW(key.get(), valueName.c_str(), nullptr, nullptr, buffer.data(), &bytes);
  while (status == ERROR_MORE_DATA) {
    buffer.assign(static_cast<size_t>(bytes) + kQueryBufferStep, 0);
    bytes = static_cast<DWORD>(buffer.size());
    status = RegQueryValueExW(key.get(), valueName.c_str(), nullptr, nullptr, buffer.data(), &bytes);
  }
  if (status != ERROR_SUCCESS) return std::nullopt;
  return TextOfValueData(buffer.data(), bytes);
}

std::optional<DWORD> ReadNumber(HKEY root, const std::wstring& subKey, const std::wstring& valueName) {
  const win::RegistryKey key = Open(root, subKey, KEY_READ);
  if (!key) return std::nullopt;
  DWORD value = 0;
  DWORD type = 0;
  DWORD bytes = sizeof value;
  if (RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &bytes) !=
          ERROR_SUCCESS ||
      type != REG_DWORD)
    return std::nullopt;
  return value;
}

}  // namespace registry
