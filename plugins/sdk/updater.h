/* The updater plug-in contract: KV9_Updater.dll, loaded from the program's folder as
 * plugins\KV9_Updater.dll or else launch\KV9_Updater.dll, after DownloadKernel.dll from the same
 * places (loaded and kept loaded; the host calls nothing in it).
 *
 * Every export is optional: the host looks each one up by name and a missing one makes its
 * script function return its failure value. All exports use the C calling convention
 * (__cdecl) and undecorated names. An "updater" is an opaque pointer the plug-in hands out;
 * the host never reads through it, only passes it back.
 *
 * Threads: the host calls P2PUpdater_StartDownload, P2PUpdater_ApplyGZ, P2PUpdater_IsNeedUpdate,
 * P2PUpdater_torrent_pause and P2PUpdater_torrent_resume on threads of their own, at the same
 * time as the other exports on its UI thread, for the same updater, and takes no lock: every
 * export must be safe to call from several threads at once. A page may also remove a named
 * updater (P2PD_Remove) while such a thread still holds its pointer, so an export handed an
 * updater that is gone must answer with its failure value, never touch freed memory.
 *
 * Texts: wchar_t strings are UTF-16, char strings UTF-8, both zero-terminated.
 *
 * Our KV9_Updater.dll (plugins/updater) has no peer-to-peer transfer: its P2PD_Start and
 * P2PD_torrent_* exports do nothing, P2PUpdater_Get_torrent_total_wanted(_done) answer the
 * size of the update file and the bytes of it on disk. */
#pragma once

#include <stdint.h>
#include <wchar.h>

#ifdef WEBSHELL_UPDATER_PLUGIN
#define WEBSHELL_UPDATER_EXPORT __declspec(dllexport)
#else
#define WEBSHELL_UPDATER_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The default updater; the host calls it once, the first time a page asks, and keeps the
 * result until P2PUpdater_UnInit at shutdown. Null: no updater. */
WEBSHELL_UPDATER_EXPORT void* __cdecl P2PUpdater_Init(void);

/* A named updater: the host calls it only when P2PD_GetP2PUpdaterPointer(name) is null and
 * then registers a non-null result with P2PD_SetP2PUpdaterPointer(name, updater). text2 and
 * text3 are the page's second and third arguments. Null: failed. */
WEBSHELL_UPDATER_EXPORT void* __cdecl P2PUpdater_Init_2(const wchar_t* name, const wchar_t* text2,
                                                        const wchar_t* text3);

/* Called by the host at shutdown with the default updater, also when that is null. */
WEBSHELL_UPDATER_EXPORT void __cdecl P2PUpdater_UnInit(void* updater);

/* On a thread of its own; may block. Nonzero: an update is needed. For a named updater the
 * host passes the updater's name as text. */
WEBSHELL_UPDATER_EXPORT int32_t __cdecl P2PUpdater_IsNeedUpdate(void* updater, const char* text);

/* On a thread of its own; may block for the whole transfer or return once it is started. */
WEBSHELL_UPDATER_EXPORT void __cdecl P2PUpdater_StartDownload(void* updater);

/* The result reaches the page as an integer. */
WEBSHELL_UPDATER_EXPORT int32_t __cdecl P2PUpdater_SetLimit(void* updater, int32_t first, int32_t second);

/* The host presets both outputs to 0 and passes valid pointers; the result is the state. */
WEBSHELL_UPDATER_EXPORT int32_t __cdecl P2PUpdater_GetInfo(void* updater, double* speed, float* progress);

/* On a thread of its own; may block until the file is written. */
WEBSHELL_UPDATER_EXPORT void __cdecl P2PUpdater_ApplyGZ(void* updater);
WEBSHELL_UPDATER_EXPORT double __cdecl P2PUpdater_GetApplyGZProgress(void* updater);

/* The host copies the text at once; it must stay valid at least until the calling thread calls
 * the same export again. Null reaches the page as "". */
WEBSHELL_UPDATER_EXPORT const char* __cdecl P2PUpdater_GetLocalVersion(void* updater);
WEBSHELL_UPDATER_EXPORT const char* __cdecl P2PUpdater_GetRemoteVersion(void* updater);

/* Sizes reach the page as doubles: exact up to 2^53. */
WEBSHELL_UPDATER_EXPORT uint64_t __cdecl P2PUpdater_GetDownloadSize(void* updater);

/* Each on a thread of its own. */
WEBSHELL_UPDATER_EXPORT void __cdecl P2PUpdater_torrent_pause(void* updater);
WEBSHELL_UPDATER_EXPORT void __cdecl P2PUpdater_torrent_resume(void* updater);

WEBSHELL_UPDATER_EXPORT uint64_t __cdecl P2PUpdater_Get_torrent_total_wanted(void* updater);
WEBSHELL_UPDATER_EXPORT uint64_t __cdecl P2PUpdater_Get_torrent_total_wanted_done(void* updater);

/* The registry of named updaters lives in the plug-in. Get: null when the name is not
 * registered. Set: registers updater under name. */
WEBSHELL_UPDATER_EXPORT void* __cdecl P2PD_GetP2PUpdaterPointer(const wchar_t* name);
WEBSHELL_UPDATER_EXPORT void __cdecl P2PD_SetP2PUpdaterPointer(const wchar_t* name, void* updater);

WEBSHELL_UPDATER_EXPORT void __cdecl P2PD_Start(const wchar_t* name);

/* The host calls it only for a registered name; flag is 0 or 1 (1 when the page gave no flag).
 * The 8-bit result reaches the page as an integer. */
WEBSHELL_UPDATER_EXPORT uint8_t __cdecl P2PD_Remove(const wchar_t* name, int32_t flag);

/* flag is 0 or 1. */
WEBSHELL_UPDATER_EXPORT void __cdecl P2PD_torrent_set_seed_mode(const wchar_t* name, int32_t flag);
WEBSHELL_UPDATER_EXPORT void __cdecl P2PD_torrent_add_url_seed(const wchar_t* name, const char* text);
WEBSHELL_UPDATER_EXPORT void __cdecl P2PD_torrent_connect_peer(const wchar_t* name, const char* text, int32_t number);

#ifdef __cplusplus
}
#endif
