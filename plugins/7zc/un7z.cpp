// plugins\7zC.dll: 7z extraction for un7z; the contract is plugins/sdk/un7z.h.
#include "extraction.h"
#include "plugins/sdk/un7z.h"

extern "C" __declspec(dllexport) int __cdecl un7zW(const wchar_t* archive, const wchar_t* destination,
                                                   const wchar_t* prefix, const wchar_t* reserved,
                                                   Un7zProgress progress, uint32_t key, int32_t interval) {
  (void)reserved;
  try {
    un7z::Request request;
    request.archive = archive ? archive : L"";
    request.destination = destination ? destination : L"";
    request.prefix = prefix ? prefix : L"";
    request.progress = progress;
    request.key = key;
    request.intervalMs = interval > 0 ? static_cast<uint32_t>(interval) : 0;
    un7z::Extract(request);
  } catch (...) {
    // Only copying the three strings can fail here; the last report must still go out.
    if (progress) progress(key, L"", kUn7zNoMemory, 0, 0);
    return kUn7zNoMemory;
  }
  return 0;
}
