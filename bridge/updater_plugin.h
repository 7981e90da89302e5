#pragma once
// The updater plug-in as the host holds it: DownloadKernel.dll and KV9_Updater.dll, loaded by
// the first P2PUpdater_Init that finds them (a failed load is tried again by the next one), the
// table of the updater's exports, re-resolved by every P2PUpdater_Init, and the default
// updater. All of it belongs to the UI thread; workers get what they call handed to them.
#include <windows.h>

#include <string>

#include "plugins/sdk/updater.h"

namespace updater {

struct Exports {
  decltype(&::P2PUpdater_Init) Init = nullptr;
  decltype(&::P2PUpdater_Init_2) Init_2 = nullptr;
  decltype(&::P2PUpdater_UnInit) UnInit = nullptr;
  decltype(&::P2PUpdater_IsNeedUpdate) IsNeedUpdate = nullptr;
  decltype(&::P2PUpdater_StartDownload) StartDownload = nullptr;
  decltype(&::P2PUpdater_SetLimit) SetLimit = nullptr;
  decltype(&::P2PUpdater_GetInfo) GetInfo = nullptr;
  decltype(&::P2PUpdater_ApplyGZ) ApplyGZ = nullptr;
  decltype(&::P2PUpdater_GetApplyGZProgress) GetApplyGZProgress = nullptr;
  decltype(&::P2PUpdater_GetLocalVersion) GetLocalVersion = nullptr;
  decltype(&::P2PUpdater_GetRemoteVersion) GetRemoteVersion = nullptr;
  decltype(&::P2PUpdater_GetDownloadSize) GetDownloadSize = nullptr;
  decltype(&::P2PUpdater_torrent_pause) TorrentPause = nullptr;
  decltype(&::P2PUpdater_torrent_resume) TorrentResume = nullptr;
  decltype(&::P2PUpdater_Get_torrent_total_wanted) TotalWanted = nullptr;
  decltype(&::P2PUpdater_Get_torrent_total_wanted_done) TotalWantedDone = nullptr;
  decltype(&::P2PD_GetP2PUpdaterPointer) GetPointer = nullptr;
  decltype(&::P2PD_SetP2PUpdaterPointer) SetPointer = nullptr;
  decltype(&::P2PD_Start) Start = nullptr;
  decltype(&::P2PD_Remove) Remove = nullptr;
  decltype(&::P2PD_torrent_set_seed_mode) SetSeedMode = nullptr;
  decltype(&::P2PD_torrent_add_url_seed) AddUrlSeed = nullptr;
  decltype(&::P2PD_torrent_connect_peer) ConnectPeer = nullptr;
};

// The table as last resolved; all null before the updater library was first loaded.
const Exports& Table();

// Loads what is not loaded yet (plugins\ first, then launch\) and resolves the table again
// when the updater library is loaded. Registers the shutdown steps the first time.
void LoadLibraries();

void* DefaultUpdater();
void SetDefaultUpdater(void* updater);

// The updater registered under name; null when there is none or the lookup is missing.
void* NamedUpdater(const std::wstring& name);

// A reference on the updater library for a thread that calls into it, so that the library is
// not unloaded under the thread at shutdown; null when the library is not loaded. The thread
// gives it back with FreeLibrary.
HMODULE PinLibrary();

}  // namespace updater
