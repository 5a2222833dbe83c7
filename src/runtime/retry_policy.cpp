#include "runtime/retry_policy.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <random>
#include <utility>

#include "runtime/retry_after.h"

namespace quellora {
namespace {

double ThreadRandom() {
  thread_local std::mt19937_64 engine{std::random_device{}()};
  return std::uniform_real_distribution<double>(0.0, 1.0)(engine);
}

bool HonoursRetryAfter(const FailedTry& failure) {
  return failure.kind == FailureKind::kHttpStatus &&
         (failure.status == 429 || failure.status == 503);
}

Outcome GiveUp(const FailedTry& failure, std::string reason, int tries) {
  std::string text = WithTries(std::move(reason), tries);
  return IsTransient(failure.kind, failure.status) ? Outcome::Transient(std::move(text), tries)
                                                   : Outcome::Permanent(std::move(text), tries);
}

}  // namespace

bool IsTransient(FailureKind kind, long status) noexcept {
  switch (kind) {
    case FailureKind::kRefused:
    case FailureKind::kReset:
    case FailureKind::kTimedOut:
    case FailureKind::kStalled:
    case FailureKind::kCutShort:
      return true;
    case FailureKind::kHttpStatus:
      return status == 408 || status == 429 || status == 500 || status == 502 || status == 503 ||
             status == 504;
    case FailureKind::kNoHost:
    case FailureKind::kNotJson:
    case FailureKind::kFileSystem:
    case FailureKind::kTooLarge:
    case FailureKind::kInterrupted:
    case FailureKind::kOther:
      return false;
  }
  return false;
}

std::string DefaultReason(FailureKind kind, long status) {
  switch (kind) {
    case FailureKind::kRefused:
      return "connection refused";
    case FailureKind::kReset:
      return "connection reset";
    case FailureKind::kTimedOut:
      return "timed out";
    case FailureKind::kStalled:
      return "transfer stalled";
    case FailureKind::kCutShort:
      return "body cut short";
    case FailureKind::kHttpStatus:
      return "HTTP " + std::to_string(status);
    case FailureKind::kNoHost:
      return "host not found";
    case FailureKind::kNotJson:
      return "track description is not JSON";
    case FailureKind::kFileSystem:
      return "cannot write file";
    case FailureKind::kTooLarge:
      return "body too large";
    case FailureKind::kInterrupted:
      return "interrupted";
    case FailureKind::kOther:
      break;
  }
  return "download failed";
}

std::string WithTries(std::string reason, int tries) {
  if (tries > 1) reason += ", " + std::to_string(tries) + " tries";
  return reason;
}

RetryPolicy::RetryPolicy(RetrySettings settings, UnitRandom random, WallClock now)
    : settings_(settings), random_(std::move(random)), now_(std::move(now)) {
  settings_.retries = std::clamp(settings_.retries, 0, kMaxRetries);
  if (!(settings_.retryWait > 0.0)) settings_.retryWait = 0.0;  // negative or NaN
  if (!random_) random_ = &ThreadRandom;
  if (!now_) now_ = [] { return std::chrono::system_clock::now(); };
}

std::chrono::milliseconds RetryPolicy::Backoff(int retry) const {
  const int doublings = std::clamp(retry, 1, 64) - 1;
  const double cap = static_cast<double>(kMaxBackoff.count());
  const double nominal = std::min(settings_.retryWait * 1000.0 * std::ldexp(1.0, doublings), cap);
  double unit = random_();
  if (!(unit >= 0.0)) unit = 0.0;  // negative or NaN
  unit = std::min(unit, 1.0);
  const double factor = 1.0 - kJitter + 2.0 * kJitter * unit;
  return std::chrono::milliseconds(std::llround(std::min(nominal * factor, cap)));
}

RetryStep RetryPolicy::AfterFailure(const FailedTry& failure, int tries) const {
  RetryStep step;
  std::string reason =
      failure.reason.empty() ? DefaultReason(failure.kind, failure.status) : failure.reason;
  if (!IsTransient(failure.kind, failure.status) || tries >= MaxTries()) {
    step.outcome = GiveUp(failure, std::move(reason), tries);
    return step;
  }
  if (HonoursRetryAfter(failure) && !failure.retryAfter.empty()) {
    const std::optional<std::chrono::seconds> asked = ParseRetryAfter(failure.retryAfter, now_());
    if (asked && *asked > kMaxRetryAfter) {
      reason += ", Retry-After " + std::to_string(asked->count()) + " s is too long";
      step.outcome = GiveUp(failure, std::move(reason), tries);
      return step;
    }
    if (asked) {
      step.retry = true;
      step.wait = *asked;
      step.fromRetryAfter = true;
      return step;
    }
  }
  step.retry = true;
  step.wait = Backoff(tries);
  return step;
}

}  // namespace quellora
