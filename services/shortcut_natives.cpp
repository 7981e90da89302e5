#include "shortcut_natives.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "base/win_handles.h"
#include "bridge/script_values.h"
#include "file_folders.h"

namespace natives {

namespace {

// Each step runs only when the one before it succeeded; the page is told nothing either way.
void WriteShortcut(const std::wstring& linkPath, const std::wstring& target, const std::wstring& arguments,
                   const std::wstring& folder, const std::wstring& iconPath, int iconIndex) {
  win::ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())))
    return;
  if (FAILED(link->SetPath(target.c_str())) || FAILED(link->SetArguments(arguments.c_str())) ||
      FAILED(link->SetWorkingDirectory(folder.c_str())) || FAILED(link->SetIconLocation(iconPath.c_str(), iconIndex)))
    return;
  win::ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) return;
  files::CreateParentFolders(linkPath);
  file->Save(linkPath.c_str(), TRUE);
}

}  // namespace

jsValue Js_CreateShortcut(jsExecState es) {
  const std::wstring linkPath = script::Text(es, 0);
  const std::wstring target = script::Text(es, 1);
  const std::wstring arguments = script::Text(es, 2);
  const std::wstring folder = script::Text(es, 3);
  const std::wstring iconPath = script::Text(es, 4);
  const int iconIndex = script::Int(es, 5);
  const win::ComScope com;
  WriteShortcut(linkPath, target, arguments, folder, iconPath, iconIndex);
  return script::Undefined();
}

}  // namespace natives
