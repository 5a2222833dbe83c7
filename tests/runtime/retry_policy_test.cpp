#include "runtime/retry_policy.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace quellora {
namespace {

using std::chrono::milliseconds;

struct ClassCase {
  FailureKind kind;
  long status;
  bool transient;
};

class Classification : public ::testing::TestWithParam<ClassCase> {};

TEST_P(Classification, SaysTransientOrPermanent) {
  const ClassCase& c = GetParam();
  EXPECT_EQ(IsTransient(c.kind, c.status), c.transient)
      << "kind " << static_cast<int>(c.kind) << ", status " << c.status;
}

INSTANTIATE_TEST_SUITE_P(Kinds, Classification,
                         ::testing::Values(ClassCase{FailureKind::kRefused, 0, true},
                                           ClassCase{FailureKind::kReset, 0, true},
                                           ClassCase{FailureKind::kTimedOut, 0, true},
                                           ClassCase{FailureKind::kStalled, 0, true},
                                           ClassCase{FailureKind::kCutShort, 0, true},
                                           ClassCase{FailureKind::kNoHost, 0, false},
                                           ClassCase{FailureKind::kNotJson, 0, false},
                                           ClassCase{FailureKind::kFileSystem, 0, false},
                                           ClassCase{FailureKind::kTooLarge, 0, false},
                                           ClassCase{FailureKind::kInterrupted, 0, false},
                                           ClassCase{FailureKind::kOther, 0, false},
                                           // The status matters only for kHttpStatus.
                                           ClassCase{FailureKind::kFileSystem, 503, false},
                                           ClassCase{FailureKind::kInterrupted, 503, false}));

INSTANTIATE_TEST_SUITE_P(Statuses, Classification,
                         ::testing::Values(ClassCase{FailureKind::kHttpStatus, 408, true},
                                           ClassCase{FailureKind::kHttpStatus, 429, true},
                                           ClassCase{FailureKind::kHttpStatus, 500, true},
                                           ClassCase{FailureKind::kHttpStatus, 502, true},
                                           ClassCase{FailureKind::kHttpStatus, 503, true},
                                           ClassCase{FailureKind::kHttpStatus, 504, true},
                                           ClassCase{FailureKind::kHttpStatus, 400, false},
                                           ClassCase{FailureKind::kHttpStatus, 401, false},
                                           ClassCase{FailureKind::kHttpStatus, 403, false},
                                           ClassCase{FailureKind::kHttpStatus, 404, false},
                                           ClassCase{FailureKind::kHttpStatus, 405, false},
                                           ClassCase{FailureKind::kHttpStatus, 410, false},
                                           ClassCase{FailureKind::kHttpStatus, 416, false},
                                           ClassCase{FailureKind::kHttpStatus, 451, false},
                                           ClassCase{FailureKind::kHttpStatus, 499, false},
                                           ClassCase{FailureKind::kHttpStatus, 501, false},
                                           ClassCase{FailureKind::kHttpStatus, 505, false},
                                           ClassCase{FailureKind::kHttpStatus, 599, false},
                                           ClassCase{FailureKind::kHttpStatus, 304, false},
                                           ClassCase{FailureKind::kHttpStatus, 0, false}));

TEST(DefaultReason, NamesTheStatusOrTheKind) {
  EXPECT_EQ(DefaultReason(FailureKind::kHttpStatus, 503), "HTTP 503");
  EXPECT_EQ(DefaultReason(FailureKind::kRefused, 0), "connection refused");
  EXPECT_EQ(DefaultReason(FailureKind::kInterrupted, 0), "interrupted");
  EXPECT_EQ(DefaultReason(FailureKind::kNotJson, 0), "track description is not JSON");
}

TEST(WithTries, AddsTheCountFromTwoTriesOn) {
  EXPECT_EQ(WithTries("HTTP 503", 1), "HTTP 503");
  EXPECT_EQ(WithTries("HTTP 503", 2), "HTTP 503, 2 tries");
  EXPECT_EQ(WithTries("timed out", 11), "timed out, 11 tries");
}

TEST(Outcome, SavedHasNoReason) {
  const Outcome saved = Outcome::Saved(2);
  EXPECT_TRUE(saved.saved());
  EXPECT_FALSE(saved.failed());
  EXPECT_TRUE(saved.reason.empty());
  EXPECT_EQ(saved.tries, 2);
  const Outcome failed = Outcome::Transient("HTTP 503");
  EXPECT_TRUE(failed.failed());
  EXPECT_TRUE(failed.transient());
  EXPECT_FALSE(Outcome::Permanent("HTTP 404").transient());
}

// A random source that hands out the given numbers in turn, then the last one again.
UnitRandom Sequence(std::vector<double> values) {
  auto next = std::make_shared<std::size_t>(0);
  return [values, next] {
    const double value = values[std::min(*next, values.size() - 1)];
    ++*next;
    return value;
  };
}

RetryPolicy FixedPolicy(double retryWait, double unit, int retries = 10) {
  return RetryPolicy(RetrySettings{retries, retryWait}, [unit] { return unit; });
}

TEST(Backoff, DoublesFromRetryWaitWithoutJitterAtTheMiddle) {
  const RetryPolicy policy = FixedPolicy(1.0, 0.5);
  const std::vector<milliseconds> expected = {milliseconds(1000), milliseconds(2000),
                                              milliseconds(4000), milliseconds(8000),
                                              milliseconds(16000)};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(policy.Backoff(static_cast<int>(i) + 1), expected[i]) << "retry " << i + 1;
  }
}

TEST(Backoff, TakesDecimalRetryWait) {
  const RetryPolicy policy = FixedPolicy(0.25, 0.5);
  EXPECT_EQ(policy.Backoff(1), milliseconds(250));
  EXPECT_EQ(policy.Backoff(2), milliseconds(500));
  EXPECT_EQ(policy.Backoff(3), milliseconds(1000));
}

TEST(Backoff, JitterStaysWithinTwentyPercent) {
  // The lowest and (nearly) highest random values bound the wait.
  EXPECT_EQ(FixedPolicy(1.0, 0.0).Backoff(1), milliseconds(800));
  EXPECT_EQ(FixedPolicy(1.0, 0.999999).Backoff(1), milliseconds(1200));
  EXPECT_EQ(FixedPolicy(2.0, 0.0).Backoff(2), milliseconds(3200));
  EXPECT_EQ(FixedPolicy(2.0, 0.75).Backoff(2), milliseconds(4400));
  // Values outside [0, 1) are clamped, never stretching the bounds.
  EXPECT_EQ(FixedPolicy(1.0, -3.0).Backoff(1), milliseconds(800));
  EXPECT_EQ(FixedPolicy(1.0, 7.0).Backoff(1), milliseconds(1200));
}

TEST(Backoff, RealRandomStaysWithinBounds) {
  const RetryPolicy policy(RetrySettings{10, 1.0});
  for (int retry = 1; retry <= 4; ++retry) {
    const double nominal = 1000.0 * (1 << (retry - 1));
    for (int i = 0; i < 200; ++i) {
      const auto wait = static_cast<double>(policy.Backoff(retry).count());
      EXPECT_GE(wait, nominal * 0.8 - 1);
      EXPECT_LE(wait, nominal * 1.2 + 1);
    }
  }
}

TEST(Backoff, NeverExceedsThirtySeconds) {
  const RetryPolicy high = FixedPolicy(1.0, 0.999999);
  EXPECT_EQ(high.Backoff(5), milliseconds(19200));
  EXPECT_EQ(high.Backoff(6), kMaxBackoff);  // 32 s nominal
  EXPECT_EQ(high.Backoff(10), kMaxBackoff);
  EXPECT_EQ(high.Backoff(1000), kMaxBackoff);
  EXPECT_EQ(FixedPolicy(1e300, 0.5).Backoff(1), kMaxBackoff);
  // Capped before the jitter too: a low draw stays near the cap, not near 0.8 * 512 s.
  EXPECT_EQ(FixedPolicy(1.0, 0.0).Backoff(10), milliseconds(24000));
}

TEST(Backoff, NegativeOrNanRetryWaitMeansNoWait) {
  EXPECT_EQ(FixedPolicy(-1.0, 0.5).Backoff(3), milliseconds(0));
  EXPECT_EQ(FixedPolicy(std::nan(""), 0.5).Backoff(3), milliseconds(0));
  EXPECT_EQ(FixedPolicy(0.0, 0.9).Backoff(2), milliseconds(0));
}

TEST(RetrySettings, RetriesAreClamped) {
  EXPECT_EQ(RetryPolicy(RetrySettings{-4, 1.0}).MaxTries(), 1);
  EXPECT_EQ(RetryPolicy(RetrySettings{3, 1.0}).MaxTries(), 4);
  EXPECT_EQ(RetryPolicy(RetrySettings{99, 1.0}).MaxTries(), kMaxRetries + 1);
}

const std::chrono::system_clock::time_point kNow =
    std::chrono::system_clock::from_time_t(784111777);  // Sun, 06 Nov 1994 08:49:37 GMT

RetryPolicy ClockedPolicy(int retries) {
  return RetryPolicy(
      RetrySettings{retries, 1.0}, [] { return 0.5; }, [] { return kNow; });
}

TEST(AfterFailure, RetriesTransientFailuresWithTheBackoff) {
  const RetryPolicy policy = ClockedPolicy(3);
  for (int tries = 1; tries <= 3; ++tries) {
    const RetryStep step = policy.AfterFailure(FailedTry::Http(503), tries);
    EXPECT_TRUE(step.retry);
    EXPECT_FALSE(step.fromRetryAfter);
    EXPECT_EQ(step.wait, policy.Backoff(tries));
  }
}

TEST(AfterFailure, GivesUpAfterTheLastTrySayingHowManyTries) {
  const RetryStep step = ClockedPolicy(3).AfterFailure(FailedTry::Http(503), 4);
  EXPECT_FALSE(step.retry);
  EXPECT_EQ(step.outcome, Outcome::Transient("HTTP 503, 4 tries", 4));
}

TEST(AfterFailure, PermanentFailuresAreNotRetried) {
  const RetryPolicy policy = ClockedPolicy(3);
  const RetryStep first = policy.AfterFailure(FailedTry::Http(404), 1);
  EXPECT_FALSE(first.retry);
  EXPECT_EQ(first.outcome, Outcome::Permanent("HTTP 404", 1));
  const RetryStep later = policy.AfterFailure(FailedTry::Http(404), 2);
  EXPECT_EQ(later.outcome, Outcome::Permanent("HTTP 404, 2 tries", 2));
  const RetryStep interrupted = policy.AfterFailure(FailedTry::Of(FailureKind::kInterrupted), 1);
  EXPECT_FALSE(interrupted.retry);
  EXPECT_EQ(interrupted.outcome.reason, "interrupted");
}

TEST(AfterFailure, KeepsTheTrysOwnReason) {
  const FailedTry cut = FailedTry::Of(FailureKind::kCutShort, "body cut short (10 of 100 bytes)");
  const RetryStep step = ClockedPolicy(1).AfterFailure(cut, 2);
  EXPECT_EQ(step.outcome.reason, "body cut short (10 of 100 bytes), 2 tries");
}

TEST(AfterFailure, NoRetriesMeansOneTryWithoutSuffix) {
  const RetryStep step = ClockedPolicy(0).AfterFailure(FailedTry::Http(503, "5"), 1);
  EXPECT_FALSE(step.retry);
  EXPECT_EQ(step.outcome.reason, "HTTP 503");
}

struct RetryAfterCase {
  long status;
  std::string retryAfter;
  bool fromRetryAfter;
  milliseconds wait;
};

class RetryAfterStep : public ::testing::TestWithParam<RetryAfterCase> {};

TEST_P(RetryAfterStep, SetsTheWaitOn429And503Only) {
  const RetryAfterCase& c = GetParam();
  const RetryStep step = ClockedPolicy(3).AfterFailure(FailedTry::Http(c.status, c.retryAfter), 1);
  EXPECT_TRUE(step.retry);
  EXPECT_EQ(step.fromRetryAfter, c.fromRetryAfter);
  EXPECT_EQ(step.wait, c.wait);
}

INSTANTIATE_TEST_SUITE_P(Cases, RetryAfterStep,
                         ::testing::Values(RetryAfterCase{503, "7", true, milliseconds(7000)},
                                           RetryAfterCase{429, "120", true, milliseconds(120000)},
                                           RetryAfterCase{503, "300", true, milliseconds(300000)},
                                           RetryAfterCase{503, "0", true, milliseconds(0)},
                                           RetryAfterCase{429, "Sun, 06 Nov 1994 08:50:37 GMT",
                                                          true, milliseconds(60000)},
                                           RetryAfterCase{503, "Sun, 06 Nov 1994 08:00:00 GMT",
                                                          true, milliseconds(0)},
                                           // Garbage is ignored: the backoff applies.
                                           RetryAfterCase{503, "soon", false, milliseconds(1000)},
                                           RetryAfterCase{503, "-5", false, milliseconds(1000)},
                                           // Other statuses keep the backoff whatever they say.
                                           RetryAfterCase{500, "7", false, milliseconds(1000)},
                                           RetryAfterCase{502, "7", false, milliseconds(1000)},
                                           RetryAfterCase{504, "7", false, milliseconds(1000)}));

TEST(AfterFailure, RetryAfterOverFiveMinutesFailsAtOnce) {
  const RetryPolicy policy = ClockedPolicy(3);
  const RetryStep step = policy.AfterFailure(FailedTry::Http(503, "600"), 1);
  EXPECT_FALSE(step.retry);
  EXPECT_EQ(step.outcome, Outcome::Transient("HTTP 503, Retry-After 600 s is too long", 1));
  const RetryStep date =
      policy.AfterFailure(FailedTry::Http(429, "Sun, 06 Nov 1994 09:49:37 GMT"), 2);
  EXPECT_FALSE(date.retry);
  EXPECT_EQ(date.outcome.reason, "HTTP 429, Retry-After 3600 s is too long, 2 tries");
  EXPECT_FALSE(policy.AfterFailure(FailedTry::Http(503, "301"), 1).retry);
}

TEST(AfterFailure, JitterDrawsComeFromTheInjectedSource) {
  const RetryPolicy policy(RetrySettings{3, 1.0}, Sequence({0.0, 0.999999, 0.5}));
  EXPECT_EQ(policy.AfterFailure(FailedTry::Http(500), 1).wait, milliseconds(800));
  EXPECT_EQ(policy.AfterFailure(FailedTry::Http(500), 2).wait, milliseconds(2400));
  EXPECT_EQ(policy.AfterFailure(FailedTry::Http(500), 3).wait, milliseconds(4000));
}

}  // namespace
}  // namespace quellora
