#include "shortcut_natives.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "file_folders.h"
#include "script_values.h"

namespace natives {

namespace {

template <typename Interface>
struct ComPointer {
  Interface* pointer = nullptr;
  ~ComPointer() {
    if (pointer) pointer->Release();
  }
};

// Each step runs only when the one before it succeeded; the page is told nothing either way.
void WriteShortcut(const std::wstring& linkPath, const std::wstring& target, const std::wstring& arguments,
                   const std::wstring& folder, const std::wstring& iconPath, int iconIndex) {
  ComPointer<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link.pointer))))
    return;
  if (FAILED(link.pointer->SetPath(target.c_str())) || FAILED(link.pointer->SetArguments(arguments.c_str())) ||
      FAILED(link.pointer->SetWorkingDirectory(folder.c_str())) ||
      FAILED(link.pointer->SetIconLocation(iconPath.c_str(), iconIndex)))
    return;
  ComPointer<IPersistFile> file;
  if (FAILED(link.pointer->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.pointer)))) return;
  files::CreateParentFolders(linkPath);
  file.pointer->Save(linkPath.c_str(), TRUE);
}

}  // namespace

jsValue Js_CreateShortcut(jsExecState es) {
  const std::wstring linkPath = script::Text(es, 0);
  const std::wstring target = script::Text(es, 1);
  const std::wstring arguments = script::Text(es, 2);
  const std::wstring folder = script::Text(es, 3);
  const std::wstring iconPath = script::Text(es, 4);
  const int iconIndex = script::Int(es, 5);
  const HRESULT com = CoInitialize(nullptr);
  WriteShortcut(linkPath, target, arguments, folder, iconPath, iconIndex);
  if (SUCCEEDED(com)) CoUninitialize();
  return script::Undefined();
}

}  // namespace natives
