#pragma once
// One extraction of a ZIP archive on a worker thread: the selected entries are counted, then
// written below the destination in chunks, with callback(done, total) after each chunk.
#include <string>

#include "bridge/completion.h"

namespace unzip {

inline constexpr unsigned kChunkBytes = 0x400000;
inline constexpr unsigned kNameBuffer = 0x100000;
// The done figure of the last call when an entry could not be written or its data is damaged;
// the extraction ends there.
inline constexpr double kStoppedEarly = -1;

struct Request {
  completion::Target target;
  std::wstring archive;
  std::wstring prefix;
  std::wstring destination;
};

// False when no worker could be started.
bool Start(Request request) noexcept;

}  // namespace unzip
