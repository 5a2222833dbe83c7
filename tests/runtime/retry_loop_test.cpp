#include "runtime/retry_loop.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <future>
#include <vector>

#include "interrupt_reset.h"

namespace quellora {
namespace {

using Clock = HostGate::Clock;
using std::chrono::seconds;

constexpr const char* kHost = "media.example";

// Quick retries: a millisecond's backoff.
RetryPolicy QuickPolicy(int retries) {
  return RetryPolicy(RetrySettings{retries, 0.001});
}

class RetryLoopTest : public testing::InterruptReset {
 protected:
  HostGate gate_;
  std::vector<int> tries_;
};

TEST_F(RetryLoopTest, ASuccessfulFirstTryIsSavedWithOneTry) {
  const Outcome outcome = RunWithRetries(QuickPolicy(3), gate_, kHost, [this](int n) {
    tries_.push_back(n);
    return std::optional<FailedTry>();
  });
  EXPECT_EQ(outcome, Outcome::Saved(1));
  EXPECT_EQ(tries_, std::vector<int>{1});
}

TEST_F(RetryLoopTest, TransientFailuresAreTriedAgain) {
  const Outcome outcome =
      RunWithRetries(QuickPolicy(3), gate_, kHost, [this](int n) -> std::optional<FailedTry> {
        tries_.push_back(n);
        if (n == 1) return FailedTry::Of(FailureKind::kReset);
        if (n == 2) return FailedTry::Http(502);
        return std::nullopt;
      });
  EXPECT_EQ(outcome, Outcome::Saved(3));
  EXPECT_EQ(tries_, (std::vector<int>{1, 2, 3}));
}

TEST_F(RetryLoopTest, GivesUpAfterTheLastRetry) {
  const Outcome outcome = RunWithRetries(QuickPolicy(2), gate_, kHost, [this](int n) {
    tries_.push_back(n);
    return std::optional<FailedTry>(FailedTry::Http(503));
  });
  EXPECT_EQ(outcome, Outcome::Transient("HTTP 503, 3 tries", 3));
  EXPECT_EQ(tries_, (std::vector<int>{1, 2, 3}));
}

TEST_F(RetryLoopTest, APermanentFailureEndsAtOnce) {
  const Outcome outcome = RunWithRetries(QuickPolicy(3), gate_, kHost, [this](int n) {
    tries_.push_back(n);
    return std::optional<FailedTry>(FailedTry::Http(404));
  });
  EXPECT_EQ(outcome, Outcome::Permanent("HTTP 404", 1));
  EXPECT_EQ(tries_, std::vector<int>{1});
}

TEST_F(RetryLoopTest, RetryAfterPausesTheHostInsteadOfTheBackoff) {
  // Each look at the gate's clock moves it a second on, so a 3 s pause passes after a few.
  std::atomic<Clock::rep> ticks{0};
  HostGate gate([&ticks] {
    return Clock::time_point(Clock::duration(ticks.fetch_add(Clock::duration(seconds(1)).count())));
  });
  const auto peek = [&ticks] { return Clock::time_point(Clock::duration(ticks.load())); };
  Clock::time_point firstTry;
  Clock::time_point secondTry;
  // No backoff at all: any wait before the second try comes from the Retry-After.
  const RetryPolicy policy(RetrySettings{3, 0.0});
  const Outcome outcome =
      RunWithRetries(policy, gate, kHost, [&](int n) -> std::optional<FailedTry> {
        if (n == 1) {
          firstTry = peek();
          return FailedTry::Http(503, "3");
        }
        secondTry = peek();
        return std::nullopt;
      });
  EXPECT_EQ(outcome, Outcome::Saved(2));
  EXPECT_GE(secondTry - firstTry, seconds(3));
}

TEST_F(RetryLoopTest, ATooLongRetryAfterFailsWithoutWaiting) {
  const Outcome outcome = RunWithRetries(QuickPolicy(3), gate_, kHost, [this](int n) {
    tries_.push_back(n);
    return std::optional<FailedTry>(FailedTry::Http(429, "3600"));
  });
  EXPECT_EQ(outcome.reason, "HTTP 429, Retry-After 3600 s is too long");
  EXPECT_EQ(tries_, std::vector<int>{1});
  EXPECT_FALSE(gate_.PausedUntil(kHost));
}

TEST_F(RetryLoopTest, AnInterruptEndsTheWaitBetweenTries) {
  // A minute's backoff: only the interrupt can end it early.
  const RetryPolicy slow(RetrySettings{3, 60.0});
  auto run = std::async(std::launch::async, [&] {
    return RunWithRetries(slow, gate_, kHost, [this](int n) {
      tries_.push_back(n);
      SetInterruptSignal(SIGINT);
      return std::optional<FailedTry>(FailedTry::Http(503));
    });
  });
  ASSERT_EQ(run.wait_for(seconds(20)), std::future_status::ready);
  EXPECT_EQ(run.get(), Outcome::Permanent("interrupted", 1));
  EXPECT_EQ(tries_, std::vector<int>{1});
}

TEST_F(RetryLoopTest, NothingIsTriedOnceInterrupted) {
  SetInterruptSignal(SIGTERM);
  const Outcome outcome = RunWithRetries(QuickPolicy(3), gate_, kHost, [this](int n) {
    tries_.push_back(n);
    return std::optional<FailedTry>();
  });
  EXPECT_EQ(outcome, Outcome::Permanent("interrupted", 0));
  EXPECT_TRUE(tries_.empty());
}

TEST_F(RetryLoopTest, ManyThreadsShareOnePolicyAndGate) {
  const RetryPolicy policy = QuickPolicy(3);
  std::vector<std::future<Outcome>> runs;
  for (int t = 0; t < 8; ++t) {
    runs.push_back(std::async(std::launch::async, [&policy, this, t] {
      return RunWithRetries(policy, gate_, t % 2 == 0 ? "a.example" : "b.example",
                            [](int n) -> std::optional<FailedTry> {
                              if (n == 1) return FailedTry::Http(503, "0");
                              if (n == 2) return FailedTry::Http(500);
                              return std::nullopt;
                            });
    }));
  }
  for (auto& run : runs) {
    ASSERT_EQ(run.wait_for(seconds(20)), std::future_status::ready);
    EXPECT_EQ(run.get(), Outcome::Saved(3));
  }
}

}  // namespace
}  // namespace quellora
