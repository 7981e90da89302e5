#pragma once
// One call of un7zW: the taken entries of a 7z archive written below the destination, with
// progress reports, and always one last report with done == total that says how it ended.
#include <cstdint>
#include <string>

#include "plugins/sdk/un7z.h"

namespace un7z {

struct Request {
  std::wstring archive;
  std::wstring destination;
  std::wstring prefix;
  Un7zProgress progress = nullptr;
  uint32_t key = 0;
  uint32_t intervalMs = 0;
};

// Runs the extraction on the calling thread; the last report is sent even when it fails.
void Extract(const Request& request) noexcept;

}  // namespace un7z
