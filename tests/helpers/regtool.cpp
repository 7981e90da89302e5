// Test helper: prepares and reads registry keys under HKEY_CURRENT_USER, or under
// HKEY_LOCAL_MACHINE when the first argument is "hklm".
//   regtool get <subkey>                      prints "missing", or one "name=type:value" line a value
//   regtool delete <subkey>                   removes the key and everything below it
//   regtool create-volatile <subkey>          creates the key as volatile (no non-volatile children)
//   regtool set-dword <subkey> <name> <n>     writes a REG_DWORD
//   regtool set-sz <subkey> <name> <text>     writes a REG_SZ with its terminating zero
//   regtool value-size <subkey> <name>        prints "type T bytes N", or "missing"
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#include "base/utf8.h"

namespace {

HKEY root = HKEY_CURRENT_USER;

int Get(const wchar_t* subkey) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    std::puts("missing");
    return 0;
  }
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD nameLength = 256;
    DWORD type = 0;
    BYTE data[1024];
    DWORD dataSize = sizeof data;
    if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
    const std::string utf8Name = text::WideToUtf8(std::wstring(name, nameLength));
    if (type == REG_DWORD && dataSize == 4) {
      DWORD value;
      std::memcpy(&value, data, 4);
      std::printf("%s=dword:%lu\n", utf8Name.c_str(), static_cast<unsigned long>(value));
    } else if (type == REG_SZ) {
      std::printf("%s=sz:%s\n", utf8Name.c_str(),
                  text::WideToUtf8(std::wstring(reinterpret_cast<wchar_t*>(data), dataSize / 2)).c_str());
    } else {
      std::printf("%s=type%lu:%lu bytes\n", utf8Name.c_str(), static_cast<unsigned long>(type),
                  static_cast<unsigned long>(dataSize));
    }
  }
  RegCloseKey(key);
  return 0;
}

int Delete(const wchar_t* subkey) {
  const LONG status = RegDeleteTreeW(root, subkey);
  RegDeleteKeyW(root, subkey);
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? 0 : 1;
}

int CreateVolatile(const wchar_t* subkey) {
  HKEY key = nullptr;
  const LONG status =
      RegCreateKeyExW(root, subkey, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return 1;
  RegCloseKey(key);
  return 0;
}

int SetDword(const wchar_t* subkey, const wchar_t* name, const wchar_t* text) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, subkey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) return 1;
  const DWORD value = static_cast<DWORD>(std::wcstoul(text, nullptr, 10));
  const LONG status = RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? 0 : 1;
}

int SetString(const wchar_t* subkey, const wchar_t* name, const wchar_t* text) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, subkey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) return 1;
  const LONG status = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                     static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? 0 : 1;
}

int ValueSize(const wchar_t* subkey, const wchar_t* name) {
  HKEY key = nullptr;
  DWORD type = 0;
  DWORD size = 0;
  if (RegOpenKeyExW(root, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS ||
      RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    if (key) RegCloseKey(key);
    std::puts("missing");
    return 0;
  }
  RegCloseKey(key);
  std::printf("type %lu bytes %lu\n", static_cast<unsigned long>(type), static_cast<unsigned long>(size));
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc > 1 && std::wcscmp(argv[1], L"hklm") == 0) {
    root = HKEY_LOCAL_MACHINE;
    --argc;
    ++argv;
  }
  if (argc == 3 && std::wcscmp(argv[1], L"get") == 0) return Get(argv[2]);
  if (argc == 3 && std::wcscmp(argv[1], L"delete") == 0) return Delete(argv[2]);
  if (argc == 3 && std::wcscmp(argv[1], L"create-volatile") == 0) return CreateVolatile(argv[2]);
  if (argc == 5 && std::wcscmp(argv[1], L"set-dword") == 0) return SetDword(argv[2], argv[3], argv[4]);
  if (argc == 5 && std::wcscmp(argv[1], L"set-sz") == 0) return SetString(argv[2], argv[3], argv[4]);
  if (argc == 4 && std::wcscmp(argv[1], L"value-size") == 0) return ValueSize(argv[2], argv[3]);
  std::fputs("usage: regtool [hklm] get|delete|create-volatile|set-dword|set-sz|value-size <subkey> [name [value]]\n",
             stderr);
  return 2;
}
