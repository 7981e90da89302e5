#include "native_table.h"

#include <string_view>

#include "app/described_natives.h"
#include "bridge/browser_window.h"
#include "bridge/callback_natives.h"
#include "bridge/core_version.h"
#include "bridge/package_natives.h"
#include "bridge/script_values.h"
#include "bridge/single_instance.h"
#include "bridge/tray_icon.h"
#include "bridge/updater_natives.h"
#include "bridge/web_view_window.h"
#include "bridge/window_functions.h"
#include "bridge/window_natives.h"
#include "plugins/bridges/game_channel.h"
#include "plugins/bridges/game_client.h"
#include "plugins/bridges/resource_tool.h"
#include "services/dialog_natives.h"
#include "services/environment.h"
#include "services/file_list.h"
#include "services/file_natives.h"
#include "services/hardware_info.h"
#include "services/ini.h"
#include "services/kernel_objects.h"
#include "services/key_strings.h"
#include "services/process_natives.h"
#include "services/registry.h"
#include "services/shared_memory.h"
#include "services/shared_memory_render.h"
#include "services/shortcut_natives.h"
#include "services/system_info.h"
#include "services/version_resource.h"
#include "transfer/download_natives.h"
#include "transfer/un7z_natives.h"
#include "transfer/unzip_natives.h"

namespace natives {

namespace {

// Native functions never throw into the engine: whatever escapes a handler becomes undefined.
template <jsValue (*Handler)(jsExecState)>
jsValue WKE_CALL Guarded(jsExecState es) noexcept {
  script::NativeCall call(&Guarded<Handler>);
  try {
    return Handler(es);
  } catch (...) {
    return script::Undefined();
  }
}

const NativeRow kTable[] = {
    {"GetCoreVersion", Guarded<&Js_GetCoreVersion>, 0},
    {"wke_FILE_add_path", Guarded<&Js_wke_FILE_add_path>, 2},
    {"curl_http_download", Guarded<&Js_curl_http_download>, 4},
    {"unzip", Guarded<&Js_unzip>, 4},
    {"un7z", Guarded<&Js_un7z>, 6},
    {"WriteUTF8File", Guarded<&Js_WriteUTF8File>, 2},
    {"ReadUTF8File", Guarded<&Js_ReadUTF8File>, 1},
    {"wkeCreateWindow", Guarded<&Js_wkeCreateWindow>, 5},
    {"wieCreateWindow", Guarded<&Js_wieCreateWindow>, 5},
    {"WKELoadFile", Guarded<&Js_WKELoadFile>, 1},
    {"wkeLoadFile", Guarded<&Js_wkeLoadFile>, 2},
    {"wkeRunJS", Guarded<&Js_wkeRunJS>, 2},
    {"CreateShortcut", Guarded<&Js_CreateShortcut>, 6},
    {"CreateMutex", Guarded<&Js_CreateMutex>, 2},
    {"CloseHandle", Guarded<&Js_CloseHandle>, 1},
    {"SetEnvironmentVariable", Guarded<&Js_SetEnvironmentVariable>, 2},
    {"GetEnvironmentVariable", Guarded<&Js_GetEnvironmentVariable>, 1},
    {"GetCurrentProcessId", Guarded<&Js_GetCurrentProcessId>, 0},
    {"CreateEvent", Guarded<&Js_CreateEvent>, 3},
    {"OpenEvent", Guarded<&Js_OpenEvent>, 3},
    {"CreateFileMapping", Guarded<&Js_CreateFileMapping>, 2},
    {"ReadFileMapping", Guarded<&Js_ReadFileMapping>, 2},
    {"WriteFileMapping", Guarded<&Js_WriteFileMapping>, 3},
    {"GetKeyString", Guarded<&Js_GetKeyString>, 1},
    {"SetKeyString", Guarded<&Js_SetKeyString>, 2},
    {"wkeUpdateRenderFM", Guarded<&Js_wkeUpdateRenderFM>, 3},
    {"GetCursorPos", Guarded<&Js_GetCursorPos>, 0},
    {"GetSystemMetrics", Guarded<&Js_GetSystemMetrics>, 1},
    {"FindWindow", Guarded<&Js_FindWindow>, 2},
    {"GetWindowRect", Guarded<&Js_GetWindowRect>, 1},
    {"EnumDisplaySettings", Guarded<&Js_EnumDisplaySettings>, 0},
    {"SetWindowPos", Guarded<&Js_SetWindowPos>, 7},
    {"SetWindowText", Guarded<&Js_SetWindowText>, 2},
    {"GetWindowLong", Guarded<&Js_GetWindowLong>, 2},
    {"SetWindowLong", Guarded<&Js_SetWindowLong>, 3},
    {"IsZoomed", Guarded<&Js_IsZoomed>, 1},
    {"IsIconic", Guarded<&Js_IsIconic>, 1},
    {"ShowWindow", Guarded<&Js_ShowWindow>, 2},
    {"PostMessage", Guarded<&Js_PostMessage>, 4},
    {"SendMessage", Guarded<&Js_SendMessage>, 4},
    {"SetFocus", Guarded<&Js_SetFocus>, 1},
    {"SetCapture", Guarded<&Js_SetCapture>, 1},
    {"ReleaseCapture", Guarded<&Js_ReleaseCapture>, 0},
    {"ShellNotifyIcon", Guarded<&Js_ShellNotifyIcon>, 2},
    {"MessageBoxTimeout", Guarded<&Js_MessageBoxTimeout>, 4},
    {"SetWindowMinTrackSize", Guarded<&Js_SetWindowMinTrackSize>, 3},
    {"CreateGlobalHWND", Guarded<&Js_CreateGlobalHWND>, 1},
    {"SetForegroundGlobalHWND", Guarded<&Js_SetForegroundGlobalHWND>, 1},
    {"UpdateGlobalHWND", Guarded<&Js_UpdateGlobalHWND>, 2},
    {"SetForegroundWindow", Guarded<&Js_SetForegroundWindow>, 1},
    {"SetCurrentWindowFlag", Guarded<&Js_SetCurrentWindowFlag>, 1},
    {"SetWindowHitTestCallBack", Guarded<&Js_SetWindowHitTestCallBack>, 2},
    {"InitWindowHitTestData", Guarded<&Js_InitWindowHitTestData>, 1},
    {"SetWindowNoDragRect", Guarded<&Js_SetWindowNoDragRect>, 5},
    {"SetWindowDragRect", Guarded<&Js_SetWindowDragRect>, 5},
    {"SetWindowThickFrame", Guarded<&Js_SetWindowThickFrame>, 5},
    {"SetFollowMove", Guarded<&Js_SetFollowMove>, 5},
    {"RegQueryString", Guarded<&Js_RegQueryString>, 3},
    {"RegWriteString", Guarded<&Js_RegWriteString>, 4},
    {"RegDeleteTree", Guarded<&Js_RegDeleteTree>, 2},
    {"GetPrivateProfileString", Guarded<&Js_GetPrivateProfileString>, 3},
    {"WritePrivateProfileString", Guarded<&Js_WritePrivateProfileString>, 4},
    {"SHGetSpecialFolderLocation", Guarded<&Js_SHGetSpecialFolderLocation>, 1},
    {"SHBrowseForFolder", Guarded<&Js_SHBrowseForFolder>, 0},
    {"GetOpenFileName", Guarded<&Js_GetOpenFileName>, 1},
    {"GetCommandLine", Guarded<&Js_GetCommandLine>, 0},
    {"GetProcessPath", Guarded<&Js_GetProcessPath>, 0},
    {"GetCurrentDirectory", Guarded<&Js_GetCurrentDirectory>, 0},
    {"GetDiskFreeSpaceEx", Guarded<&Js_GetDiskFreeSpaceEx>, 1},
    {"CopyFile", Guarded<&Js_CopyFile>, 3},
    {"GetFileSize", Guarded<&Js_GetFileSize>, 1},
    {"MoveFileEx", Guarded<&Js_MoveFileEx>, 3},
    {"DeleteFile", Guarded<&Js_DeleteFile>, 1},
    {"DeleteDirectory", Guarded<&Js_DeleteDirectory>, 1},
    {"GetFileCRC32", Guarded<&Js_GetFileCRC32>, 1},
    {"GetFileList", Guarded<&Js_GetFileList>, 3},
    {"IsFileExists", Guarded<&Js_IsFileExists>, 1},
    {"IsFileBeLock", Guarded<&Js_IsFileBeLock>, 1},
    {"CreateProcess", Guarded<&Js_CreateProcess>, 5},
    {"OpenProcess", Guarded<&Js_OpenProcess>, 3},
    {"GetModuleBaseName", Guarded<&Js_GetModuleBaseName>, 2},
    {"GetModuleFileNameEx", Guarded<&Js_GetModuleFileNameEx>, 2},
    {"GetProcessImageFileName", Guarded<&Js_GetProcessImageFileName>, 1},
    {"GetExitCodeProcess", Guarded<&Js_GetExitCodeProcess>, 1},
    {"WaitForSingleObject", Guarded<&Js_WaitForSingleObject>, 3},
    {"ShellExecute", Guarded<&Js_ShellExecute>, 5},
    {"ShellExecuteA", Guarded<&Js_ShellExecuteA>, 5},
    {"ShellExecuteEx", Guarded<&Js_ShellExecuteEx>, 6},
    {"Sleep", Guarded<&Js_Sleep>, 1},
    {"GetPEFileVerInfo", Guarded<&Js_GetPEFileVerInfo>, 2},
    {"SetPEFileVerInfo", Guarded<&Js_SetPEFileVerInfo>, 9},
    {"SaveFileName", Guarded<&Js_SaveFileName>, 0},
    {"ChooseFont", Guarded<&Js_ChooseFont>, 0},
    {"P2PUpdater_Init", Guarded<&Js_P2PUpdater_Init>, 0},
    {"P2PUpdater_IsNeedUpdate", Guarded<&Js_P2PUpdater_IsNeedUpdate>, 2},
    {"P2PUpdater_StartDownload", Guarded<&Js_P2PUpdater_StartDownload>, 0},
    {"P2PUpdater_SetLimit", Guarded<&Js_P2PUpdater_SetLimit>, 2},
    {"P2PUpdater_GetInfo", Guarded<&Js_P2PUpdater_GetInfo>, 0},
    {"P2PUpdater_ApplyGZ", Guarded<&Js_P2PUpdater_ApplyGZ>, 0},
    {"P2PUpdater_GetApplyGZProgress", Guarded<&Js_P2PUpdater_GetApplyGZProgress>, 0},
    {"P2PUpdater_GetLocalVersion", Guarded<&Js_P2PUpdater_GetLocalVersion>, 0},
    {"P2PUpdater_GetRemoteVersion", Guarded<&Js_P2PUpdater_GetRemoteVersion>, 0},
    {"P2PUpdater_GetDownloadSize", Guarded<&Js_P2PUpdater_GetDownloadSize>, 0},
    {"P2PUpdater_torrent_pause", Guarded<&Js_P2PUpdater_torrent_pause>, 0},
    {"P2PUpdater_torrent_resume", Guarded<&Js_P2PUpdater_torrent_resume>, 0},
    {"P2PUpdater_GetWantedSize", Guarded<&Js_P2PUpdater_GetWantedSize>, 0},
    {"P2PUpdater_GetWantedSizeDone", Guarded<&Js_P2PUpdater_GetWantedSizeDone>, 0},
    {"P2PD_Start", Guarded<&Js_P2PD_Start>, 1},
    {"P2PD_Remove", Guarded<&Js_P2PD_Remove>, 2},
    {"P2PD_torrent_set_seed_mode", Guarded<&Js_P2PD_torrent_set_seed_mode>, 2},
    {"P2PD_torrent_add_url_seed", Guarded<&Js_P2PD_torrent_add_url_seed>, 2},
    {"P2PD_torrent_connect_peer", Guarded<&Js_P2PD_torrent_connect_peer>, 3},
    {"vexo_IO_Init", Guarded<&Js_vexo_IO_Init>, 2},
    {"vexo_IO_Active", Guarded<&Js_vexo_IO_Active>, 1},
    {"vexo_IO_DeActive", Guarded<&Js_vexo_IO_DeActive>, 1},
    {"vexo_IO_RunGame", Guarded<&Js_vexo_IO_RunGame>, 0},
    {"vexo_IO_SetSign", Guarded<&Js_vexo_IO_SetSign>, 1},
    {"vexo_IO_GetSign", Guarded<&Js_vexo_IO_GetSign>, 0},
    {"vexo_IO_GetResultInfo", Guarded<&Js_vexo_IO_GetResultInfo>, 0},
    {"vexo_IO_SetResultInfo", Guarded<&Js_vexo_IO_SetResultInfo>, 1},
    {"vexo_IO_GetPIDRight", Guarded<&Js_vexo_IO_GetPIDRight>, 0},
    {"GC_wrap_Init", Guarded<&Js_GC_wrap_Init>, 0},
    {"GC_wrap_UnInit", Guarded<&Js_GC_wrap_UnInit>, 1},
    {"GC_wrap_SetEventCallback", Guarded<&Js_GC_wrap_SetEventCallback>, 2},
    {"GC_wrap_Login", Guarded<&Js_GC_wrap_Login>, 2},
    {"GC_wrap_Logout", Guarded<&Js_GC_wrap_Logout>, 1},
    {"GC_wrap_RunGame", Guarded<&Js_GC_wrap_RunGame>, 3},
    {"GC_wrap_reset_ping", Guarded<&Js_GC_wrap_reset_ping>, 3},
    {"GC_wrap_insert_ping", Guarded<&Js_GC_wrap_insert_ping>, 3},
    {"GC_wrap_Get_ping_result", Guarded<&Js_GC_wrap_Get_ping_result>, 2},
    {"GC_wrap_find_user", Guarded<&Js_GC_wrap_find_user>, 3},
    {"GC_wrap_send_chat_message", Guarded<&Js_GC_wrap_send_chat_message>, 2},
    {"GC_wrap_get_chat_data", Guarded<&Js_GC_wrap_get_chat_data>, 2},
    {"Handware_Info", Guarded<&Js_Handware_Info>, 2},
    {"GetHWID", Guarded<&Js_GetHWID>, 0},
    {"S13_init", Guarded<&Js_S13_init>, 0},
    {"Get_Data_Num", Guarded<&Js_Get_Data_Num>, 2},
    {"Get_Arr_Num", Guarded<&Js_Get_Arr_Num>, 4},
    {"Get_Frame_Num", Guarded<&Js_Get_Frame_Num>, 5},
    {"Get_Frame_Path", Guarded<&Js_Get_Frame_Path>, 5},
    {"Set_Frame_Path", Guarded<&Js_Set_Frame_Path>, 6},
    {"S13_Bat_Pack", Guarded<&Js_S13_Bat_Pack>, 4},
    {"S13_Bat_Unpack", Guarded<&Js_S13_Bat_Unpack>, 6},
    {"S13_Save", Guarded<&Js_S13_Save>, 2},
    {"G1l2Ogg", Guarded<&Js_G1l2Ogg>, 3},
    {"Ogg2G1l", Guarded<&Js_Ogg2G1l>, 3},
    {"Res_FileType", Guarded<&Js_Res_FileType>, 2},
    {"Res_Frame_Num", Guarded<&Js_Res_Frame_Num>, 2},
    {"Res_Frame_Path", Guarded<&Js_Res_Frame_Path>, 3},
    {"Res_Set_Frame_Path", Guarded<&Js_Res_Set_Frame_Path>, 4},
    {"Res_Save", Guarded<&Js_Res_Save>, 2},
    {"S13_Font_Pack", Guarded<&Js_S13_Font_Pack>, 4},
    {"RegisterGlobalJSCallback", Guarded<&Js_RegisterGlobalJSCallback>, 2},
    {"CallGlobalJSCallback", Guarded<&Js_CallGlobalJSCallback>, 2},
    {"RegisterJSCallback_WM_CLOSE", Guarded<&Js_RegisterJSCallback_WM_CLOSE>, 1},
    {"RegJSCB_WM_SIZE", Guarded<&Js_RegJSCB_WM_SIZE>, 1},
    {"RegJSCB_WM_EXITSIZEMOVE", Guarded<&Js_RegJSCB_WM_EXITSIZEMOVE>, 1},
    {"RegJSCB_WM_SYSCOMMAND", Guarded<&Js_RegJSCB_WM_SYSCOMMAND>, 1},
    {"RegJSCB_WM_GETMINMAXINFO", Guarded<&Js_RegJSCB_WM_GETMINMAXINFO>, 1},
    {"RegJSCB_WM_DROPFILES", Guarded<&Js_RegJSCB_WM_DROPFILES>, 1},
};

}  // namespace

jsValue WKE_CALL NotYetBuilt(jsExecState) noexcept { return script::Undefined(); }

std::span<const NativeRow> Table() { return kTable; }

size_t NotYetBuiltCount() {
  size_t count = 0;
  for (const NativeRow& row : kTable) count += row.handler == &NotYetBuilt ? 1 : 0;
  return count;
}

namespace {

// The parameter names of a script function in natives.json, for console warnings.
const char* ParameterNames(const char* name) {
  for (const DescribedNative& described : kDescribedNatives) {
    if (std::string_view(described.name) == name) return described.parameters;
  }
  return "";
}

}  // namespace

void BindAll() {
  webview::SetFileListReceiver(files::ReceiveFileList);
  for (const NativeRow& row : kTable) {
    script::NameNative(row.handler, row.name, ParameterNames(row.name));
    engine::api.jsBindFunction(row.name, row.handler, row.argCount);
  }
}

}  // namespace natives
