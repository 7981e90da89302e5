#include "updater_natives.h"

#include <cstdint>
#include <string>

#include "base/utf8.h"
#include "completion.h"
#include "script_values.h"
#include "updater_plugin.h"

namespace natives {

namespace {

using updater::Table;

// With no arguments the default updater, otherwise the one registered under argument 1.
void* NamedOrDefault(jsExecState es) {
  if (script::ArgCount(es) == 0) return updater::DefaultUpdater();
  return updater::NamedUpdater(script::Text(es, 0));
}

// Runs call on a thread of its own, holding the updater library until the call has returned.
template <typename Call>
bool StartCall(Call call) {
  HMODULE pin = updater::PinLibrary();
  const bool started = completion::StartWorker([call, pin] {
    call();
    if (pin) FreeLibrary(pin);
  });
  if (!started && pin) FreeLibrary(pin);
  return started;
}

// A call on its own thread with just the updater: the export is checked there, not here.
template <typename Export>
jsValue StartOnThread(Export function, void* selected) {
  if (!selected) return script::Boolean(false);
  return script::Boolean(StartCall([function, selected] {
    if (function) function(selected);
  }));
}

jsValue Size(uint64_t (*function)(void*), void* selected) {
  if (!function || !selected) return script::Number(0);
  return script::Number(static_cast<double>(function(selected)));
}

jsValue Version(jsExecState es, const char* (*function)(void*), void* selected) {
  if (!function || !selected) return script::FromUtf8(es, "");
  const char* text = function(selected);
  return script::FromUtf8(es, text ? text : "");
}

}  // namespace

jsValue Js_P2PUpdater_Init(jsExecState es) {
  updater::LoadLibraries();
  const updater::Exports& e = Table();
  if (script::ArgCount(es) == 0) {
    if (e.Init && !updater::DefaultUpdater()) updater::SetDefaultUpdater(e.Init());
    return script::Undefined();
  }
  const std::wstring name = script::Text(es, 0);
  const std::wstring second = script::Text(es, 1);
  const std::wstring third = script::Text(es, 2);
  if (e.GetPointer && !e.GetPointer(name.c_str()) && e.Init_2) {
    if (void* created = e.Init_2(name.c_str(), second.c_str(), third.c_str())) {
      if (e.SetPointer) e.SetPointer(name.c_str(), created);
    }
  }
  return script::Undefined();
}

jsValue Js_P2PUpdater_IsNeedUpdate(jsExecState es) {
  void* selected = script::ArgCount(es) == 2 ? updater::DefaultUpdater() : updater::NamedUpdater(script::Text(es, 0));
  if (!selected) return script::Boolean(false);
  const completion::Target target = completion::TargetOf(es, 1);
  const std::string text = text::WideToUtf8(script::Text(es, 0));
  const auto function = Table().IsNeedUpdate;
  return script::Boolean(StartCall([target, text, function, selected] {
    const int32_t result = function ? function(selected, text.c_str()) : 0;
    completion::Send(target, {static_cast<int32_t>(result != 0 ? 1 : 0)});
  }));
}

jsValue Js_P2PUpdater_StartDownload(jsExecState es) {
  // No arguments selects the default updater too: a page's plain StartDownload() would
  // otherwise look for an updater named "undefined".
  const int count = script::ArgCount(es);
  void* selected = count == 2 || count == 0 ? updater::DefaultUpdater() : updater::NamedUpdater(script::Text(es, 0));
  return StartOnThread(Table().StartDownload, selected);
}

jsValue Js_P2PUpdater_SetLimit(jsExecState es) {
  void* selected = script::ArgCount(es) > 2 ? updater::NamedUpdater(script::Text(es, 0)) : updater::DefaultUpdater();
  const auto function = Table().SetLimit;
  if (!function || !selected) return script::Boolean(false);
  return script::Integer(function(selected, script::Int(es, 1), script::Int(es, 2)));
}

jsValue Js_P2PUpdater_GetInfo(jsExecState es) {
  void* selected = NamedOrDefault(es);
  const auto function = Table().GetInfo;
  if (!function || !selected) return script::Undefined();
  double speed = 0;
  float progress = 0;
  const int32_t state = function(selected, &speed, &progress);
  return script::Record(es)
      .Set("state", script::Integer(state))
      .Set("speed", script::Number(speed))
      .Set("progress", script::Number(progress))
      .value();
}

jsValue Js_P2PUpdater_ApplyGZ(jsExecState es) { return StartOnThread(Table().ApplyGZ, NamedOrDefault(es)); }

jsValue Js_P2PUpdater_GetApplyGZProgress(jsExecState es) {
  void* selected = NamedOrDefault(es);
  const auto function = Table().GetApplyGZProgress;
  if (!function || !selected) return script::Boolean(false);
  return script::Number(function(selected));
}

jsValue Js_P2PUpdater_GetLocalVersion(jsExecState es) {
  return Version(es, Table().GetLocalVersion, NamedOrDefault(es));
}

jsValue Js_P2PUpdater_GetRemoteVersion(jsExecState es) {
  return Version(es, Table().GetRemoteVersion, NamedOrDefault(es));
}

jsValue Js_P2PUpdater_GetDownloadSize(jsExecState es) { return Size(Table().GetDownloadSize, NamedOrDefault(es)); }

jsValue Js_P2PUpdater_torrent_pause(jsExecState es) { return StartOnThread(Table().TorrentPause, NamedOrDefault(es)); }

jsValue Js_P2PUpdater_torrent_resume(jsExecState es) {
  return StartOnThread(Table().TorrentResume, NamedOrDefault(es));
}

jsValue Js_P2PUpdater_GetWantedSize(jsExecState es) { return Size(Table().TotalWanted, NamedOrDefault(es)); }

jsValue Js_P2PUpdater_GetWantedSizeDone(jsExecState es) { return Size(Table().TotalWantedDone, NamedOrDefault(es)); }

jsValue Js_P2PD_Start(jsExecState es) {
  if (const auto function = Table().Start) function(script::Text(es, 0).c_str());
  return script::Undefined();
}

jsValue Js_P2PD_Remove(jsExecState es) {
  const std::wstring name = script::Text(es, 0);
  const auto function = Table().Remove;
  if (!function || !updater::NamedUpdater(name)) return script::Integer(0);
  const int32_t flag = script::ArgCount(es) < 2 ? 1 : (script::Int(es, 1) != 0 ? 1 : 0);
  return script::Integer(function(name.c_str(), flag));
}

jsValue Js_P2PD_torrent_set_seed_mode(jsExecState es) {
  if (const auto function = Table().SetSeedMode) function(script::Text(es, 0).c_str(), script::Int(es, 1) != 0 ? 1 : 0);
  return script::Undefined();
}

jsValue Js_P2PD_torrent_add_url_seed(jsExecState es) {
  if (const auto function = Table().AddUrlSeed) function(script::Text(es, 0).c_str(), script::Utf8(es, 1).c_str());
  return script::Undefined();
}

jsValue Js_P2PD_torrent_connect_peer(jsExecState es) {
  if (const auto function = Table().ConnectPeer)
    function(script::Text(es, 0).c_str(), script::Utf8(es, 1).c_str(), script::Int(es, 2));
  return script::Undefined();
}

}  // namespace natives
