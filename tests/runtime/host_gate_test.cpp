#include "runtime/host_gate.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <future>
#include <optional>
#include <thread>
#include <vector>

#include "interrupt_reset.h"
#include "runtime/interruptible_sleep.h"

namespace quellora {
namespace {

using Clock = HostGate::Clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

// Long enough for any wait that should end to end; a gate that never opens is released by an
// interrupt, so no test can hang.
constexpr seconds kDeadline{20};

// A clock that moves only when the test moves it.
class ManualClock {
 public:
  Clock::time_point Now() const { return Clock::time_point(Clock::duration(ticks_.load())); }
  void Advance(Clock::duration by) { ticks_ += by.count(); }
  HostGate::Now Reader() const {
    return [this] { return Now(); };
  }

 private:
  std::atomic<Clock::rep> ticks_{Clock::duration(seconds(1000)).count()};
};

// WaitForHost on another thread, so that the test can look at it while it waits.
class Waiter {
 public:
  Waiter(HostGate& gate, std::string host, bool interruptible = true)
      : result_(std::async(std::launch::async, [&gate, host, interruptible, this] {
          const bool passed = gate.WaitForHost(host, interruptible);
          done_ = true;
          return passed;
        })) {}
  ~Waiter() {
    if (result_.valid() && result_.wait_for(kDeadline) != std::future_status::ready) {
      SetInterruptSignal(SIGINT);
    }
  }
  bool done() const { return done_; }
  // The result, or std::nullopt when the wait did not end before the deadline.
  std::optional<bool> Result() {
    if (result_.wait_for(kDeadline) != std::future_status::ready) return std::nullopt;
    return result_.get();
  }

 private:
  std::atomic<bool> done_{false};
  std::future<bool> result_;
};

class HostGateTest : public testing::InterruptReset {
 protected:
  ManualClock clock_;
  HostGate gate_{clock_.Reader()};
};

TEST_F(HostGateTest, AnUnpausedHostPassesAtOnce) {
  EXPECT_FALSE(gate_.PausedUntil("media.example"));
  EXPECT_TRUE(gate_.WaitForHost("media.example"));
}

TEST_F(HostGateTest, HoldsRequestsUntilThePauseHasPassed) {
  const Clock::time_point until = clock_.Now() + seconds(10);
  gate_.PauseHost("media.example", until);
  EXPECT_EQ(gate_.PausedUntil("media.example"), until);
  Waiter waiter(gate_, "media.example");
  clock_.Advance(seconds(5));
  std::this_thread::sleep_for(3 * kInterruptPoll);  // several looks at the clock
  EXPECT_FALSE(waiter.done());
  clock_.Advance(seconds(5));
  EXPECT_EQ(waiter.Result(), true);
  EXPECT_FALSE(gate_.PausedUntil("media.example"));
}

TEST_F(HostGateTest, OtherHostsAreNotHeld) {
  gate_.PauseHost("media.example", clock_.Now() + seconds(3600));
  EXPECT_TRUE(gate_.WaitForHost("pages.example"));
  EXPECT_TRUE(gate_.WaitForHost("media.example.org"));
}

TEST_F(HostGateTest, HostsCompareWithoutAsciiCase) {
  const Clock::time_point until = clock_.Now() + seconds(10);
  gate_.PauseHost("Media.EXAMPLE", until);
  EXPECT_EQ(gate_.PausedUntil("media.example"), until);
}

TEST_F(HostGateTest, APauseIsOnlyLengthened) {
  const Clock::time_point later = clock_.Now() + seconds(60);
  gate_.PauseHost("media.example", later);
  gate_.PauseHost("media.example", clock_.Now() + seconds(5));
  EXPECT_EQ(gate_.PausedUntil("media.example"), later);
  gate_.PauseHostFor("media.example", milliseconds(120'000));
  EXPECT_EQ(gate_.PausedUntil("media.example"), clock_.Now() + seconds(120));
}

TEST_F(HostGateTest, AnInterruptEndsTheWaitWithFalse) {
  gate_.PauseHost("media.example", clock_.Now() + seconds(3600));
  Waiter waiter(gate_, "media.example");
  SetInterruptSignal(SIGINT);
  EXPECT_EQ(waiter.Result(), false);
  EXPECT_FALSE(gate_.WaitForHost("media.example"));
}

TEST_F(HostGateTest, AnUninterruptibleWaitIgnoresTheInterrupt) {
  gate_.PauseHost("media.example", clock_.Now() + seconds(10));
  SetInterruptSignal(SIGINT);
  Waiter waiter(gate_, "media.example", false);
  std::this_thread::sleep_for(3 * kInterruptPoll);
  EXPECT_FALSE(waiter.done());
  clock_.Advance(seconds(10));
  EXPECT_EQ(waiter.Result(), true);
}

TEST_F(HostGateTest, EveryWaiterIsHeldAndLetThrough) {
  gate_.PauseHost("media.example", clock_.Now() + seconds(10));
  std::vector<std::unique_ptr<Waiter>> waiters;
  for (int i = 0; i < 8; ++i) waiters.push_back(std::make_unique<Waiter>(gate_, "media.example"));
  std::this_thread::sleep_for(2 * kInterruptPoll);
  for (const auto& waiter : waiters) EXPECT_FALSE(waiter->done());
  clock_.Advance(seconds(10));
  for (const auto& waiter : waiters) EXPECT_EQ(waiter->Result(), true);
}

TEST_F(HostGateTest, WithTheRealClockNoRequestGoesBeforeItsTime) {
  HostGate gate;
  const Clock::time_point paused = Clock::now();
  gate.PauseHostFor("media.example", milliseconds(200));
  std::vector<std::future<Clock::time_point>> passes;
  for (int i = 0; i < 4; ++i) {
    passes.push_back(std::async(std::launch::async, [&gate] {
      EXPECT_TRUE(gate.WaitForHost("media.example"));
      return Clock::now();
    }));
  }
  for (auto& pass : passes) {
    ASSERT_EQ(pass.wait_for(kDeadline), std::future_status::ready);
    EXPECT_GE(pass.get() - paused, milliseconds(200));
  }
}

TEST_F(HostGateTest, SleepUnlessInterruptedEndsEarlyOnAnInterrupt) {
  EXPECT_TRUE(SleepUnlessInterrupted(milliseconds(0)));
  EXPECT_TRUE(SleepUnlessInterrupted(milliseconds(-5)));
  const Clock::time_point before = Clock::now();
  EXPECT_TRUE(SleepUnlessInterrupted(milliseconds(150)));
  EXPECT_GE(Clock::now() - before, milliseconds(150));
  auto sleeper = std::async(std::launch::async, [] { return SleepUnlessInterrupted(seconds(60)); });
  SetInterruptSignal(SIGTERM);
  ASSERT_EQ(sleeper.wait_for(kDeadline), std::future_status::ready);
  EXPECT_FALSE(sleeper.get());
}

}  // namespace
}  // namespace quellora
