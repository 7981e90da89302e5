#include "platform/console.h"

#include <string>

#include "base/win_handles.h"
#include "core/text.h"
#include "wke.h"

namespace console {

void Write(std::string_view level, std::string_view message) {
  std::wstring line = L"[" + text::Utf8ToWide(level) + L"] " + text::CesuToWide(message);
  for (wchar_t& c : line) {
    if (c == L'\r' || c == L'\n') c = L' ';
  }
  OutputDebugStringW((line + L"\n").c_str());
  wchar_t path[MAX_PATH + 1];
  DWORD n = GetEnvironmentVariableW(WKE_CONSOLE_LOG_VARIABLE, path, MAX_PATH + 1);
  if (n == 0 || n > MAX_PATH) return;
  win::FileHandle file(CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  std::string bytes = text::WideToUtf8(line) + "\n";
  DWORD written = 0;
  WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace console
