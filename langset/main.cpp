// langset: writes a game's text and voice language choices into the current user's registry.
// Windowless (GUI subsystem, so starting it opens no console); prints nothing; exit code 0.
#include <windows.h>

#include "arguments.h"
#include "game_settings_key.h"

namespace {

LONG CreateSettingsKey(HKEY* key) {
  return RegCreateKeyExW(HKEY_CURRENT_USER, kGameSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                         key, nullptr);
}

// Each value opens the key for itself, so a failure for one still lets the other be written.
void WriteDword(const wchar_t* name, DWORD value) {
  HKEY key = nullptr;
  LONG status = CreateSettingsKey(&key);
  if (status == ERROR_BAD_PATHNAME) status = CreateSettingsKey(&key);
  if (status != ERROR_SUCCESS) return;
  RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
}

// A Windows command line has at most 32767 characters.
wchar_t g_argumentText[32768];

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const wchar_t* arguments[3] = {};
  const size_t total = langset::SplitCommandLine(GetCommandLineW(), g_argumentText, arguments, 3);
  const size_t count = total == 0 ? 0 : total - 1;
  if (count == 0) {
    WriteDword(L"Language", 1);
    WriteDword(L"LanguageVoice", 0);
    return 0;
  }
  WriteDword(L"Language", langset::ToUnsigned(arguments[1]));
  if (count >= 2) WriteDword(L"LanguageVoice", langset::ToUnsigned(arguments[2]));
  return 0;
}
