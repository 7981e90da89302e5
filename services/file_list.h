#pragma once
// Listing a folder tree for GetFileList: the walk (on a worker) and the file-list message that
// hands the result to the page's window, where it becomes the page's object.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bridge/callback_list.h"
#include "bridge/engine_api.h"

namespace files {

struct FoundEntry {
  std::wstring path;  // the folder, a backslash and the name
  WIN32_FIND_DATAW find;
};

// Breadth-first walk from root ("/" read as "\"): every name matching pattern in a folder is
// an entry, and matching folders are searched in turn after the folders found before them.
std::vector<FoundEntry> ListTree(std::wstring root, const std::wstring& pattern);

// Whole seconds since 1970-01-01 UTC, by unsigned 64-bit arithmetic.
uint64_t UnixSeconds(const FILETIME& time);

// From the worker: sends entries to the target's window with the file-list message and waits
// until the page's callback has run. Entries never taken by a window are freed here.
void SendFileList(HWND window, jsValue callback, std::vector<FoundEntry> entries) noexcept;

// On the UI thread, for the file-list message: builds the entry objects, calls the callback
// with them and frees the list. es is null when the window has no page any more. Returns 1:
// the list was taken.
LRESULT ReceiveFileList(jsExecState es, CallbackList* list) noexcept;

}  // namespace files
