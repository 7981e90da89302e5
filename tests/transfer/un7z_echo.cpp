// A stand-in for plugins\7zC.dll that extracts nothing: its one report hands back what the host
// passed. text = archive|destination|prefix|reserved, number = the last argument, and done and
// total = the key.
#include <string>

#include "plugins/sdk/un7z.h"

extern "C" __declspec(dllexport) int __cdecl un7zW(const wchar_t* archive, const wchar_t* destination,
                                                   const wchar_t* prefix, const wchar_t* reserved,
                                                   Un7zProgress progress, uint32_t key, int32_t number) {
  const std::wstring text = std::wstring(archive) + L"|" + destination + L"|" + prefix + L"|" + reserved;
  progress(key, text.c_str(), static_cast<uint32_t>(number), key, key);
  return 0;
}
