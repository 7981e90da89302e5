#include "os_version.h"

#include <windows.h>

#include <cstring>

#include "base/win_handles.h"

namespace os_version {

namespace {

constexpr uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
constexpr size_t kFixedFileInfoSize = 52;

uint32_t FromKernel32() {
  const win::Module kernel32(LoadLibraryExW(L"kernel32.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!kernel32) return 0;
  HRSRC resource = FindResourceW(kernel32.get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16));
  if (!resource) return 0;
  HGLOBAL loaded = LoadResource(kernel32.get(), resource);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return 0;
  return FileVersionMSFromResource(static_cast<const uint8_t*>(data), SizeofResource(kernel32.get(), resource));
}

uint32_t FromRegistry() {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0, KEY_READ, &opened) !=
      ERROR_SUCCESS)
    return 0;
  const win::RegistryKey key(opened);
  wchar_t text[1025] = {};  // 2048 bytes of data plus a terminator the registry may not store
  DWORD size = 2048;
  DWORD type = 0;
  if (RegQueryValueExW(key.get(), L"CurrentVersion", nullptr, &type, reinterpret_cast<BYTE*>(text), &size) !=
      ERROR_SUCCESS)
    return 0;
  return ParseCurrentVersion(text);
}

uint32_t LeadingNumber(std::wstring_view text) {
  uint32_t value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') break;
    value = value * 10 + static_cast<uint32_t>(c - L'0');
  }
  return value;
}

}  // namespace

uint32_t FileVersionMSFromResource(const uint8_t* data, size_t size) {
  if (!data || size < kFixedFileInfoSize) return 0;
  for (size_t offset = 0; offset + kFixedFileInfoSize <= size; ++offset) {
    uint32_t word;
    std::memcpy(&word, data + offset, 4);
    if (word != kFixedFileInfoSignature) continue;
    VS_FIXEDFILEINFO record;
    std::memcpy(&record, data + offset, kFixedFileInfoSize);
    return record.dwFileVersionMS;
  }
  return 0;
}

uint32_t ParseCurrentVersion(std::wstring_view text) {
  const uint32_t major = LeadingNumber(text);
  const size_t dot = text.find(L'.');
  const uint32_t minor = dot == std::wstring_view::npos ? 0 : LeadingNumber(text.substr(dot + 1));
  return major * 0x10000u + minor;
}

uint32_t Query() {
  const uint32_t word = FromKernel32();
  return word ? word : FromRegistry();
}

}  // namespace os_version
