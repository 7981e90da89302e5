#include "updater_plugin.h"

#include "host/plugin_path.h"
#include "host/shutdown_steps.h"

namespace updater {

namespace {

HMODULE g_kernel = nullptr;
HMODULE g_updater = nullptr;
Exports g_exports;
void* g_default = nullptr;
bool g_registered = false;

HMODULE LoadFromEitherFolder(const wchar_t* name) {
  if (HMODULE module = plugin_path::Load(std::wstring(L"plugins\\") + name)) return module;
  return plugin_path::Load(std::wstring(L"launch\\") + name);
}

template <typename Function>
void Resolve(Function& slot, const char* name) {
  slot = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(g_updater, name)));
}

void ResolveAll() {
  Exports& e = g_exports;
  Resolve(e.Init, "P2PUpdater_Init");
  Resolve(e.Init_2, "P2PUpdater_Init_2");
  Resolve(e.UnInit, "P2PUpdater_UnInit");
  Resolve(e.IsNeedUpdate, "P2PUpdater_IsNeedUpdate");
  Resolve(e.StartDownload, "P2PUpdater_StartDownload");
  Resolve(e.SetLimit, "P2PUpdater_SetLimit");
  Resolve(e.GetInfo, "P2PUpdater_GetInfo");
  Resolve(e.ApplyGZ, "P2PUpdater_ApplyGZ");
  Resolve(e.GetApplyGZProgress, "P2PUpdater_GetApplyGZProgress");
  Resolve(e.GetLocalVersion, "P2PUpdater_GetLocalVersion");
  Resolve(e.GetRemoteVersion, "P2PUpdater_GetRemoteVersion");
  Resolve(e.GetDownloadSize, "P2PUpdater_GetDownloadSize");
  Resolve(e.TorrentPause, "P2PUpdater_torrent_pause");
  Resolve(e.TorrentResume, "P2PUpdater_torrent_resume");
  Resolve(e.TotalWanted, "P2PUpdater_Get_torrent_total_wanted");
  Resolve(e.TotalWantedDone, "P2PUpdater_Get_torrent_total_wanted_done");
  Resolve(e.GetPointer, "P2PD_GetP2PUpdaterPointer");
  Resolve(e.SetPointer, "P2PD_SetP2PUpdaterPointer");
  Resolve(e.Start, "P2PD_Start");
  Resolve(e.Remove, "P2PD_Remove");
  Resolve(e.SetSeedMode, "P2PD_torrent_set_seed_mode");
  Resolve(e.AddUrlSeed, "P2PD_torrent_add_url_seed");
  Resolve(e.ConnectPeer, "P2PD_torrent_connect_peer");
}

void ReleaseDefaultUpdater() {
  if (g_exports.UnInit) g_exports.UnInit(g_default);
  g_default = nullptr;
}

void ReleaseLibraries() {
  g_exports = Exports{};
  if (g_updater) FreeLibrary(g_updater);
  g_updater = nullptr;
  if (g_kernel) FreeLibrary(g_kernel);
  g_kernel = nullptr;
}

}  // namespace

const Exports& Table() { return g_exports; }

void LoadLibraries() {
  if (!g_registered) {
    shutdown_steps::Register(shutdown_steps::Step::DefaultUpdater, ReleaseDefaultUpdater);
    shutdown_steps::Register(shutdown_steps::Step::UpdaterLibraries, ReleaseLibraries);
    g_registered = true;
  }
  if (!g_kernel) g_kernel = LoadFromEitherFolder(L"DownloadKernel.dll");
  if (!g_updater) g_updater = LoadFromEitherFolder(L"KV9_Updater.dll");
  if (g_updater) ResolveAll();
}

void* DefaultUpdater() { return g_default; }
void SetDefaultUpdater(void* updater) { g_default = updater; }

void* NamedUpdater(const std::wstring& name) {
  return g_exports.GetPointer ? g_exports.GetPointer(name.c_str()) : nullptr;
}

HMODULE PinLibrary() {
  HMODULE pinned = nullptr;
  if (!g_updater) return nullptr;
  // Without the unchanged-refcount flag this counts one more reference on the module.
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(g_updater), &pinned))
    return nullptr;
  return pinned;
}

}  // namespace updater
