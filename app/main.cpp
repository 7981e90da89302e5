// webshell: start-up, main loop and shutdown. Everything runs on this one thread, which is the
// only one that creates windows and calls into the engine.
#include <windows.h>

#include <cstring>
#include <memory>
#include <vector>

#include "base/trace.h"
#include "bridge/browser_external.h"
#include "bridge/browser_window.h"
#include "bridge/engine_api.h"
#include "bridge/web_view_window.h"
#include "bridge/window_tables.h"
#include "host/file_hooks.h"
#include "host/memory_module.h"
#include "host/os_version.h"
#include "host/package.h"
#include "host/plugin_path.h"
#include "host/shutdown_steps.h"
#include "host/startup_state.h"
#include "native_table.h"

namespace {

constexpr char kEntryPage[] = "exe.zip.index.html";
constexpr wchar_t kEntryPageW[] = L"exe.zip.index.html";

// The engine image read out of the package, and the module loaded from it. The block stays
// until the module has been freed.
struct EngineImage {
  std::vector<uint8_t> bytes;
  MemoryModule* module = nullptr;
};

bool SplitModulePath(startup::State& state) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  const wchar_t* slash = std::wcsrchr(path, L'\\');
  if (!slash) return false;
  state.moduleDirectory.assign(path, static_cast<size_t>(slash - path));
  state.moduleFileName.assign(slash + 1);
  return true;
}

void FetchHardwareId(startup::State& state) {
  using GetHwid = const char*(__cdecl*)();
  const win::Module plugin(plugin_path::Load(L"plugins\\hwid.dll"));
  if (!plugin) return;
  if (auto getHwid = reinterpret_cast<GetHwid>(reinterpret_cast<void*>(GetProcAddress(plugin.get(), "GetHWID")))) {
    if (const char* id = getHwid()) state.hardwareId = id;
  }
}

void LoadResourceTool(startup::State& state) {
  // Kept loaded for the life of the process.
  HMODULE tool = plugin_path::Load(L"VELQ___s13tool\\313_vude.dll");
  if (!tool) return;
  for (int i = 0; i < startup::kResourceToolEntryCount; ++i)
    state.resourceTool[i] = GetProcAddress(tool, startup::kResourceToolEntryNames[i]);
  if (auto init = reinterpret_cast<int(__cdecl*)()>(reinterpret_cast<void*>(state.resourceTool[0]))) init();
}

// Reads the whole engine library out of the package, followed by 4 zero bytes. A short read
// (a damaged package) counts as missing rather than handing a truncated image to the loader.
bool ReadEngineImage(EngineImage& engine) {
  package::FilePtr file = package::Lookup("wke.dll");
  if (!file) return false;
  const unsigned size = package::Size(*file);
  engine.bytes.assign(static_cast<size_t>(size) + 4, 0);
  unsigned done = 0;
  while (done < size) {
    const int read = package::Read(*file, engine.bytes.data() + done, size - done);
    if (read <= 0) return false;
    done += static_cast<unsigned>(read);
  }
  return size > 0;
}

void* LookupEngineExport(const char* name, void* context) {
  return MemoryModuleGetExport(static_cast<MemoryModule*>(context), name);
}

void RegisterWindowClasses() {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hIcon = LoadIconW(windowClass.hInstance, L"IDR_MAINFRAM");
  windowClass.lpfnWndProc = webview::WindowProcedure;
  windowClass.lpszClassName = webview::kWindowClass;
  RegisterClassExW(&windowClass);
  windowClass.lpfnWndProc = browser::WindowProcedure;
  windowClass.lpszClassName = browser::kWindowClass;
  RegisterClassExW(&windowClass);
}

void OpenFirstWindow() {
  WebViewWindow* record = webview::NewWindow();
  if (!record) return;
  if (webview::Create(record, kEntryPageW, WS_POPUP, 0, nullptr) != 0) {
    webview::Release(record);
    return;
  }
  webview::Load(record, kEntryPageW);
}

void RunMessageLoop() {
  MSG message{};
  for (;;) {
    if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      // Only the loop itself ends the loop, once the last window is gone: a quit posted by
      // anyone else while windows are open would free the engine under their live views.
      if (message.message == WM_QUIT) {
        if (windows::OpenWindowCount() == 0) break;
        continue;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    } else {
      if (windows::OpenWindowCount() == 0) PostQuitMessage(0);
      // Idle until a message comes: a worker's callback is a message sent to this thread, and
      // nothing that changes a page or the window table happens without one. Waking on a
      // timeout only cost CPU while the program waited for the player.
      MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
  }
}

int Run() {
  startup::State& state = startup::Get();
  if (!SplitModulePath(state)) return 1;
  state.osVersionWord = os_version::Query();
  SetProcessDPIAware();

  std::vector<wchar_t> fullPath(4096, L'\0');
  GetModuleFileNameW(nullptr, fullPath.data(), static_cast<DWORD>(fullPath.size()));
  package::SetModuleDirectory(state.moduleDirectory);
  package::AddSearchPath(fullPath.data(), false);

  trace::Step("host: started");
  if (!package::Lookup(kEntryPage)) return 0;
  trace::Step("host: package opened, entry page found");
  FetchHardwareId(state);
  trace::Step("host: hardware id");
  LoadResourceTool(state);
  trace::Step("host: resource tool");

  EngineImage engine;
  if (!ReadEngineImage(engine)) return 0;
  trace::Step("host: engine read from the package, bytes", static_cast<long long>(engine.bytes.size()));
  engine.module = MemoryModuleLoad(engine.bytes.data(), engine.bytes.size());
  if (!engine.module) return 0;
  trace::Step("host: engine loaded from memory");
  if (!engine::ResolveApi(LookupEngineExport, engine.module)) {
    // An engine without an entry point the host calls cannot run a page.
    MemoryModuleFree(engine.module);
    return 0;
  }

  engine::api.wkeInit();
  engine::api.wkeSetFileSystem(file_hooks::Open, file_hooks::Close, file_hooks::Size, file_hooks::Read,
                               file_hooks::Seek);
  webview::ConnectEngineWork();
  trace::Step("host: engine started");
  natives::BindAll();
  trace::Step("host: native functions bound");
  RegisterWindowClasses();
  browser::AddExternal(browser::kDoNothingName, browser::DoNothing);
  OpenFirstWindow();
  trace::Step("host: first window opened, entry page loaded");

  RunMessageLoop();

  // Browser windows do not keep the program running; they go before anything they might use.
  browser::CloseAll();
  shutdown_steps::RunAll();
  engine::api.wkeShutdown();
  MemoryModuleFree(engine.module);
  engine.module = nullptr;
  engine.bytes = {};
  UnregisterClassW(webview::kWindowClass, GetModuleHandleW(nullptr));
  UnregisterClassW(browser::kWindowClass, GetModuleHandleW(nullptr));
  return 1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    return Run();
  } catch (...) {
    return 0;
  }
}
