#include "registry.h"

#include <windows.h>
#include <shlwapi.h>

#include <optional>
#include <string>
#include <vector>

#include "base/win_handles.h"
#include "bridge/script_values.h"
#include "registry_read.h"

namespace natives {

namespace {

constexpr int kSixtyFourBitView = 64;

HKEY RootOf(uint32_t handle) { return static_cast<HKEY>(script::HandleFromBits(handle)); }

using DeleteTreeFunction = LONG(WINAPI*)(HKEY, const wchar_t*);

// Older systems lack RegDeleteTreeW; it is looked up once and remembered, found or not.
DeleteTreeFunction SystemDeleteTree() {
  static const DeleteTreeFunction function = [] {
    const HMODULE advapi = GetModuleHandleW(L"advapi32.dll");
    return advapi
               ? reinterpret_cast<DeleteTreeFunction>(reinterpret_cast<void*>(GetProcAddress(advapi, "RegDeleteTreeW")))
               : nullptr;
  }();
  return function;
}

// "" and a run of separators open the root itself, and the tree below a root is a whole hive.
bool NamesNoKey(const std::wstring& subKey) { return subKey.find_first_not_of(L'\\') == std::wstring::npos; }

}  // namespace

jsValue Js_RegQueryString(jsExecState es) {
  const HKEY root = RootOf(script::Handle(es, 0));
  const int view = script::Int(es, 1);
  const std::wstring subKey = script::Text(es, 2);
  const std::wstring valueName = script::Text(es, 3);
  const REGSAM access = KEY_QUERY_VALUE | (view == kSixtyFourBitView ? KEY_WOW64_64KEY : KEY_WOW64_32KEY);
  const std::optional<std::wstring> text = registry::ReadText(root, subKey, valueName, access);
  return text ? script::FromWide(es, *text) : script::Undefined();
}

jsValue Js_RegWriteString(jsExecState es) {
  const HKEY root = RootOf(script::Handle(es, 0));
  const std::wstring subKey = script::Text(es, 1);
  const std::wstring valueName = script::Text(es, 2);
  const std::wstring value = script::Text(es, 3);
  HKEY created = nullptr;
  if (RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &created,
                      nullptr) != ERROR_SUCCESS)
    return script::Undefined();
  const win::RegistryKey key(created);
  // The stored data are the characters alone, without a terminating zero. The registry adds
  // one on its own when a zero character follows the data in memory, so none may follow.
  std::vector<wchar_t> data(value.begin(), value.end());
  data.push_back(L' ');
  RegSetValueExW(key.get(), valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.data()),
                 static_cast<DWORD>(value.size() * sizeof(wchar_t)));
  return script::Undefined();
}

jsValue Js_RegDeleteTree(jsExecState es) {
  const HKEY root = RootOf(script::Handle(es, 0));
  const std::wstring subKey = script::Text(es, 1);
  if (NamesNoKey(subKey)) return script::Undefined();
  HKEY opened = nullptr;
  if (RegOpenKeyExW(root, subKey.c_str(), 0, KEY_ALL_ACCESS, &opened) != ERROR_SUCCESS) return script::Undefined();
  const win::RegistryKey key(opened);
  SHDeleteKeyW(key.get(), L"");
  if (const DeleteTreeFunction deleteTree = SystemDeleteTree()) deleteTree(key.get(), L"");
  return script::Undefined();
}

}  // namespace natives
