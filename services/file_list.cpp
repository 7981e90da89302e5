#include "file_list.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <new>

#include "bridge/completion.h"
#include "bridge/script_values.h"
#include "file_natives.h"

namespace files {

namespace {

using EntryList = std::vector<FoundEntry>;

bool IsDotName(const wchar_t* name) {
  return CompareStringOrdinal(name, -1, L".", -1, TRUE) == CSTR_EQUAL ||
         CompareStringOrdinal(name, -1, L"..", -1, TRUE) == CSTR_EQUAL;
}

std::unique_ptr<EntryList> TakeEntries(CallbackList* list) {
  const VARIANT& item = callbacks::Item(list, 2);
  if (item.vt != VT_UI8) return nullptr;
  return std::unique_ptr<EntryList>(reinterpret_cast<EntryList*>(static_cast<uintptr_t>(item.ullVal)));
}

jsValue EntryObject(jsExecState es, const FoundEntry& entry) {
  const WIN32_FIND_DATAW& find = entry.find;
  const uint64_t size = (static_cast<uint64_t>(find.nFileSizeHigh) << 32) | find.nFileSizeLow;
  script::Record record(es);
  record.Set("fp", script::FromWide(es, entry.path))
      .Set("fa", script::Number(static_cast<double>(find.dwFileAttributes)))
      .Set("fs", script::Unsigned64(size))
      .Set("ftc", script::Unsigned64(UnixSeconds(find.ftCreationTime)))
      .Set("fta", script::Unsigned64(UnixSeconds(find.ftLastAccessTime)))
      .Set("ftw", script::Unsigned64(UnixSeconds(find.ftLastWriteTime)));
  return record.value();
}

}  // namespace

std::vector<FoundEntry> ListTree(std::wstring root, const std::wstring& pattern) {
  std::replace(root.begin(), root.end(), L'/', L'\\');
  std::vector<FoundEntry> entries;
  std::deque<std::wstring> folders{root};
  while (!folders.empty()) {
    const std::wstring folder = std::move(folders.front());
    folders.pop_front();
    const std::wstring search = folder + L"\\" + pattern;
    WIN32_FIND_DATAW find{};
    const HANDLE found = FindFirstFileW(search.c_str(), &find);
    if (found == INVALID_HANDLE_VALUE) continue;
    do {
      if (IsDotName(find.cFileName)) continue;
      std::wstring path = folder + L"\\" + find.cFileName;
      if (find.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) folders.push_back(path);
      entries.push_back(FoundEntry{std::move(path), find});
    } while (FindNextFileW(found, &find));
    FindClose(found);
  }
  return entries;
}

uint64_t UnixSeconds(const FILETIME& time) {
  const uint64_t ticks = (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return (ticks - 116444736000000000ULL) / 10000000ULL;
}

void SendFileList(HWND window, jsValue callback, std::vector<FoundEntry> entries) noexcept {
  CallbackList* list = callbacks::NewList(window, callback);
  if (!list) return;
  auto* owned = new (std::nothrow) EntryList(std::move(entries));
  if (!owned || !callbacks::AppendUInt64(list, reinterpret_cast<uintptr_t>(owned))) {
    delete owned;
    callbacks::Release(list);
    return;
  }
  // A receiver that claims the list takes its entries with it.
  if (!callbacks::SendTo(window, kFileListMessage, list)) {
    delete owned;
    callbacks::Release(list);
  }
}

LRESULT ReceiveFileList(jsExecState es, CallbackList* list) noexcept {
  if (!list) return 0;
  try {
    const std::unique_ptr<EntryList> entries = TakeEntries(list);
    if (es && entries) {
      script::List result(es);
      for (const FoundEntry& entry : *entries) result.Append(EntryObject(es, entry));
      jsValue argument = result.value();
      engine::api.jsCall(es, callbacks::CallbackValue(list), script::Undefined(), &argument, 1);
    }
  } catch (...) {}
  callbacks::Release(list);
  return 1;
}

}  // namespace files

namespace natives {

jsValue Js_GetFileList(jsExecState es) {
  const std::wstring root = script::Text(es, 0);
  const bool patternGiven = !script::IsFunction(es, 1);
  const std::wstring pattern = patternGiven ? script::Text(es, 1) : std::wstring(L"*.*");
  const completion::Target target = completion::TargetOf(es, patternGiven ? 2 : 1);
  const bool started = completion::StartWorker(
      [root, pattern, target] { files::SendFileList(target.window, target.callback, files::ListTree(root, pattern)); });
  return script::Boolean(started);
}

}  // namespace natives
