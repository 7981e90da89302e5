#include "download_fetch.h"

#include <windows.h>

#include <memory>
#include <mutex>

#include "base/utf8.h"
#include "download_file.h"
#include "download_state.h"

namespace download {

namespace {

struct ShareDeleter {
  void operator()(CURLSH* share) const noexcept { curl_share_cleanup(share); }
};

void InitOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_ALL); });
}

class Worker {
 public:
  Worker(const std::wstring& url, const std::wstring& path, Figures& figures, const Controls& controls)
      : url_(url), path_(path), figures_(figures), controls_(controls) {}

  Ending Run() {
    Resume();
    std::unique_ptr<CURLSH, ShareDeleter> share(curl_share_init());
    if (share) {
      // One connection, TLS session and name lookup serve every pass of the download.
      curl_share_setopt(share.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
      curl_share_setopt(share.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
      curl_share_setopt(share.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    }
    int failures = 0;
    int startOvers = 0;
    for (;;) {
      if (IsComplete()) return Ending::kComplete;
      if (Stopping()) return Ending::kStopped;
      const Outcome outcome = Pass(share.get());
      if (outcome == Outcome::kStopped) return Stopping() ? Ending::kStopped : Ending::kGaveUp;
      if (outcome == Outcome::kStartedOver && ++startOvers > kMaxFailedPasses) return Ending::kGaveUp;
      if (outcome == Outcome::kProgress) {
        failures = 0;
        continue;
      }
      if (outcome == Outcome::kFailed) {
        if (Stopping()) return Ending::kStopped;
        if (++failures >= kMaxFailedPasses) return Ending::kGaveUp;
        if (!Pause(BackoffMs(failures))) return Ending::kStopped;
      }
    }
  }

 private:
  bool Stopping() const { return controls_.stop && controls_.stop->load(); }

  // Waits, waking early when a stop is asked for; false then.
  bool Pause(unsigned ms) const {
    for (unsigned waited = 0; waited < ms; waited += 50) {
      if (Stopping()) return false;
      Sleep(ms - waited < 50 ? ms - waited : 50);
    }
    return !Stopping();
  }

  enum class Outcome { kProgress, kFailed, kStartedOver, kStopped };

  // Continues from the state file when the target is exactly as it recorded, for the same URL;
  // anything else starts from byte 0.
  void Resume() {
    state_ = ReadState(path_);
    const std::string url = text::WideToUtf8(url_);
    const int64_t size = FileSize(path_);
    if (state_.found && size == state_.downloaded && (state_.url.empty() || state_.url == url)) {
      totalKnown_ = state_.total > 0 || state_.downloaded == 0;
    } else {
      StartOver();
    }
    state_.url = url;
    Publish();
  }

  void StartOver() {
    DeleteFileW(path_.c_str());
    state_.total = 0;
    state_.downloaded = 0;
    state_.validator.clear();
    totalKnown_ = false;
  }

  bool IsComplete() const {
    return totalKnown_ && state_.downloaded == state_.total && FileSize(path_) == state_.downloaded;
  }

  void Publish() {
    figures_.stored = state_.downloaded;
    figures_.total = totalKnown_ ? state_.total : -1;
  }

  // Appends a piece (cutting the file first for the first piece of an answer from byte 0) and
  // records the new size in the state file.
  bool Store(const std::string& bytes, bool truncateFirst) {
    CreateParentFolders(path_);
    if (!AppendBytes(path_, bytes, truncateFirst)) return false;
    state_.downloaded = FileSize(path_);
    if (state_.downloaded < 0) return false;
    Publish();
    return WriteState(path_, state_);
  }

  void LearnTotal(const Response& response, int64_t offset) {
    const int64_t full = FullSize(response, offset);
    if (full >= 0) {
      state_.total = full;
      totalKnown_ = true;
    }
  }

  Outcome Pass(CURLSH* share) {
    PassRequest request;
    request.url = state_.url;
    request.offset = state_.downloaded;
    request.validator = state_.validator;
    request.share = share;
    request.stop = controls_.stop;
    request.hooks = controls_.hooks;
    // The figures of the last pass stay up until its bytes are stored, so the page never sees
    // the count go back while an append waits for a file another program holds.
    figures_.pass.received = 0;
    figures_.passOffset = request.offset;
    const Sink sink = [&](const std::string& piece, bool first) { return Store(piece, first); };
    PassResult result = RunPass(request, figures_.pass, sink);
    if (Stopping()) return Outcome::kStopped;
    const Response& response = result.response;
    if (result.sinkFailed) return Outcome::kStopped;
    switch (result.verdict) {
      case Verdict::kRefuse: return Outcome::kFailed;
      case Verdict::kRangeEnd:
        // Nothing lies beyond the bytes on disk. Either this is the end of a file whose size was
        // never announced, or the file on the server is now another, shorter one.
        if (response.rangeTotal == request.offset || (!totalKnown_ && response.rangeTotal < 0)) {
          state_.total = request.offset;
          totalKnown_ = true;
          Publish();
          return WriteState(path_, state_) ? Outcome::kProgress : Outcome::kStopped;
        }
        StartOver();
        WriteState(path_, state_);
        Publish();
        return Outcome::kStartedOver;
      case Verdict::kAppend: {
        const std::string validator = response.Validator();
        if (request.offset > 0 && !validator.empty() && !state_.validator.empty() && validator != state_.validator) {
          // A server that ignored If-Range sent part of another file.
          StartOver();
          Publish();
          return Outcome::kStartedOver;
        }
        if (request.offset == 0 || state_.validator.empty()) state_.validator = validator;
        LearnTotal(response, request.offset);
        if (result.bytes.empty()) {
          if (result.code != CURLE_OK) return Outcome::kFailed;
          // A whole answer with no bytes: the end of a file of unknown size, or an empty file.
          if (!totalKnown_) {
            state_.total = request.offset;
            totalKnown_ = true;
          }
          Publish();
          if (request.offset == 0 && !Store(std::string(), true)) return Outcome::kStopped;
          if (!WriteState(path_, state_)) return Outcome::kStopped;
          return state_.total == request.offset ? Outcome::kProgress : Outcome::kFailed;
        }
        // Without a size, even a transfer that ended cleanly may have been cut short: the next
        // pass asks for what follows and learns the end from an empty answer.
        return Store(result.bytes, false) ? Outcome::kProgress : Outcome::kStopped;
      }
      case Verdict::kStartOver: {
        // The whole file from byte 0: what was on disk goes.
        state_.validator = response.Validator();
        state_.total = 0;
        totalKnown_ = false;
        LearnTotal(response, 0);
        if (!result.streamed || !result.bytes.empty()) {
          if (!Store(result.bytes, !result.streamed)) return Outcome::kStopped;
        }
        if (!totalKnown_ && result.code == CURLE_OK) {
          state_.total = state_.downloaded;
          totalKnown_ = true;
          Publish();
          if (!WriteState(path_, state_)) return Outcome::kStopped;
        }
        return Outcome::kStartedOver;
      }
    }
    return Outcome::kFailed;
  }

  const std::wstring& url_;
  const std::wstring& path_;
  Figures& figures_;
  const Controls& controls_;
  State state_;
  bool totalKnown_ = false;
};

}  // namespace

unsigned BackoffMs(int failures) {
  unsigned delay = kFirstBackoffMs;
  for (int i = 1; i < failures && delay < kLongestBackoffMs; ++i) delay *= 2;
  return delay < kLongestBackoffMs ? delay : kLongestBackoffMs;
}

bool CurrentFigures(const Figures& figures, int64_t& downloaded, int64_t& total) {
  total = figures.total;
  if (total <= 0) return false;
  downloaded = figures.stored;
  const int64_t received = figures.pass.received;
  if (received > 0) downloaded = (figures.pass.fromZero ? 0 : figures.passOffset.load()) + received;
  if (downloaded >= total) return false;
  return true;
}

Ending Fetch(const std::wstring& url, const std::wstring& path, Figures& figures, const Controls& controls) {
  InitOnce();
  return Worker(url, path, figures, controls).Run();
}

bool FetchSmall(const std::string& url, size_t maxBytes, std::string& body) {
  InitOnce();
  PassRequest request;
  request.url = url;
  PassProgress progress;
  // A document larger than one pass never fits: the sink refuses it.
  const Sink refuse = [](const std::string&, bool) { return false; };
  PassResult result = RunPass(request, progress, refuse);
  if (result.code != CURLE_OK || result.streamed || result.sinkFailed) return false;
  if (result.verdict != Verdict::kAppend && result.verdict != Verdict::kStartOver) return false;
  const int64_t full = FullSize(result.response, 0);
  if (full >= 0 && full != static_cast<int64_t>(result.bytes.size())) return false;
  if (result.bytes.size() > maxBytes) return false;
  body = std::move(result.bytes);
  return true;
}

}  // namespace download
