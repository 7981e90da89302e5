#pragma once
// Where the game keeps its language choices, under HKEY_CURRENT_USER. The stand-in game of the
// launcher tests reads the same key.
inline constexpr wchar_t kGameSettingsKey[] = L"Software\\Quillmoor\\Lantern Harbor 9 for Orbit\\Graphic Setting";
