#include "browser_window.h"

#include <map>
#include <new>
#include <vector>

#include "browser_site.h"
#include "script_values.h"
#include "window_tables.h"

namespace browser {

namespace {

std::map<HWND, ROR_AdiDO*>& WindowTable() {
  static std::map<HWND, ROR_AdiDO*> table;
  return table;
}

// OLE is started once on the thread that makes the first browser window and ended only at
// shutdown: ending it with one window would pull it from under every other.
bool g_oleStarted = false;

bool StartOle() noexcept {
  if (!g_oleStarted) g_oleStarted = SUCCEEDED(OleInitialize(nullptr));
  return g_oleStarted;
}

void TearDown(HWND window) noexcept {
  const auto found = WindowTable().find(window);
  if (found == WindowTable().end()) return;
  ROR_AdiDO* site = found->second;
  WindowTable().erase(found);
  // Only flags that point at this window go; a name another window carried first stays.
  windows::RemoveWindow(window);
  site->Disconnect();
  site->window = nullptr;
  site->Release();  // the window's reference; the control's went with Disconnect
}

}  // namespace

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  switch (message) {
    case WM_SIZE:
      if (ROR_AdiDO* site = SiteOf(window)) site->FitToWindow();
      return 0;
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_DESTROY: TearDown(window); return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
  }
}

HWND Open(const std::wstring& name, DWORD style, DWORD extendedStyle, HWND parent, const std::wstring& url) noexcept {
  if (!StartOle()) return nullptr;
  auto* site = new (std::nothrow) ROR_AdiDO();
  if (!site) return nullptr;
  if (!site->HasControl()) {
    site->Release();
    return nullptr;
  }
  try {
    site->name = name;
  } catch (...) {
    site->Disconnect();
    site->Release();
    return nullptr;
  }
  const HWND window = CreateWindowExW(extendedStyle, kWindowClass, name.c_str(), style, 0, 0, 0, 0, parent, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
  if (!window) {
    site->Disconnect();
    site->Release();
    return nullptr;
  }
  site->window = window;
  try {
    WindowTable()[window] = site;
  } catch (...) {
    site->window = nullptr;
    DestroyWindow(window);
    site->Disconnect();
    site->Release();
    return nullptr;
  }
  // A control without a browser interface can show nothing: the window goes again, and its
  // teardown releases the object.
  if (!site->ConnectBrowser()) {
    DestroyWindow(window);
    return nullptr;
  }
  windows::AddFlag(name, window);
  ShowWindow(window, SW_SHOW);
  // Script errors of remote pages must not open dialogs.
  site->browser->put_Silent(VARIANT_TRUE);
  if (BSTR address = SysAllocStringLen(url.data(), static_cast<UINT>(url.size()))) {
    VARIANT empty;
    VariantInit(&empty);
    site->browser->Navigate(address, &empty, &empty, &empty, &empty);
    SysFreeString(address);
  }
  return window;
}

ROR_AdiDO* SiteOf(HWND window) noexcept {
  const auto found = WindowTable().find(window);
  return found == WindowTable().end() ? nullptr : found->second;
}

size_t OpenCount() noexcept { return WindowTable().size(); }

void CloseAll() noexcept {
  std::vector<HWND> open;
  try {
    for (const auto& entry : WindowTable()) open.push_back(entry.first);
  } catch (...) {}
  for (HWND window : open) DestroyWindow(window);
  if (g_oleStarted) OleUninitialize();
  g_oleStarted = false;
}

}  // namespace browser

jsValue Js_wieCreateWindow(jsExecState es) {
  const windows::NewWindow arguments = windows::ReadNewWindow(es);
  browser::Open(arguments.name, arguments.style, arguments.extendedStyle, arguments.parent, arguments.address);
  return script::Undefined();
}
