// Ownership of a child process a test started: however the test ends, the child is stopped and
// reaped within a bounded time, so a child that misses or ignores SIGTERM cannot hold up the
// suite.
#pragma once

#include <sys/types.h>

#include <chrono>

namespace quellora::testing {

/// Owns one child process (move-only). Stop() or the destructor ends it: SIGTERM, then SIGKILL
/// when it is still running after the grace period, then the wait that reaps it.
class ChildProcess {
 public:
  static constexpr std::chrono::milliseconds kDefaultGrace{3000};

  ChildProcess() = default;
  /// Takes over pid (a child of this process; -1 or 0: none).
  explicit ChildProcess(pid_t pid, std::chrono::milliseconds grace = kDefaultGrace)
      : pid_(pid), grace_(grace) {}
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess();

  /// Whether a child is owned (started and not yet stopped or seen to end).
  bool Owns() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  /// Whether the child is still running; one that has ended is reaped here and no longer owned.
  bool Running();

  /// Ends and reaps the child; afterwards nothing is owned. Returns its wait status, or -1 when
  /// there was no child to reap.
  int Stop() noexcept;

 private:
  pid_t pid_ = -1;
  std::chrono::milliseconds grace_ = kDefaultGrace;
};

}  // namespace quellora::testing
