// One request made with retries: the policy decides, the host gate holds back requests to a
// host that asked for a pause, and an interrupt ends every wait.
#pragma once

#include <functional>
#include <optional>
#include <string_view>

#include "runtime/host_gate.h"
#include "runtime/outcome.h"
#include "runtime/retry_policy.h"

namespace quellora {

/// One try; tryNumber counts from 1. std::nullopt when it succeeded, else what failed.
using TryOnce = std::function<std::optional<FailedTry>(int tryNumber)>;

/// Calls attempt until it succeeds or policy gives up, and returns the outcome:
/// - before each try, waits for gate to let host through;
/// - after a failed try, takes policy.AfterFailure's step: a Retry-After wait becomes a pause of
///   host in gate (so every worker holds back), any other wait is slept here;
/// - an interrupt during a wait ends the loop with Permanent("interrupted", tries made so far),
///   tries suffix included (0 tries when it came before the first one).
/// Safe to call from many threads at once with the same policy and gate.
Outcome RunWithRetries(const RetryPolicy& policy, HostGate& gate, std::string_view host,
                       const TryOnce& attempt);

}  // namespace quellora
