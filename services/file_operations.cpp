// Copying, moving and deleting files and folders.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "bridge/script_values.h"
#include "bridge/window_tables.h"
#include "file_natives.h"

namespace natives {

jsValue Js_CopyFile(jsExecState es) {
  const std::wstring source = script::Text(es, 0);
  const std::wstring target = script::Text(es, 1);
  const BOOL failIfExists = script::Int(es, 2) != 0;
  return script::Integer(CopyFileW(source.c_str(), target.c_str(), failIfExists) ? 1 : 0);
}

jsValue Js_MoveFileEx(jsExecState es) {
  const std::wstring source = script::Text(es, 0);
  const std::wstring target = script::Text(es, 1);
  const DWORD flags = script::Handle(es, 2);
  return script::Integer(MoveFileExW(source.c_str(), target.c_str(), flags) ? 1 : 0);
}

jsValue Js_DeleteFile(jsExecState es) {
  const std::wstring path = script::Text(es, 0);
  return script::Integer(DeleteFileW(path.c_str()) ? 1 : 0);
}

jsValue Js_DeleteDirectory(jsExecState es) {
  // The shell takes a list of names ended by an empty name: the path and two zeros.
  std::wstring list = script::Text(es, 0);
  list.push_back(L'\0');
  const HWND own = windows::OwnWindow(es);
  SHFILEOPSTRUCTW operation{};
  operation.hwnd = own ? own : GetDesktopWindow();
  operation.wFunc = FO_DELETE;
  operation.pFrom = list.c_str();
  operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
  return script::Integer(SHFileOperationW(&operation));
}

}  // namespace natives
