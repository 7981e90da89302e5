#pragma once
// Opening an output file the way downloads and extraction write them.
#include <windows.h>

#include <string>

#include "win_handles.h"

namespace win {

// Opens the file for writing, shared with nobody, after clearing its attributes to normal (so a
// read-only or hidden file is written too). disposition as for CreateFileW.
FileHandle OpenForWriting(const std::wstring& path, DWORD disposition);

}  // namespace win
