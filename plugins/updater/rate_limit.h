#pragma once
// The bandwidth limit of a download and the speed it shows. The transfer thread accounts for
// every piece it receives; with a limit set it then sleeps until the bytes so far fit the rate.
// A download that fell behind (a pause, a slow server) may catch up by at most one second's
// worth, so the average never exceeds the limit by more than that.
#include <chrono>
#include <cstdint>
#include <mutex>

namespace update {

class RateLimit {
 public:
  using Clock = std::chrono::steady_clock;

  // 0: no limit. Starts a new measuring window.
  void Set(int64_t bytesPerSecond);
  int64_t Get() const;
  // A new download starts: windows start again and the speed is 0.
  void Restart();
  // How long the transfer thread must wait after receiving bytes at now (zero: go on).
  Clock::duration Account(size_t bytes, Clock::time_point now);
  // Bytes per second over the last half second or more of receiving; 0 when stopped.
  double Speed() const;
  void Stopped();

 private:
  mutable std::mutex lock_;
  int64_t limit_ = 0;
  bool started_ = false;
  Clock::time_point start_;
  int64_t bytes_ = 0;
  Clock::time_point speedStart_;
  int64_t speedBytes_ = 0;
  bool speedStarted_ = false;
  double speed_ = 0;
};

}  // namespace update
