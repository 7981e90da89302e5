// KV9_Updater.dll: an HTTP(S) updater with signed manifests, over the host's download core.
// Every export finds its updater in the table of live ones first and answers with its failure
// value when it is gone; a thread that works with an updater holds it until it is done.
#define WEBSHELL_UPDATER_PLUGIN
#include <windows.h>

#include <string>

#include "plugins/sdk/updater.h"
#include "update_actions.h"
#include "updater_record.h"

namespace {

using update::Find;
using update::UpdaterRef;

void* Make(const std::string& manifestUrl, const std::wstring& target) {
  try {
    auto updater = std::make_shared<update::Updater>();
    updater->manifestUrl = manifestUrl;
    updater->target = update::TargetFor(target);
    updater->localVersion = update::ProgramVersion();
    return update::Add(std::move(updater));
  } catch (...) {
    return nullptr;
  }
}

std::string Utf8(const wchar_t* text) {
  std::string out;
  if (!text) return out;
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return out;
  out.resize(static_cast<size_t>(size));
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  out.resize(static_cast<size_t>(size) - 1);
  return out;
}

// Stops whatever the updater's threads are doing; they end soon and let it go.
void Stop(const UpdaterRef& updater) {
  if (updater) updater->stop = true;
}

const char* Keep(std::string text) {
  static thread_local std::string kept;
  kept = std::move(text);
  return kept.c_str();
}

}  // namespace

extern "C" {

WEBSHELL_UPDATER_EXPORT void* __cdecl P2PUpdater_Init(void) { return Make(std::string(), std::wstring()); }

WEBSHELL_UPDATER_EXPORT void* __cdecl P2PUpdater_Init_2(const wchar_t* name, const wchar_t* manifestUrl,
                                                        const wchar_t* target) {
  if (!name) return nullptr;
  return Make(Utf8(manifestUrl), target ? target : L"");
}

WEBSHELL_UPDATER_EXPORT void __cdecl P2PUpdater_UnInit(void* updater) { Stop(update::Drop(updater)); }

WEBSHELL_UPDATER_EXPORT int32_t __cdecl P2PUpdater_IsNeedUpdate(void* handle, const char* text) {
  try {
    const UpdaterRef updater = Find(handle);
    return updater ? update::Check(*updater, text ? text : "") : 0;
  } catch (...) {
    return 0;
  }
}

WEBSHELL_UPDATER_EXPORT void __cdecl P2PUpdater_StartDownload(void* handle) {
  try {
    if (const UpdaterRef updater = Find(handle)) update::Download(updater, false);
  } catch (...) {}
}

WEBSHELL_UPDATER_EXPORT int32_t __cdecl P2PUpdater_SetLimit(void* handle, int32_t downloadKiB, int32_t) {
  const UpdaterRef updater = Find(handle);
  if (!updater || downloadKiB < 0) return 0;
  updater->limit.Set(int64_t{downloadKiB} * 1024);
  return 1;
}

WEBSHELL_UPDATER_EXPORT int32_t __cdecl P2PUpdater_GetInfo(void* handle, double* speed, float* progress) {
  const UpdaterRef updater = Find(handle);
  if (!updater) return update::kIdle;
  const int32_t state = updater->state;
  double fraction = 0;
  if (state == update::kApplying) {
    fraction = updater->applyProgress;
  } else if (state == update::kDownloaded || state == update::kApplied) {
    fraction = 1;
  } else {
    const uint64_t size = P2PUpdater_GetDownloadSize(handle);
    const download::Figures& f = updater->figures;
    int64_t done = f.stored;
    // The pass in progress counts too: the first pass alone may be a large part of the file.
    if (state == update::kDownloading && f.pass.received > 0) {
      const int64_t live = (f.pass.fromZero ? 0 : f.passOffset.load()) + f.pass.received;
      if (live > done) done = live;
    }
    if (size > 0 && done > 0) fraction = static_cast<double>(done) / static_cast<double>(size);
    // 1 only once the file is checked.
    if (fraction >= 1) fraction = state == update::kDownloading ? 0.999 : 1;
  }
  if (speed) *speed = state == update::kDownloading ? updater->limit.Speed() : 0;
  if (progress) *progress = static_cast<float>(fraction);
  return state;
}

WEBSHELL_UPDATER_EXPORT void __cdecl P2PUpdater_ApplyGZ(void* handle) {
  try {
    if (const UpdaterRef updater = Find(handle)) update::Apply(updater);
  } catch (...) {}
}

WEBSHELL_UPDATER_EXPORT double __cdecl P2PUpdater_GetApplyGZProgress(void* handle) {
  const UpdaterRef updater = Find(handle);
  return updater ? updater->applyProgress.load() : 0;
}

WEBSHELL_UPDATER_EXPORT const char* __cdecl P2PUpdater_GetLocalVersion(void* handle) {
  const UpdaterRef updater = Find(handle);
  if (!updater) return nullptr;
  const std::lock_guard<std::mutex> hold(updater->lock);
  return Keep(updater->localVersion);
}

WEBSHELL_UPDATER_EXPORT const char* __cdecl P2PUpdater_GetRemoteVersion(void* handle) {
  const UpdaterRef updater = Find(handle);
  if (!updater) return nullptr;
  const std::lock_guard<std::mutex> hold(updater->lock);
  return Keep(updater->manifest ? updater->manifest->version : std::string());
}

WEBSHELL_UPDATER_EXPORT uint64_t __cdecl P2PUpdater_GetDownloadSize(void* handle) {
  const UpdaterRef updater = Find(handle);
  if (!updater) return 0;
  const std::lock_guard<std::mutex> hold(updater->lock);
  return updater->manifest ? updater->manifest->size : 0;
}

WEBSHELL_UPDATER_EXPORT void __cdecl P2PUpdater_torrent_pause(void* handle) {
  const UpdaterRef updater = Find(handle);
  if (!updater) return;
  updater->stop = true;
}

// Continues a paused download on this thread, once the paused one has let go.
WEBSHELL_UPDATER_EXPORT void __cdecl P2PUpdater_torrent_resume(void* handle) {
  try {
    const UpdaterRef updater = Find(handle);
    if (updater && updater->state == update::kPaused) update::Download(updater, true);
  } catch (...) {}
}

WEBSHELL_UPDATER_EXPORT uint64_t __cdecl P2PUpdater_Get_torrent_total_wanted(void* handle) {
  return P2PUpdater_GetDownloadSize(handle);
}

WEBSHELL_UPDATER_EXPORT uint64_t __cdecl P2PUpdater_Get_torrent_total_wanted_done(void* handle) {
  const UpdaterRef updater = Find(handle);
  if (!updater) return 0;
  const int64_t stored = updater->figures.stored;
  return stored > 0 ? static_cast<uint64_t>(stored) : 0;
}

WEBSHELL_UPDATER_EXPORT void* __cdecl P2PD_GetP2PUpdaterPointer(const wchar_t* name) {
  return name ? update::Named(name) : nullptr;
}

// A name keeps its first updater: a second one made for it by a racing caller is dropped, so
// two updaters never download into the same files.
WEBSHELL_UPDATER_EXPORT void __cdecl P2PD_SetP2PUpdaterPointer(const wchar_t* name, void* handle) {
  if (!name || !Find(handle)) return;
  try {
    if (!update::Register(name, handle)) Stop(update::Drop(handle));
  } catch (...) {}
}

WEBSHELL_UPDATER_EXPORT void __cdecl P2PD_Start(const wchar_t*) {}

// Un-initialises the named updater and frees its name; with flag 1 its download and state file
// are deleted too. 1 when the name was registered.
WEBSHELL_UPDATER_EXPORT uint8_t __cdecl P2PD_Remove(const wchar_t* name, int32_t flag) {
  if (!name) return 0;
  void* handle = update::Unregister(name);
  if (!handle) return 0;
  const UpdaterRef updater = update::Drop(handle);
  Stop(updater);
  if (updater && flag) {
    const std::wstring path = update::PathsOf(*updater).download;
    if (!path.empty()) {
      // The running transfer lets go of the file first.
      const std::lock_guard<std::mutex> running(updater->running);
      DeleteFileW(path.c_str());
      DeleteFileW((path + L".json").c_str());
    }
  }
  return 1;
}

WEBSHELL_UPDATER_EXPORT void __cdecl P2PD_torrent_set_seed_mode(const wchar_t*, int32_t) {}
WEBSHELL_UPDATER_EXPORT void __cdecl P2PD_torrent_add_url_seed(const wchar_t*, const char*) {}
WEBSHELL_UPDATER_EXPORT void __cdecl P2PD_torrent_connect_peer(const wchar_t*, const char*, int32_t) {}

}  // extern "C"
