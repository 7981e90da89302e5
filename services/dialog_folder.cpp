// The folder browser.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "dialog_natives.h"
#include "scratch_buffer.h"
#include "script_values.h"
#include "window_tables.h"

namespace natives {

namespace {

constexpr uint32_t kNameBufferBytes = 16u << 10;
constexpr int kDefaultRoot = 0x39;
constexpr UINT kDefaultFlags = BIF_RETURNFSANCESTORS;

struct ItemList {
  LPITEMIDLIST item = nullptr;
  ~ItemList() { CoTaskMemFree(item); }
};

}  // namespace

jsValue Js_SHBrowseForFolder(jsExecState es) {
  const bool defaults = script::ArgCount(es) == 0;
  const std::wstring title = defaults ? std::wstring() : script::Text(es, 0);
  const int rootNumber = defaults ? kDefaultRoot : script::Int(es, 1);
  const UINT flags = defaults ? kDefaultFlags : static_cast<UINT>(script::Int(es, 2));

  // The browser's tree and edit box work through COM objects of this thread.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::wstring path;
  bool chosen = false;
  {
    ItemList root;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, rootNumber, &root.item))) root.item = nullptr;
    ScratchBuffer displayName(kNameBufferBytes);
    BROWSEINFOW browse{};
    browse.hwndOwner = windows::OwnWindow(es);
    browse.pidlRoot = root.item;
    browse.pszDisplayName = displayName.wide();
    browse.lpszTitle = title.c_str();
    browse.ulFlags = flags;
    ItemList picked;
    picked.item = SHBrowseForFolderW(&browse);
    if (picked.item) {
      ScratchBuffer folder(kNameBufferBytes);
      SHGetPathFromIDListW(picked.item, folder.wide());
      path = folder.wide();
      chosen = true;
    }
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return chosen ? script::FromWide(es, path) : script::Undefined();
}

}  // namespace natives
