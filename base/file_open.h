#pragma once
// Opening an output file the way downloads and extraction write them.
#include <windows.h>

#include <string>

#include "win_handles.h"

namespace win {

// Opens the file for writing, shared with nobody, after clearing its attributes to normal when
// it is read-only, hidden or system (so such a file is written too). disposition as for
// CreateFileW.
FileHandle OpenForWriting(const std::wstring& path, DWORD disposition);

}  // namespace win
