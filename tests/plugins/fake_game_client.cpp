// Test plug-in plugins\gclient_wrap_c.dll: logs every call with its arguments to gclient.log
// beside it and answers from gclient.txt:
//   init=N        GC_wrap_Init's results, in order      uninit=N    GC_wrap_UnInit's result
//   rungame=N     GC_wrap_RunGame's result               ping=TEXT   what Get_ping_result writes
//   find=TEXT     written before the name find_user got   chat=TEXT   one chat item each, then 0
//   ping=<fill>   Get_ping_result fills its whole buffer, leaving no zero
// GC_wrap_send_chat_message raises events from a thread of its own when the message asks:
//   "raise:A|B|C"      A, B and C in order on the client's last record
//   "raise-all:A"      A on every record it was ever given, for any client, ended or not
// It keeps each record's event function aside, so a record the program freed is never read.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "plugin_script.h"
#include "plugins/sdk/game_client.h"

namespace {

struct Given {
  uint32_t client;
  GCEventRecord* record;
  GCEventFunction function;
};

CRITICAL_SECTION recordsLock;
std::vector<Given> given;

BOOL CALLBACK InitRecords(PINIT_ONCE, void*, void**) {
  InitializeCriticalSection(&recordsLock);
  return TRUE;
}

void Start() {
  static INIT_ONCE once = INIT_ONCE_STATIC_INIT;
  InitOnceExecuteOnce(&once, InitRecords, nullptr, nullptr);
  plugin_script::Load(L"gclient.txt", L"gclient.log");
}

std::string Number(uint64_t value) { return std::to_string(value); }

struct Raise {
  std::vector<Given> targets;
  std::vector<std::string> texts;
};

DWORD WINAPI RaiseEvents(void* parameter) {
  Raise* raise = static_cast<Raise*>(parameter);
  for (const std::string& text : raise->texts)
    for (const Given& target : raise->targets) target.function(target.record, text.c_str());
  plugin_script::Log("raised " + Number(raise->texts.size()));
  delete raise;
  return 0;
}

void RaiseFrom(const std::string& message, uint32_t client) {
  auto* raise = new Raise;
  std::string list;
  EnterCriticalSection(&recordsLock);
  if (message.rfind("raise:", 0) == 0) {
    list = message.substr(6);
    for (auto at = given.rbegin(); at != given.rend(); ++at) {
      if (at->client == client) {
        raise->targets.push_back(*at);
        break;
      }
    }
  } else if (message.rfind("raise-all:", 0) == 0) {
    list = message.substr(10);
    raise->targets = given;
  }
  LeaveCriticalSection(&recordsLock);
  size_t from = 0;
  while (!list.empty()) {
    const size_t bar = list.find('|', from);
    raise->texts.push_back(list.substr(from, bar == std::string::npos ? std::string::npos : bar - from));
    if (bar == std::string::npos) break;
    from = bar + 1;
  }
  if (raise->texts.empty() || raise->targets.empty()) {
    delete raise;
    return;
  }
  if (HANDLE thread = CreateThread(nullptr, 0, RaiseEvents, raise, 0, nullptr)) CloseHandle(thread);
}

}  // namespace

#define EXPORT extern "C" __declspec(dllexport)

EXPORT uint32_t __cdecl GC_wrap_Init() {
  Start();
  const uint32_t client = static_cast<uint32_t>(std::strtoull(plugin_script::Next("init", "1").c_str(), nullptr, 0));
  plugin_script::Log("Init -> " + Number(client));
  return client;
}

EXPORT int32_t __cdecl GC_wrap_UnInit(uint32_t client) {
  const int32_t result = std::atoi(plugin_script::Next("uninit", "0").c_str());
  plugin_script::Log("UnInit " + Number(client) + " -> " + std::to_string(result));
  return result;
}

EXPORT void __cdecl GC_wrap_SetEventCallback(uint32_t client, GCEventRecord* record) {
  // The record's layout as the program fills it: the function at 0, the window at 8 and the
  // callback at 16, whatever the pointer size.
  const auto* bytes = reinterpret_cast<const unsigned char*>(record);
  uint64_t window = 0, callback = 0;
  std::memcpy(&window, bytes + 8, 8);
  std::memcpy(&callback, bytes + 16, 8);
  const bool functionAtZero = *reinterpret_cast<GCEventFunction const*>(bytes) == record->function;
  EnterCriticalSection(&recordsLock);
  given.push_back({client, record, record->function});
  LeaveCriticalSection(&recordsLock);
  plugin_script::Log("SetEventCallback " + Number(client) + " window " +
                     (window && IsWindow(reinterpret_cast<HWND>(window)) ? "live" : "none") + " callback " +
                     (callback ? "set" : "none") + (functionAtZero && record->function ? " function" : " nofunction"));
}

EXPORT void __cdecl GC_wrap_Login(uint32_t client, const char* text) {
  plugin_script::Log("Login " + Number(client) + " " + text);
}

EXPORT void __cdecl GC_wrap_Logout(uint32_t client) { plugin_script::Log("Logout " + Number(client)); }

EXPORT uint32_t __cdecl GC_wrap_RunGame(uint32_t client, const char* text) {
  plugin_script::Log("RunGame " + Number(client) + " " + text);
  return static_cast<uint32_t>(std::strtoull(plugin_script::Next("rungame", "0").c_str(), nullptr, 0));
}

EXPORT void __cdecl GC_wrap_reset_ping(uint32_t client, const char* text) {
  plugin_script::Log("reset_ping " + Number(client) + " " + text);
}

EXPORT void __cdecl GC_wrap_insert_ping(uint32_t client, const char* text) {
  plugin_script::Log("insert_ping " + Number(client) + " " + text);
}

EXPORT void __cdecl GC_wrap_Get_ping_result(int32_t first, int32_t second, char* buffer, int32_t size) {
  plugin_script::Log("Get_ping_result " + std::to_string(first) + " " + std::to_string(second) + " " +
                     std::to_string(size));
  const std::string text = plugin_script::Next("ping");
  // "<fill>": every byte of the buffer, with no room left for a zero.
  if (text == "<fill>") std::memset(buffer, 'p', static_cast<size_t>(size));
  else std::snprintf(buffer, static_cast<size_t>(size), "%s", text.c_str());
}

EXPORT void __cdecl GC_wrap_find_user(uint32_t client, const wchar_t* name, char* buffer, int32_t size) {
  plugin_script::Log("find_user " + Number(client) + " " + plugin_script::Utf8(name) + " " + std::to_string(size));
  const std::string text = plugin_script::Next("find") + plugin_script::Utf8(name);
  std::snprintf(buffer, static_cast<size_t>(size), "%s", text.c_str());
}

EXPORT int32_t __cdecl GC_wrap_get_chat_data(uint32_t client, char* buffer, int32_t size) {
  std::string item;
  const bool more = plugin_script::Take("chat", item);
  plugin_script::Log("get_chat_data " + Number(client) + " " + std::to_string(size) + (more ? " -> item" : " -> 0"));
  if (!more) return 0;
  std::snprintf(buffer, static_cast<size_t>(size), "%s", item.c_str());
  return 1;
}

EXPORT void __cdecl GC_wrap_send_chat_message(uint32_t client, const char* text) {
  plugin_script::Log("send_chat_message " + Number(client) + " " + text);
  RaiseFrom(text, client);
}

// The exports match the contract's signatures.
static_assert(std::is_same_v<decltype(&GC_wrap_Init), GC_wrap_Init_t>);
static_assert(std::is_same_v<decltype(&GC_wrap_UnInit), GC_wrap_UnInit_t>);
static_assert(std::is_same_v<decltype(&GC_wrap_SetEventCallback), GC_wrap_SetEventCallback_t>);
static_assert(std::is_same_v<decltype(&GC_wrap_Login), GC_wrap_Login_t>);
static_assert(std::is_same_v<decltype(&GC_wrap_Logout), GC_wrap_Logout_t>);
static_assert(std::is_same_v<decltype(&GC_wrap_RunGame), GC_wrap_RunGame_t>);
static_assert(std::is_same_v<decltype(&GC_wrap_reset_ping), GC_wrap_reset_ping_t>);
static_assert(std::is_same_v<decltype(&GC_wrap_insert_ping), GC_wrap_insert_ping_t>);
static_assert(std::is_same_v<decltype(&GC_wrap_Get_ping_result), GC_wrap_Get_ping_result_t>);
static_assert(std::is_same_v<decltype(&GC_wrap_find_user), GC_wrap_find_user_t>);
static_assert(std::is_same_v<decltype(&GC_wrap_get_chat_data), GC_wrap_get_chat_data_t>);
static_assert(std::is_same_v<decltype(&GC_wrap_send_chat_message), GC_wrap_send_chat_message_t>);
