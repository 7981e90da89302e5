#include "game_client.h"

#include <array>
#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "base/utf8.h"
#include "bridge/completion.h"
#include "bridge/script_values.h"
#include "game_client_events.h"
#include "host/plugin_path.h"
#include "plugins/sdk/game_client.h"

namespace natives {

namespace {

enum Entry {
  kInit,
  kUnInit,
  kSetEventCallback,
  kLogin,
  kLogout,
  kRunGame,
  kResetPing,
  kInsertPing,
  kGetPingResult,
  kFindUser,
  kGetChatData,
  kSendChatMessage,
  kEntryCount
};

constexpr const char* kEntryNames[kEntryCount] = {
    "GC_wrap_Init",       "GC_wrap_UnInit",        "GC_wrap_SetEventCallback",
    "GC_wrap_Login",      "GC_wrap_Logout",        "GC_wrap_RunGame",
    "GC_wrap_reset_ping", "GC_wrap_insert_ping",   "GC_wrap_Get_ping_result",
    "GC_wrap_find_user",  "GC_wrap_get_chat_data", "GC_wrap_send_chat_message"};

constexpr int32_t kPingResultSize = 1049600;
constexpr int32_t kFindUserSize = 16384;
constexpr int32_t kChatDataSize = 16384;
constexpr size_t kMargin = 4;

// Loaded by the first GC_wrap_Init that finds it and kept for the life of the process. The
// entries are resolved again by every GC_wrap_Init on the UI thread and read by the workers.
HMODULE library = nullptr;
std::array<std::atomic<FARPROC>, kEntryCount> entries{};

template <typename Function>
Function EntryAs(Entry entry) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(entries[entry].load()));
}

// The text of an output buffer up to its terminating zero, never beyond the size the library
// was given.
std::wstring BufferText(const std::vector<char>& buffer, size_t size) {
  const void* zero = std::memchr(buffer.data(), 0, size);
  const size_t length = zero ? static_cast<size_t>(static_cast<const char*>(zero) - buffer.data()) : size;
  return text::Utf8ToWide(std::string_view(buffer.data(), length));
}

// The work of one call, on a thread of its own; false when no thread could be started.
template <typename Work>
jsValue OnWorker(Work work) {
  return script::Boolean(completion::StartWorker(std::move(work)));
}

// The calls with a client, a text and a callback: export(client, UTF-8 text) on a worker.
template <typename Function, Entry entry>
jsValue TextCall(jsExecState es, bool answer) {
  const auto call = EntryAs<Function>(entry);
  if (!call) return script::Boolean(false);
  const uint32_t client = script::Handle(es, 0);
  std::string utf8 = script::Utf8(es, 1);
  if (!answer) return OnWorker([call, client, utf8 = std::move(utf8)] { call(client, utf8.c_str()); });
  completion::Target target = completion::TargetOf(es, 2);
  return OnWorker([call, client, utf8 = std::move(utf8), target = std::move(target)] {
    call(client, utf8.c_str());
    completion::Send(target, {});
  });
}

// The calls with a client and a callback: work(export, client, target) on a worker, or false
// when the export is missing.
template <typename Function, Entry entry, typename Work>
jsValue ClientWork(jsExecState es, int callbackIndex, Work work) {
  const auto call = EntryAs<Function>(entry);
  if (!call) return script::Boolean(false);
  const uint32_t client = script::Handle(es, 0);
  completion::Target target = completion::TargetOf(es, callbackIndex);
  return OnWorker([call, client, target = std::move(target), work = std::move(work)] { work(call, client, target); });
}

// The calls with a client, a text and a callback that gets one text: make(export, client, text)
// on a worker makes that text.
template <typename Function, Entry entry, typename Text, typename Make>
jsValue Answered(jsExecState es, Text text, Make make) {
  return ClientWork<Function, entry>(es, 2, [text = std::move(text), make](auto call, uint32_t client, auto& target) {
    completion::Send(target, {make(call, client, text)});
  });
}

}  // namespace

jsValue Js_GC_wrap_Init(jsExecState) {
  if (!library) library = plugin_path::Load(L"plugins\\gclient_wrap_c.dll");
  if (!library) return script::Integer(0);
  for (int i = 0; i < kEntryCount; ++i) entries[i].store(GetProcAddress(library, kEntryNames[i]));
  const auto init = EntryAs<GC_wrap_Init_t>(kInit);
  return script::HandleResult(init ? init() : 0u);
}

jsValue Js_GC_wrap_UnInit(jsExecState es) {
  const auto unInit = EntryAs<GC_wrap_UnInit_t>(kUnInit);
  if (!unInit) return script::Boolean(false);
  const uint32_t client = script::Handle(es, 0);
  const int32_t result = unInit(client);
  // The library calls no record of this client any more.
  game_client_events::ReleaseClient(client);
  return script::Integer(result);
}

jsValue Js_GC_wrap_SetEventCallback(jsExecState es) {
  return ClientWork<GC_wrap_SetEventCallback_t, kSetEventCallback>(es, 1, [](auto set, uint32_t client, auto& target) {
    // The worker's hold keeps the record whole during the call even when GC_wrap_UnInit of
    // the client has run meanwhile.
    const auto hold = game_client_events::NewRecord(client, target);
    if (hold) set(client, game_client_events::RecordOf(hold));
  });
}

jsValue Js_GC_wrap_Login(jsExecState es) { return TextCall<GC_wrap_Login_t, kLogin>(es, false); }

jsValue Js_GC_wrap_Logout(jsExecState es) {
  const auto logout = EntryAs<GC_wrap_Logout_t>(kLogout);
  if (!logout) return script::Boolean(false);
  const uint32_t client = script::Handle(es, 0);
  return OnWorker([logout, client] { logout(client); });
}

jsValue Js_GC_wrap_RunGame(jsExecState es) {
  return Answered<GC_wrap_RunGame_t, kRunGame>(es, script::Utf8(es, 1), [](auto runGame, uint32_t client, auto& text) {
    const uint32_t result = runGame(client, text.c_str());
    return L"{\"result\":" + std::to_wstring(result & 0xFFFF) + L",\"attached\":" + std::to_wstring(result >> 16) +
           L"}";
  });
}

jsValue Js_GC_wrap_reset_ping(jsExecState es) { return TextCall<GC_wrap_reset_ping_t, kResetPing>(es, true); }

jsValue Js_GC_wrap_insert_ping(jsExecState es) { return TextCall<GC_wrap_insert_ping_t, kInsertPing>(es, true); }

jsValue Js_GC_wrap_Get_ping_result(jsExecState es) {
  const auto getPingResult = EntryAs<GC_wrap_Get_ping_result_t>(kGetPingResult);
  if (!getPingResult) return script::Boolean(false);
  std::vector<char> buffer(kPingResultSize + kMargin, '\0');
  getPingResult(script::Int(es, 0), script::Int(es, 1), buffer.data(), kPingResultSize);
  return script::FromWide(es, BufferText(buffer, kPingResultSize));
}

jsValue Js_GC_wrap_find_user(jsExecState es) {
  return Answered<GC_wrap_find_user_t, kFindUser>(es, script::Text(es, 1),
                                                  [](auto findUser, uint32_t client, auto& name) {
                                                    std::vector<char> buffer(kFindUserSize + kMargin, '\0');
                                                    findUser(client, name.c_str(), buffer.data(), kFindUserSize);
                                                    return BufferText(buffer, kFindUserSize);
                                                  });
}

jsValue Js_GC_wrap_send_chat_message(jsExecState es) {
  return TextCall<GC_wrap_send_chat_message_t, kSendChatMessage>(es, false);
}

jsValue Js_GC_wrap_get_chat_data(jsExecState es) {
  return ClientWork<GC_wrap_get_chat_data_t, kGetChatData>(es, 1, [](auto getChatData, uint32_t client, auto& target) {
    std::vector<char> buffer(kChatDataSize + kMargin);
    for (;;) {
      std::fill(buffer.begin(), buffer.end(), '\0');
      if (getChatData(client, buffer.data(), kChatDataSize) == 0) break;
      completion::Send(target, {BufferText(buffer, kChatDataSize)});
    }
  });
}

}  // namespace natives
