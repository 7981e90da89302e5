#pragma once
// A whole download on the calling thread: passes until the file on disk is complete or the
// server keeps failing, resuming from the state file beside the target. Used by the page
// function curl_http_download and by the updater plug-in, which adds a stop request and a
// bandwidth limit. Depends on base/ and the transfer libraries only.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "download_pass.h"

namespace download {

inline constexpr int kMaxFailedPasses = 8;
inline constexpr unsigned kFirstBackoffMs = 250;
inline constexpr unsigned kLongestBackoffMs = 30000;

// The pause after the n-th failing pass in a row (n from 1): 250 ms doubling up to 30 s.
unsigned BackoffMs(int failures);

// Live figures of a download, read by other threads while it runs.
struct Figures {
  PassProgress pass;
  std::atomic<int64_t> stored{0};  // bytes on disk
  std::atomic<int64_t> total{-1};  // -1 while unknown
  std::atomic<int64_t> passOffset{0};
};

// What a page or the updater is shown while a download runs: never downloaded == total before
// the file is complete on disk. False while the size is unknown or at the end.
bool CurrentFigures(const Figures& figures, int64_t& downloaded, int64_t& total);

struct Controls {
  const std::atomic<bool>* stop = nullptr;  // set: the download ends soon, the file kept to resume
  PassHooks hooks;                          // see download_pass.h
};

enum class Ending { kComplete, kGaveUp, kStopped };

Ending Fetch(const std::wstring& url, const std::wstring& path, Figures& figures, const Controls& controls = {});

// A small document (a manifest, a signature) into memory with one request: only a whole success
// answer from a trusted server of at most maxBytes counts. False otherwise.
bool FetchSmall(const std::string& url, size_t maxBytes, std::string& body);

}  // namespace download
