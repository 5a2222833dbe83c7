#include "runtime/retry_loop.h"

#include "runtime/interruptible_sleep.h"

namespace quellora {
namespace {

Outcome InterruptedAfter(int tries) {
  return Outcome::Permanent(WithTries(DefaultReason(FailureKind::kInterrupted, 0), tries), tries);
}

}  // namespace

Outcome RunWithRetries(const RetryPolicy& policy, HostGate& gate, std::string_view host,
                       const TryOnce& attempt) {
  for (int tries = 1;; ++tries) {
    if (!gate.WaitForHost(host)) return InterruptedAfter(tries - 1);
    const std::optional<FailedTry> failure = attempt(tries);
    if (!failure) return Outcome::Saved(tries);
    const RetryStep step = policy.AfterFailure(*failure, tries);
    if (!step.retry) return step.outcome;
    if (step.fromRetryAfter) {
      gate.PauseHostFor(host, step.wait);
    } else if (!SleepUnlessInterrupted(step.wait)) {
      return InterruptedAfter(tries);
    }
  }
}

}  // namespace quellora
