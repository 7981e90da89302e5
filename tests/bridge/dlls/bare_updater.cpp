// A bare updater plug-in for the bridge tests: only some of the exports, each writing what it
// was called with to the file BARE_UPDATER_LOG names, one line a call. The missing exports show
// the host's failure values. Updaters are numbered 1, 2, ... in the order they are made.
#define WEBSHELL_UPDATER_PLUGIN
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>

#include "plugins/sdk/updater.h"

namespace {

std::mutex g_lock;
std::map<std::wstring, void*> g_named;
uintptr_t g_made = 0;
std::atomic<int> g_calls_running{0};

void Log(const char* format, ...) {
  char path[MAX_PATH] = {};
  if (!GetEnvironmentVariableA("BARE_UPDATER_LOG", path, MAX_PATH)) return;
  char line[512];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(line, sizeof line, format, arguments);
  va_end(arguments);
  const std::lock_guard<std::mutex> hold(g_lock);
  if (FILE* file = std::fopen(path, "ab")) {
    std::fprintf(file, "%s\n", line);
    std::fclose(file);
  }
}

std::string Narrow(const wchar_t* text) {
  std::string out;
  for (; text && *text; ++text) out += *text < 128 ? static_cast<char>(*text) : '?';
  return out;
}

void* Make() {
  const std::lock_guard<std::mutex> hold(g_lock);
  return reinterpret_cast<void*>(++g_made);
}

unsigned Number(void* updater) { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(updater)); }

}  // namespace

extern "C" {

WEBSHELL_UPDATER_EXPORT void* __cdecl P2PUpdater_Init(void) {
  void* updater = Make();
  Log("Init -> %u", Number(updater));
  return updater;
}

WEBSHELL_UPDATER_EXPORT void* __cdecl P2PUpdater_Init_2(const wchar_t* name, const wchar_t* text2,
                                                        const wchar_t* text3) {
  void* updater = Make();
  Log("Init_2 %s %s %s -> %u", Narrow(name).c_str(), Narrow(text2).c_str(), Narrow(text3).c_str(), Number(updater));
  return updater;
}

WEBSHELL_UPDATER_EXPORT void __cdecl P2PUpdater_UnInit(void* updater) { Log("UnInit %u", Number(updater)); }

WEBSHELL_UPDATER_EXPORT int32_t __cdecl P2PUpdater_IsNeedUpdate(void* updater, const char* text) {
  Log("IsNeedUpdate %u %s", Number(updater), text);
  return text && std::string(text).find("newer") != std::string::npos ? 7 : 0;
}

// Takes a while, like a real transfer; the host must keep the library loaded meanwhile.
WEBSHELL_UPDATER_EXPORT void __cdecl P2PUpdater_StartDownload(void* updater) {
  ++g_calls_running;
  Log("StartDownload %u", Number(updater));
  Sleep(1500);
  Log("StartDownload %u done", Number(updater));
  --g_calls_running;
}

WEBSHELL_UPDATER_EXPORT int32_t __cdecl P2PUpdater_GetInfo(void* updater, double* speed, float* progress) {
  Log("GetInfo %u preset %g %g", Number(updater), *speed, static_cast<double>(*progress));
  *speed = 1234.5;
  *progress = 0.25f;
  return static_cast<int32_t>(Number(updater)) + 40;
}

WEBSHELL_UPDATER_EXPORT uint64_t __cdecl P2PUpdater_GetDownloadSize(void* updater) {
  return (uint64_t{1} << 53) - Number(updater);
}

WEBSHELL_UPDATER_EXPORT uint64_t __cdecl P2PUpdater_Get_torrent_total_wanted(void*) { return (uint64_t{1} << 31) + 1; }

WEBSHELL_UPDATER_EXPORT const char* __cdecl P2PUpdater_GetLocalVersion(void* updater) {
  static thread_local char text[32];
  std::snprintf(text, sizeof text, "1.0.0.%u", Number(updater));
  return text;
}

WEBSHELL_UPDATER_EXPORT void* __cdecl P2PD_GetP2PUpdaterPointer(const wchar_t* name) {
  const std::lock_guard<std::mutex> hold(g_lock);
  const auto found = g_named.find(name ? name : L"");
  return found == g_named.end() ? nullptr : found->second;
}

WEBSHELL_UPDATER_EXPORT void __cdecl P2PD_SetP2PUpdaterPointer(const wchar_t* name, void* updater) {
  Log("Set %s %u", Narrow(name).c_str(), Number(updater));
  const std::lock_guard<std::mutex> hold(g_lock);
  g_named[name ? name : L""] = updater;
}

WEBSHELL_UPDATER_EXPORT uint8_t __cdecl P2PD_Remove(const wchar_t* name, int32_t flag) {
  Log("Remove %s %d", Narrow(name).c_str(), flag);
  return flag ? 0xC1 : 0x80;
}

WEBSHELL_UPDATER_EXPORT void __cdecl P2PD_torrent_connect_peer(const wchar_t* name, const char* text, int32_t number) {
  Log("ConnectPeer %s %s %d", Narrow(name).c_str(), text, number);
}

}  // extern "C"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_DETACH) {
    if (reserved) Log("updater detach at exit");
    else Log(g_calls_running ? "updater unloaded during a call" : "updater unloaded");
  }
  return TRUE;
}
