#pragma once
// Plug-in libraries are found only in the program's own folder. The process may run elevated,
// so a library of the same name in the current folder or on PATH must never be the one loaded.
#include <windows.h>

#include <string>
#include <string_view>

namespace plugin_path {

// The full path of the program's own module; empty when it cannot be read.
std::wstring ProgramPath();

// The full path of `relative` (for example L"plugins\\hwid.dll") in the folder of the
// program's own module; empty when that folder cannot be read or `relative` is not a plain
// relative name (empty, rooted, with a drive, or with a ".." part).
std::wstring BesideProgram(std::wstring_view relative);

// Loads the library at BesideProgram(relative); its own imports are looked up first in the
// library's folder. nullptr when the path is refused or the library does not load.
HMODULE Load(std::wstring_view relative);

}  // namespace plugin_path
