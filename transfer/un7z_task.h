#pragma once
// One un7z call on a worker thread: the archive's record in the progress table is claimed and,
// when no extraction of that archive runs, the plug-in extracts it on this thread.
#include <cstdint>
#include <string>

#include "bridge/completion.h"

namespace extract7z {

// The plug-in's last argument when the page gives none.
inline constexpr int kDefaultNumber = 300;

struct Request {
  completion::Target target;
  std::wstring archive;
  std::wstring destination;
  std::wstring prefix;
  std::wstring reserved;
  int number = kDefaultNumber;
};

// False when no worker could be started.
bool Start(Request request) noexcept;

// The progress function the host hands to the plug-in: the report goes to the archive's newest
// caller as callback(text, number, done, total); done == total ends the extraction.
int __cdecl HostProgress(uint32_t key, const wchar_t* text, uint32_t number, uint64_t done, uint64_t total);

}  // namespace extract7z
