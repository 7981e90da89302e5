// The native function table as pages see it: every script name, in binding order, with the
// argument count it is registered with.
#include "app/native_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

struct ExpectedRow {
  const char* name;
  unsigned argCount;
};

const ExpectedRow kExpected[] = {
    {"GetCoreVersion", 0},
    {"wke_FILE_add_path", 2},
    {"curl_http_download", 4},
    {"unzip", 4},
    {"un7z", 6},
    {"WriteUTF8File", 2},
    {"ReadUTF8File", 1},
    {"wkeCreateWindow", 5},
    {"wieCreateWindow", 5},
    {"WKELoadFile", 1},
    {"wkeLoadFile", 2},
    {"wkeRunJS", 2},
    {"CreateShortcut", 6},
    {"CreateMutex", 2},
    {"CloseHandle", 1},
    {"SetEnvironmentVariable", 2},
    {"GetEnvironmentVariable", 1},
    {"GetCurrentProcessId", 0},
    {"CreateEvent", 3},
    {"OpenEvent", 3},
    {"CreateFileMapping", 2},
    {"ReadFileMapping", 2},
    {"WriteFileMapping", 3},
    {"GetKeyString", 1},
    {"SetKeyString", 2},
    {"wkeUpdateRenderFM", 3},
    {"GetCursorPos", 0},
    {"GetSystemMetrics", 1},
    {"FindWindow", 2},
    {"GetWindowRect", 1},
    {"EnumDisplaySettings", 0},
    {"SetWindowPos", 7},
    {"SetWindowText", 2},
    {"GetWindowLong", 2},
    {"SetWindowLong", 3},
    {"IsZoomed", 1},
    {"IsIconic", 1},
    {"ShowWindow", 2},
    {"PostMessage", 4},
    {"SendMessage", 4},
    {"SetFocus", 1},
    {"SetCapture", 1},
    {"ReleaseCapture", 0},
    {"ShellNotifyIcon", 2},
    {"MessageBoxTimeout", 4},
    {"SetWindowMinTrackSize", 3},
    {"CreateGlobalHWND", 1},
    {"SetForegroundGlobalHWND", 1},
    {"UpdateGlobalHWND", 2},
    {"SetForegroundWindow", 1},
    {"SetCurrentWindowFlag", 1},
    {"SetWindowHitTestCallBack", 2},
    {"InitWindowHitTestData", 1},
    {"SetWindowNoDragRect", 5},
    {"SetWindowDragRect", 5},
    {"SetWindowThickFrame", 5},
    {"SetFollowMove", 5},
    {"RegQueryString", 3},
    {"RegWriteString", 4},
    {"RegDeleteTree", 2},
    {"GetPrivateProfileString", 3},
    {"WritePrivateProfileString", 4},
    {"SHGetSpecialFolderLocation", 1},
    {"SHBrowseForFolder", 0},
    {"GetOpenFileName", 1},
    {"GetCommandLine", 0},
    {"GetProcessPath", 0},
    {"GetCurrentDirectory", 0},
    {"GetDiskFreeSpaceEx", 1},
    {"CopyFile", 3},
    {"GetFileSize", 1},
    {"MoveFileEx", 3},
    {"DeleteFile", 1},
    {"DeleteDirectory", 1},
    {"GetFileCRC32", 1},
    {"GetFileList", 3},
    {"IsFileExists", 1},
    {"IsFileBeLock", 1},
    {"CreateProcess", 5},
    {"OpenProcess", 3},
    {"GetModuleBaseName", 2},
    {"GetModuleFileNameEx", 2},
    {"GetProcessImageFileName", 1},
    {"GetExitCodeProcess", 1},
    {"WaitForSingleObject", 3},
    {"ShellExecute", 5},
    {"ShellExecuteA", 5},
    {"ShellExecuteEx", 6},
    {"Sleep", 1},
    {"GetPEFileVerInfo", 2},
    {"SetPEFileVerInfo", 9},
    {"SaveFileName", 0},
    {"ChooseFont", 0},
    {"P2PUpdater_Init", 0},
    {"P2PUpdater_IsNeedUpdate", 2},
    {"P2PUpdater_StartDownload", 0},
    {"P2PUpdater_SetLimit", 2},
    {"P2PUpdater_GetInfo", 0},
    {"P2PUpdater_ApplyGZ", 0},
    {"P2PUpdater_GetApplyGZProgress", 0},
    {"P2PUpdater_GetLocalVersion", 0},
    {"P2PUpdater_GetRemoteVersion", 0},
    {"P2PUpdater_GetDownloadSize", 0},
    {"P2PUpdater_torrent_pause", 0},
    {"P2PUpdater_torrent_resume", 0},
    {"P2PUpdater_GetWantedSize", 0},
    {"P2PUpdater_GetWantedSizeDone", 0},
    {"P2PD_Start", 1},
    {"P2PD_Remove", 2},
    {"P2PD_torrent_set_seed_mode", 2},
    {"P2PD_torrent_add_url_seed", 2},
    {"P2PD_torrent_connect_peer", 3},
    {"vexo_IO_Init", 2},
    {"vexo_IO_Active", 1},
    {"vexo_IO_DeActive", 1},
    {"vexo_IO_RunGame", 0},
    {"vexo_IO_SetSign", 1},
    {"vexo_IO_GetSign", 0},
    {"vexo_IO_GetResultInfo", 0},
    {"vexo_IO_SetResultInfo", 1},
    {"vexo_IO_GetPIDRight", 0},
    {"GC_wrap_Init", 0},
    {"GC_wrap_UnInit", 1},
    {"GC_wrap_SetEventCallback", 2},
    {"GC_wrap_Login", 2},
    {"GC_wrap_Logout", 1},
    {"GC_wrap_RunGame", 3},
    {"GC_wrap_reset_ping", 3},
    {"GC_wrap_insert_ping", 3},
    {"GC_wrap_Get_ping_result", 2},
    {"GC_wrap_find_user", 3},
    {"GC_wrap_send_chat_message", 2},
    {"GC_wrap_get_chat_data", 2},
    {"Handware_Info", 2},
    {"GetHWID", 0},
    {"S13_init", 0},
    {"Get_Data_Num", 2},
    {"Get_Arr_Num", 4},
    {"Get_Frame_Num", 5},
    {"Get_Frame_Path", 5},
    {"Set_Frame_Path", 6},
    {"S13_Bat_Pack", 4},
    {"S13_Bat_Unpack", 6},
    {"S13_Save", 2},
    {"G1l2Ogg", 3},
    {"Ogg2G1l", 3},
    {"Res_FileType", 2},
    {"Res_Frame_Num", 2},
    {"Res_Frame_Path", 3},
    {"Res_Set_Frame_Path", 4},
    {"Res_Save", 2},
    {"S13_Font_Pack", 4},
    {"RegisterGlobalJSCallback", 2},
    {"CallGlobalJSCallback", 2},
    {"RegisterJSCallback_WM_CLOSE", 1},
    {"RegJSCB_WM_SIZE", 1},
    {"RegJSCB_WM_EXITSIZEMOVE", 1},
    {"RegJSCB_WM_SYSCOMMAND", 1},
    {"RegJSCB_WM_GETMINMAXINFO", 1},
    {"RegJSCB_WM_DROPFILES", 1},
};

TEST(NativeTable, HasEveryScriptFunctionInBindingOrder) {
  const auto table = natives::Table();
  ASSERT_EQ(table.size(), std::size(kExpected));
  for (size_t i = 0; i < table.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "row " << i + 1);
    EXPECT_STREQ(table[i].name, kExpected[i].name);
    EXPECT_EQ(table[i].argCount, kExpected[i].argCount);
    EXPECT_NE(table[i].handler, nullptr);
  }
}

TEST(NativeTable, NamesAreUniqueAndCaseSensitive) {
  std::set<std::string> names;
  for (const auto& row : natives::Table()) EXPECT_TRUE(names.insert(row.name).second) << row.name;
  EXPECT_TRUE(names.count("WKELoadFile"));
  EXPECT_TRUE(names.count("wkeLoadFile"));
}

TEST(NativeTable, ReportsHowManyRowsStillWaitForTheirFunction) {
  size_t placeholders = 0;
  for (const auto& row : natives::Table()) placeholders += row.handler == &natives::NotYetBuilt ? 1 : 0;
  EXPECT_EQ(natives::NotYetBuiltCount(), placeholders);
  // The functions start-up and the first window need are real.
  for (const auto& row : natives::Table()) {
    const std::string name = row.name;
    if (name == "GetCoreVersion" || name == "wke_FILE_add_path" || name == "wkeCreateWindow" || name == "PostMessage") {
      EXPECT_NE(row.handler, &natives::NotYetBuilt) << name;
    }
  }
  std::printf("native functions still on the placeholder: %u of %u\n", static_cast<unsigned>(placeholders),
              static_cast<unsigned>(natives::Table().size()));
}

}  // namespace
