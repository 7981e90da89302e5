#pragma once
// One pass of a download: a transfer that starts where the file on disk ends and holds at most
// 1 MiB in memory. Bytes of an answer that continues the file end the pass once the buffer is
// full; an answer that carries the whole file from byte 0 instead (the file changed, or the
// server does not serve ranges) is streamed to the sink in pieces of under 1 MiB.
#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "download_response.h"

namespace download {

inline constexpr size_t kPassLimit = 0x100000;

// What a caller may add to every pass: onBytes runs on the transfer's thread after each piece
// of body received (a bandwidth limit sleeps there); receiveBytes, when nonzero, is the size of
// the transfer library's receive buffer (small pieces make a limit smooth).
struct PassHooks {
  std::function<void(size_t bytes)> onBytes;
  long receiveBytes = 0;
};

struct PassRequest {
  std::string url;  // UTF-8
  int64_t offset = 0;
  std::string validator;  // sent as If-Range with a range request
  CURLSH* share = nullptr;
  const std::atomic<bool>* stop = nullptr;  // set: the pass ends at once
  PassHooks hooks;
};

// Live figures of the pass in progress, read by the progress reporter.
struct PassProgress {
  std::atomic<int64_t> received{0};   // body bytes of the accepted answer so far
  std::atomic<bool> fromZero{false};  // the answer restarts the file at byte 0
};

struct PassResult {
  Response response;
  Verdict verdict = Verdict::kRefuse;
  std::string bytes;      // what is left to store after any streamed pieces
  bool streamed = false;  // pieces were already handed to the sink (the file restarts at 0)
  CURLcode code = CURLE_OK;
  bool sinkFailed = false;
};

// Stores a streamed piece; first is true for the first piece of an answer from byte 0.
using Sink = std::function<bool(const std::string& piece, bool first)>;

PassResult RunPass(const PassRequest& request, PassProgress& progress, const Sink& sink);

}  // namespace download
