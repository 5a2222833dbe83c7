// Holding back requests to a host that asked for a pause (a Retry-After answer): once
// PauseHost(host, until) has been called, WaitForHost(host) lets no caller through before until.
//
// Thread-safe: one gate is shared by every worker. Hosts are compared without regard to ASCII
// case. A pause is only ever lengthened: a shorter PauseHost for the same host changes nothing.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace quellora {

class HostGate {
 public:
  using Clock = std::chrono::steady_clock;
  /// The clock the gate reads; tests inject one they move by hand.
  using Now = std::function<Clock::time_point()>;

  /// now defaults to Clock::now.
  explicit HostGate(Now now = {});
  HostGate(const HostGate&) = delete;
  HostGate& operator=(const HostGate&) = delete;

  /// No request to host before until (on the gate's clock).
  void PauseHost(std::string_view host, Clock::time_point until);
  /// PauseHost(host, now + wait).
  void PauseHostFor(std::string_view host, std::chrono::milliseconds wait);

  /// Blocks until host's pause has passed (at once when it has none); true then. When
  /// interruptible, looks at Interrupted() at least every kInterruptPoll and returns false as
  /// soon as it is set. The clock is read again at every look, so an injected clock that moves
  /// lets the caller through within about kInterruptPoll.
  bool WaitForHost(std::string_view host, bool interruptible = true);

  /// The end of host's pause; std::nullopt when it has none or it has passed.
  std::optional<Clock::time_point> PausedUntil(std::string_view host) const;

 private:
  Now now_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::string, Clock::time_point, std::less<>> pauses_;
};

}  // namespace quellora
