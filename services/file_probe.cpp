// Questions about one file answered by opening it and closing it at once.
#include <windows.h>

#include <cstdint>
#include <string>

#include "base/win_handles.h"
#include "bridge/script_values.h"
#include "file_natives.h"

namespace natives {

namespace {

win::FileHandle Open(const std::wstring& path, DWORD access, DWORD sharing) {
  return win::FileHandle(
      CreateFileW(path.c_str(), access, sharing, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

jsValue Js_GetFileSize(jsExecState es) {
  const win::FileHandle file = Open(script::Text(es, 0), GENERIC_READ, FILE_SHARE_READ);
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size)) return script::Unsigned64(UINT64_MAX);
  return script::Unsigned64(static_cast<uint64_t>(size.QuadPart));
}

jsValue Js_IsFileExists(jsExecState es) {
  // Folders open only with backup semantics, so a folder is not a file here.
  return script::Boolean(static_cast<bool>(Open(script::Text(es, 0), GENERIC_READ, FILE_SHARE_READ)));
}

jsValue Js_IsFileBeLock(jsExecState es) {
  return script::Boolean(!Open(script::Text(es, 0), GENERIC_READ | GENERIC_WRITE, 0));
}

}  // namespace natives
