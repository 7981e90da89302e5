// A stand-in for the game the launcher starts. It appends one report to "<its own path>.txt"
// and exits with 0: its command line, the language choices it finds in the registry (which
// langset must have written before it ran) and the launcher's process-id variable.
//   command <command line>
//   Language <n> | Language missing
//   LanguageVoice <n> | LanguageVoice missing
//   launcher <WEBSHELL_LAUNCHER_PID> | launcher (unset)
#include <windows.h>

#include <string>

#include "base/utf8.h"
#include "langset/game_settings_key.h"

namespace {

std::string Dword(const wchar_t* name) {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, kGameSettingsKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
      ERROR_SUCCESS) {
    return "missing";
  }
  return std::to_string(value);
}

std::string Variable(const wchar_t* name) {
  const DWORD needed = GetEnvironmentVariableW(name, nullptr, 0);
  if (needed == 0) return "(unset)";
  std::wstring value(needed, L'\0');
  GetEnvironmentVariableW(name, value.data(), needed);
  return text::WideToUtf8(value.c_str());
}

}  // namespace

int wmain() {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::string report = "command " + text::WideToUtf8(GetCommandLineW()) + "\n" + "Language " +
                             Dword(L"Language") + "\n" + "LanguageVoice " + Dword(L"LanguageVoice") + "\n" +
                             "launcher " + Variable(L"WEBSHELL_LAUNCHER_PID") + "\n";
  const HANDLE file = CreateFileW((std::wstring(self) + L".txt").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(file, report.data(), static_cast<DWORD>(report.size()), &written, nullptr);
  CloseHandle(file);
  return 0;
}
