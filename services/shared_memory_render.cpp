#include "shared_memory_render.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "base/win_handles.h"
#include "bridge/script_values.h"
#include "bridge/web_view_window.h"
#include "bridge/window_tables.h"
#include "shared_memory_view.h"

namespace natives {

jsValue Js_wkeUpdateRenderFM(jsExecState es) {
  const std::wstring flag = script::Text(es, 0);
  const std::wstring name = script::Text(es, 1);
  const uint32_t size = script::HandleFromNumber(script::Number(es, 2));
  const HWND window = flag.empty() ? windows::OwnWindow(es) : windows::FlagOnly(flag);
  WebViewWindow* record = window ? windows::RecordOf(window) : nullptr;
  if (!record) return script::Integer(0);
  win::HostKernelHandle section(
      CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name.c_str()));
  if (!section) return script::Integer(0);
  win::MappedView view(MapViewOfFile(section.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
  if (!view) return script::Integer(0);
  // A mapping of this name made elsewhere may be smaller than asked for.
  const uint64_t usable = shared_memory::UsableSize(section.get(), view.get());
  const uint64_t bytes = usable < size ? usable : size;
  std::memset(view.get(), 0, static_cast<size_t>(bytes));
  record->renderMapping = RenderMapping{name, std::move(section), std::move(view), bytes};
  return script::Integer(1);
}

}  // namespace natives
