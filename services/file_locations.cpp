// Where things are: disk space of a drive, the current folder, the program's own path and
// command line, and the shell's special folders.
#include <windows.h>
#include <shlobj.h>

#include <string>

#include "bridge/scratch_buffer.h"
#include "bridge/script_values.h"
#include "file_natives.h"
#include "host/startup_state.h"

namespace natives {

namespace {

constexpr uint32_t kPathBufferBytes = 16u << 10;

}  // namespace

jsValue Js_GetDiskFreeSpaceEx(jsExecState es) {
  // Only the drive root counts: C:\Games\x asks about C:\.
  std::wstring root = script::Text(es, 0);
  if (root.size() > 3) root.resize(3);
  ULARGE_INTEGER available{};
  ULARGE_INTEGER total{};
  ULARGE_INTEGER free{};
  if (!GetDiskFreeSpaceExW(root.c_str(), &available, &total, &free)) available = total = free = ULARGE_INTEGER{};
  script::Record result(es);
  result.Set("ui1", script::Unsigned64(available.QuadPart))
      .Set("ui2", script::Unsigned64(total.QuadPart))
      .Set("ui3", script::Unsigned64(free.QuadPart));
  return result.value();
}

jsValue Js_GetCurrentDirectory(jsExecState es) {
  ScratchBuffer folder(kPathBufferBytes);
  GetCurrentDirectoryW(kPathBufferBytes / sizeof(wchar_t), folder.wide());
  return script::FromWide(es, folder.wide());
}

jsValue Js_GetProcessPath(jsExecState es) {
  const startup::State& state = startup::Get();
  return script::FromWide(es, state.moduleDirectory + L"\\" + state.moduleFileName);
}

jsValue Js_GetCommandLine(jsExecState es) { return script::FromWide(es, GetCommandLineW()); }

jsValue Js_SHGetSpecialFolderLocation(jsExecState es) {
  LPITEMIDLIST item = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, script::Int(es, 0), &item)) || !item) return script::Undefined();
  ScratchBuffer path(kPathBufferBytes);
  SHGetPathFromIDListW(item, path.wide());
  CoTaskMemFree(item);
  return script::FromWide(es, path.wide());
}

}  // namespace natives
