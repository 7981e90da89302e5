#include "file_text.h"

#include <windows.h>

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

// Bytes written at offset 0 (truncating) or at the end (appending); -1 on any failure.
int64_t WriteOnce(const std::wstring& path, std::string_view bytes, bool truncate) {
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  const win::FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                         truncate ? CREATE_ALWAYS : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return -1;
  if (!truncate && SetFilePointer(file.get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
      GetLastError() != NO_ERROR)
    return -1;
  DWORD written = 0;
  if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size())
    return -1;
  return written;
}

}  // namespace

std::string_view TextOfContent(std::string_view content) {
  if (content.size() >= 3 && content.substr(0, 3) == kByteOrderMark) content.remove_prefix(3);
  const size_t zero = content.find('\0');
  return zero == std::string_view::npos ? content : content.substr(0, zero);
}

int64_t WriteUtf8Text(const std::wstring& path, std::string_view text) {
  CreateParentFolders(path);
  const int64_t mark = WriteOnce(path, std::string_view(kByteOrderMark, 3), true);
  const int64_t body = WriteOnce(path, text, false);
  if (mark < 0 || body < 0) return -1;
  return mark + body;
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
