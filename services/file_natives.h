#pragma once
// Script functions over files and folders: copying, moving and deleting, probing, checksums,
// listings, UTF-8 text, disk space and the program's own locations.
#include "bridge/engine_api.h"

namespace natives {

jsValue Js_CopyFile(jsExecState es);
jsValue Js_MoveFileEx(jsExecState es);
jsValue Js_DeleteFile(jsExecState es);
jsValue Js_DeleteDirectory(jsExecState es);
jsValue Js_GetFileSize(jsExecState es);
jsValue Js_IsFileExists(jsExecState es);
jsValue Js_IsFileBeLock(jsExecState es);
jsValue Js_GetFileCRC32(jsExecState es);
jsValue Js_GetFileList(jsExecState es);
jsValue Js_ReadUTF8File(jsExecState es);
jsValue Js_WriteUTF8File(jsExecState es);
jsValue Js_GetDiskFreeSpaceEx(jsExecState es);
jsValue Js_GetCurrentDirectory(jsExecState es);
jsValue Js_GetProcessPath(jsExecState es);
jsValue Js_GetCommandLine(jsExecState es);
jsValue Js_SHGetSpecialFolderLocation(jsExecState es);

}  // namespace natives
