#pragma once
// Creating the folders a file path needs before the file can be written.
#include <string>

namespace files {

// Creates the folder that would hold the file at path ("/" read as "\"), and every missing
// folder above it. True when the last creation succeeded; an existing folder reports false,
// which callers ignore. A path without any "\" creates nothing.
bool CreateParentFolders(const std::wstring& path);

}  // namespace files
