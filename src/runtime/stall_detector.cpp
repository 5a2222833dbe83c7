#include "runtime/stall_detector.h"

#include <algorithm>
#include <utility>

namespace quellora {
namespace {

constexpr int kBucketsPerWindow = 64;

}  // namespace

StallDetector::StallDetector(std::int64_t minimumRate, std::chrono::milliseconds window)
    : StallDetector(minimumRate, window, [] { return std::chrono::steady_clock::now(); }) {}

StallDetector::StallDetector(std::int64_t minimumRate, std::chrono::milliseconds window,
                             Clock clock)
    : clock_(std::move(clock)),
      minimumRate_(minimumRate),
      window_(window),
      granularity_(std::max(window / kBucketsPerWindow, std::chrono::milliseconds(1))),
      start_(clock_()) {
  samples_.push_back({start_, start_, 0});
}

bool StallDetector::Stalled(std::int64_t count) {
  if (minimumRate_ <= 0 || window_.count() <= 0) return false;
  const TimePoint now = clock_();
  moved_ += count >= lastCount_ ? count - lastCount_ : count;
  lastCount_ = count;

  // The start sample is never overwritten: it is the first window's baseline.
  Sample& last = samples_.back();
  if (samples_.size() >= 2 && now - last.opened < granularity_) {
    last.at = now;
    last.moved = moved_;
  } else {
    samples_.push_back({now, now, moved_});
  }
  // Keep exactly one sample at or before the window's start: the baseline.
  const TimePoint windowStart = now - window_;
  while (samples_.size() >= 2 && samples_[1].at <= windowStart) samples_.pop_front();

  if (now - start_ < window_) return false;
  // The baseline may lie up to one bucket before the window's start: the span judged is then a
  // little longer than the window, which only errs toward "still moving".
  const std::int64_t inWindow = moved_ - samples_.front().moved;
  return inWindow * 1000 < minimumRate_ * window_.count();
}

}  // namespace quellora
