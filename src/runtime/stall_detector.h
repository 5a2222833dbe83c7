// The trickle rule shared by every transfer: a transfer that moves fewer than a minimum number
// of bytes per second, averaged over a sliding window of time, is stalled. Fed from libcurl's
// progress callbacks (called many times a second while data flows, about once a second while
// nothing moves).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>

namespace quellora {

class StallDetector {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  using Clock = std::function<TimePoint()>;

  /// The rule for minimumRate bytes per second over window, timed by the steady clock; the
  /// window starts now. A rate or window of 0 or less never says stalled.
  StallDetector(std::int64_t minimumRate, std::chrono::milliseconds window);
  /// The same, timed by clock (tests step a clock of their own); the window starts at clock().
  StallDetector(std::int64_t minimumRate, std::chrono::milliseconds window, Clock clock);

  /// Records that count bytes have moved so far and says whether the transfer is stalled: at
  /// least one window has passed since the start and the bytes moved within the last window
  /// are fewer than minimumRate times its length in seconds. count is a running total; a value
  /// below the previous one means the count started again (libcurl restarts it for a followed
  /// redirect) and counts as new bytes from zero.
  bool Stalled(std::int64_t count);

 private:
  // The bytes moved up to a moment, and when the bucket it stands for opened.
  struct Sample {
    TimePoint opened;
    TimePoint at;
    std::int64_t moved = 0;
  };

  Clock clock_;
  std::int64_t minimumRate_;
  std::chrono::milliseconds window_;
  // Samples closer together than this share one bucket, which bounds their number whatever
  // the call rate.
  std::chrono::milliseconds granularity_;
  TimePoint start_;
  std::int64_t lastCount_ = 0;
  std::int64_t moved_ = 0;
  // Oldest first; the front is the latest sample at least one window old once that much time
  // has passed (the start sample until then).
  std::deque<Sample> samples_;
};

}  // namespace quellora
