#pragma once
// A download in the background: a worker that runs passes until the file is complete or the
// server keeps failing, and a reporter that calls the page's function with (downloaded, total)
// at a fixed interval. The final report, downloaded equal to total, comes only after the last
// bytes and the state file are on disk; a download that gives up never claims completion.
#include <cstdint>
#include <string>

#include "bridge/completion.h"

namespace download {

struct Request {
  std::wstring url;
  std::wstring path;
  unsigned intervalMs = 100;
  completion::Target target;
};

// Starts the worker; false when no thread could be started.
bool Start(Request request) noexcept;

}  // namespace download
