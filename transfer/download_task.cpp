#include "download_task.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>

#include "base/owned_handles.h"
#include "base/utf8.h"
#include "base/win_handles.h"
#include "download_file.h"
#include "download_pass.h"
#include "download_state.h"

namespace download {

namespace {

struct ShareDeleter {
  void operator()(CURLSH* share) const noexcept { curl_share_cleanup(share); }
};

// Shared by the worker and the reporter; freed with the last of them.
struct Task {
  Request request;
  PassProgress pass;
  std::atomic<int64_t> stored{0};  // bytes on disk
  std::atomic<int64_t> total{-1};  // -1 while unknown
  std::atomic<int64_t> passOffset{0};
  std::atomic<bool> complete{false};
  win::HostKernelHandle finished{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

void InitOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_ALL); });
}

// What the page is told while the worker runs: never downloaded == total before the worker
// says the file is complete on disk.
bool CurrentFigures(const Task& task, int64_t& downloaded, int64_t& total) {
  total = task.total;
  if (total <= 0) return false;
  downloaded = task.stored;
  const int64_t received = task.pass.received;
  if (received > 0) downloaded = (task.pass.fromZero ? 0 : task.passOffset.load()) + received;
  if (downloaded >= total) return false;
  return true;
}

void Report(const Task& task, int64_t downloaded, int64_t total) {
  completion::Send(task.request.target, {static_cast<double>(downloaded), static_cast<double>(total)});
}

void RunReporter(const std::shared_ptr<Task>& task) {
  for (;;) {
    const bool finished = WaitForSingleObject(task->finished.get(), 0) == WAIT_OBJECT_0;
    if (finished) {
      if (task->complete) Report(*task, task->total, task->total);
      return;
    }
    int64_t downloaded = 0;
    int64_t total = 0;
    if (CurrentFigures(*task, downloaded, total)) Report(*task, downloaded, total);
    WaitForSingleObject(task->finished.get(), task->request.intervalMs);
  }
}

class Worker {
 public:
  explicit Worker(std::shared_ptr<Task> task) : task_(std::move(task)), path_(task_->request.path) {}

  void Run() {
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
      if (IsComplete()) {
        task_->complete = true;
        return;
      }
      const Outcome outcome = Pass(share.get());
      if (outcome == Outcome::kStopped) return;
      if (outcome == Outcome::kStartedOver && ++startOvers > kMaxFailedPasses) return;
      if (outcome == Outcome::kProgress) {
        failures = 0;
        continue;
      }
      if (outcome == Outcome::kFailed) {
        if (++failures >= kMaxFailedPasses) return;
        Sleep(BackoffMs(failures));
      }
    }
  }

 private:
  enum class Outcome { kProgress, kFailed, kStartedOver, kStopped };

  // Continues from the state file when the target is exactly as it recorded, for the same URL;
  // anything else starts from byte 0.
  void Resume() {
    state_ = ReadState(path_);
    const std::string url = text::WideToUtf8(task_->request.url);
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
    task_->stored = state_.downloaded;
    task_->total = totalKnown_ ? state_.total : -1;
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
    // The figures of the last pass stay up until its bytes are stored, so the page never sees
    // the count go back while an append waits for a file another program holds.
    task_->pass.received = 0;
    task_->passOffset = request.offset;
    const Sink sink = [&](const std::string& piece, bool first) { return Store(piece, first); };
    PassResult result = RunPass(request, task_->pass, sink);
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

  std::shared_ptr<Task> task_;
  std::wstring path_;
  State state_;
  bool totalKnown_ = false;
};

}  // namespace

unsigned BackoffMs(int failures) {
  unsigned delay = kFirstBackoffMs;
  for (int i = 1; i < failures && delay < kLongestBackoffMs; ++i) delay *= 2;
  return delay < kLongestBackoffMs ? delay : kLongestBackoffMs;
}

bool Start(Request request) noexcept {
  try {
    InitOnce();
    auto task = std::make_shared<Task>();
    task->request = std::move(request);
    if (!task->finished) return false;
    return completion::StartWorker([task] {
      // The reporter starts with the worker and ends once the worker has ended.
      completion::StartWorker([task] { RunReporter(task); });
      try {
        Worker(task).Run();
      } catch (...) {}
      SetEvent(task->finished.get());
    });
  } catch (...) {
    return false;
  }
}

}  // namespace download
