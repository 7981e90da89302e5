// The folder browser.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <memory>
#include <string>

#include "base/win_handles.h"
#include "bridge/scratch_buffer.h"
#include "bridge/script_values.h"
#include "bridge/window_tables.h"
#include "dialog_natives.h"

namespace natives {

namespace {

constexpr uint32_t kNameBufferBytes = 16u << 10;
constexpr int kDefaultRoot = 0x39;
constexpr UINT kDefaultFlags = BIF_RETURNFSANCESTORS;

struct FreeItemList {
  void operator()(ITEMIDLIST* item) const noexcept { CoTaskMemFree(item); }
};
using ItemList = std::unique_ptr<ITEMIDLIST, FreeItemList>;

}  // namespace

jsValue Js_SHBrowseForFolder(jsExecState es) {
  const bool defaults = script::ArgCount(es) == 0;
  const std::wstring title = defaults ? std::wstring() : script::Text(es, 0);
  const int rootNumber = defaults ? kDefaultRoot : script::Int(es, 1);
  const UINT flags = defaults ? kDefaultFlags : static_cast<UINT>(script::Int(es, 2));

  // The browser's tree and edit box work through COM objects of this thread.
  const win::ComScope com;
  std::wstring path;
  bool chosen = false;
  {
    LPITEMIDLIST rootItem = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, rootNumber, &rootItem))) rootItem = nullptr;
    const ItemList root(rootItem);
    ScratchBuffer displayName(kNameBufferBytes);
    BROWSEINFOW browse{};
    browse.hwndOwner = windows::OwnWindow(es);
    browse.pidlRoot = root.get();
    browse.pszDisplayName = displayName.wide();
    browse.lpszTitle = title.c_str();
    browse.ulFlags = flags;
    const ItemList picked(SHBrowseForFolderW(&browse));
    if (picked) {
      ScratchBuffer folder(kNameBufferBytes);
      SHGetPathFromIDListW(picked.get(), folder.wide());
      path = folder.wide();
      chosen = true;
    }
  }
  return chosen ? script::FromWide(es, path) : script::Undefined();
}

}  // namespace natives
