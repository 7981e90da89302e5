#include "rate_limit.h"

namespace update {

void RateLimit::Set(int64_t bytesPerSecond) {
  const std::lock_guard<std::mutex> hold(lock_);
  limit_ = bytesPerSecond > 0 ? bytesPerSecond : 0;
  started_ = false;
}

int64_t RateLimit::Get() const {
  const std::lock_guard<std::mutex> hold(lock_);
  return limit_;
}

void RateLimit::Restart() {
  const std::lock_guard<std::mutex> hold(lock_);
  started_ = false;
  speedStarted_ = false;
  speed_ = 0;
}

RateLimit::Clock::duration RateLimit::Account(size_t bytes, Clock::time_point now) {
  const std::lock_guard<std::mutex> hold(lock_);
  if (!speedStarted_) {
    speedStarted_ = true;
    speedStart_ = now;
    speedBytes_ = 0;
  }
  speedBytes_ += static_cast<int64_t>(bytes);
  const auto measured = now - speedStart_;
  if (measured >= std::chrono::milliseconds(500)) {
    speed_ = static_cast<double>(speedBytes_) / std::chrono::duration<double>(measured).count();
    speedStart_ = now;
    speedBytes_ = 0;
  }
  if (limit_ <= 0) return Clock::duration::zero();
  if (!started_) {
    started_ = true;
    start_ = now;
    bytes_ = 0;
  }
  bytes_ += static_cast<int64_t>(bytes);
  const auto due = start_ + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                                static_cast<double>(bytes_) / static_cast<double>(limit_)));
  if (now - due > std::chrono::seconds(1)) {
    // Far behind: the window starts again one second back, so at most a second's worth comes at once.
    start_ = now - std::chrono::seconds(1);
    bytes_ = static_cast<int64_t>(bytes);
    return Clock::duration::zero();
  }
  return due > now ? due - now : Clock::duration::zero();
}

double RateLimit::Speed() const {
  const std::lock_guard<std::mutex> hold(lock_);
  return speed_;
}

void RateLimit::Stopped() {
  const std::lock_guard<std::mutex> hold(lock_);
  speed_ = 0;
  speedStarted_ = false;
  started_ = false;
}

}  // namespace update
