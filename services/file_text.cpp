#include "file_text.h"

#include <windows.h>

#include <atomic>
#include <string>

#include "base/utf8.h"
#include "base/win_handles.h"
#include "bridge/script_values.h"
#include "file_folders.h"
#include "file_natives.h"
#include "host/package.h"

namespace files {

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr int kNameAttempts = 16;

bool WriteAll(HANDLE file, std::string_view bytes) {
  DWORD written = 0;
  return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
}

// A new, empty file beside path (same folder, so the final move is a rename), named after it.
win::FileHandle CreateTemporaryBeside(const std::wstring& path, std::wstring* temporaryPath) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    *temporaryPath =
        path + L".~" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + L".tmp";
    win::FileHandle file(
        CreateFileW(temporaryPath->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file || GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return win::FileHandle();
}

// The mark and the text into a temporary file, which then replaces path in one step: readers
// see the old content or the new, never a part, and a failure leaves the old file as it was.
bool ReplaceWithText(const std::wstring& path, std::string_view text) {
  std::wstring temporaryPath;
  win::FileHandle file = CreateTemporaryBeside(path, &temporaryPath);
  if (!file) return false;
  const bool written = WriteAll(file.get(), std::string_view(kByteOrderMark, 3)) && WriteAll(file.get(), text) &&
                       FlushFileBuffers(file.get());
  file.reset();
  if (!written) {
    DeleteFileW(temporaryPath.c_str());
    return false;
  }
  // A read-only file is replaced too; it gets its attributes back when it stays.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
                        !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  if (readOnly) SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  if (MoveFileExW(temporaryPath.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  DeleteFileW(temporaryPath.c_str());
  if (readOnly) SetFileAttributesW(path.c_str(), attributes);
  return false;
}

}  // namespace

std::string_view TextOfContent(std::string_view content) {
  if (content.size() >= 3 && content.substr(0, 3) == kByteOrderMark) content.remove_prefix(3);
  const size_t zero = content.find('\0');
  return zero == std::string_view::npos ? content : content.substr(0, zero);
}

int64_t WriteUtf8Text(const std::wstring& path, std::string_view text) {
  CreateParentFolders(path);
  if (!ReplaceWithText(path, text)) return -1;
  return 3 + static_cast<int64_t>(text.size());
}

}  // namespace files

namespace natives {

jsValue Js_ReadUTF8File(jsExecState es) {
  const std::string name = text::WideToUtf8(script::Text(es, 0));
  package::FilePtr file = package::Lookup(name.c_str());
  if (!file) return script::FromUtf8(es, "");
  std::string content(package::Size(*file), '\0');
  size_t filled = 0;
  while (filled < content.size()) {
    const int read = package::Read(*file, content.data() + filled, static_cast<unsigned>(content.size() - filled));
    if (read <= 0) break;
    filled += static_cast<size_t>(read);
  }
  content.resize(filled);
  file.reset();
  return script::FromUtf8(es, files::TextOfContent(content));
}

jsValue Js_WriteUTF8File(jsExecState es) {
  const std::wstring path = script::Text(es, 0);
  const std::string text = script::Utf8(es, 1);
  const int64_t written = files::WriteUtf8Text(path, text);
  return written < 0 ? script::Integer(-1) : script::Unsigned64(static_cast<uint64_t>(written));
}

}  // namespace natives
