#pragma once
// Network reads for pages loaded by URL: libcurl on a worker thread (a plain Win32 thread),
// results posted to the engine window and handled on the UI thread. Workers never touch
// engine state.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace fetch {

// The engine window's message that carries a finished job.
constexpr UINT kMsgFetched = WM_APP + 0x32;

struct Job {
  int stage = 0;
  bool cookies = false;
  std::vector<std::string> urls;                   // UTF-8
  std::vector<std::optional<std::string>> bodies;  // filled by the worker, one per URL
  std::vector<std::string> finalUrls;              // after redirects
  // Called on the UI thread with the finished job.
  std::function<void(const Job&)> done;
};

void Init();
void Shutdown();
// Takes ownership; the job comes back through the engine window unless the engine is gone.
bool Start(Job* job);
// Called on the UI thread with a finished job (takes ownership).
void Delivered(Job* job);

}  // namespace fetch
