// When a failed try is worth another one, and how long to wait before it.
//
// A try's failure is described by a FailureKind plus, for HTTP answers, the status code and the
// Retry-After value; callers map their transport's errors to it in one place (CurlFailureKind in
// runtime/curl_failure.h for libcurl). RetryPolicy turns a failed try into the next step: wait
// and try again, or give up with the track's Outcome.
//
// Reasons: the try's reason (or DefaultReason) followed by ", N tries" when more than one try
// was made, e.g. "HTTP 503, 4 tries"; a single try has no suffix ("HTTP 404").
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <utility>

#include "runtime/outcome.h"

namespace quellora {

/// What went wrong in one try.
enum class FailureKind {
  kRefused,      // transient: the connection was refused or could not be made
  kReset,        // transient: the connection was reset or closed before an answer came
  kTimedOut,     // transient: connecting or the whole transfer took too long
  kStalled,      // transient: the transfer stopped moving
  kCutShort,     // transient: the body ended before its announced length
  kHttpStatus,   // an answer whose status is not 2xx: see IsTransient
  kNoHost,       // permanent: the host name could not be resolved
  kNotJson,      // permanent: a track description that is not JSON
  kFileSystem,   // permanent: a file or folder could not be made, written or renamed
  kTooLarge,     // permanent: the body is over the size cap
  kInterrupted,  // permanent: the run was interrupted; never retried
  kOther,        // permanent: anything else (bad address, TLS, out of memory, ...)
};

/// One failed try.
struct FailedTry {
  FailureKind kind = FailureKind::kOther;
  /// The HTTP status for kHttpStatus; 0 otherwise.
  long status = 0;
  /// The answer's Retry-After value as received; empty when there was none.
  std::string retryAfter;
  /// Short ASCII text for the console line; empty means DefaultReason(kind, status).
  std::string reason;

  /// A failure of kind (not kHttpStatus), with the try's own reason when it has one.
  static FailedTry Of(FailureKind kind, std::string reason = {}) {
    return {kind, 0, std::string(), std::move(reason)};
  }
  /// An answer with a status that is not 2xx, and its Retry-After value when it had one.
  static FailedTry Http(long status, std::string retryAfter = {}, std::string reason = {}) {
    return {FailureKind::kHttpStatus, status, std::move(retryAfter), std::move(reason)};
  }
};

/// True for the kinds marked transient above, and for kHttpStatus with status 408, 429, 500,
/// 502, 503 or 504. Every other status (other 4xx, 501, 505+, a stray 1xx or 3xx) is permanent.
bool IsTransient(FailureKind kind, long status) noexcept;

/// A short ASCII reason for a kind: "HTTP 503", "connection refused", "timed out", ...
std::string DefaultReason(FailureKind kind, long status);

/// reason plus ", N tries" when tries > 1.
std::string WithTries(std::string reason, int tries);

inline constexpr int kMaxRetries = 10;
/// The longest wait the backoff ever gives.
inline constexpr std::chrono::milliseconds kMaxBackoff{30'000};
/// The longest Retry-After that is waited for; a longer one fails the track at once.
inline constexpr std::chrono::seconds kMaxRetryAfter{300};
/// Each backoff wait is its nominal value times a factor in [1 - kJitter, 1 + kJitter).
inline constexpr double kJitter = 0.2;

struct RetrySettings {
  /// Tries after the first one; clamped to 0..kMaxRetries.
  int retries = 3;
  /// Seconds before the first retry, doubled for each later one; negative or NaN counts as 0.
  double retryWait = 1.0;
};

/// Returns numbers uniform in [0, 1); values outside are clamped.
using UnitRandom = std::function<double()>;
/// The wall clock against which an HTTP-date in Retry-After is read.
using WallClock = std::function<std::chrono::system_clock::time_point()>;

/// The step after a failed try.
struct RetryStep {
  /// True: wait, then try again. False: give up with outcome.
  bool retry = false;
  std::chrono::milliseconds wait{0};
  /// The wait is the server's Retry-After (429 or 503): no request should go to that host
  /// before it has passed (see HostGate).
  bool fromRetryAfter = false;
  /// When !retry: the failed outcome, its reason final (tries suffix included); transient or
  /// permanent as the last failure was (transient when the tries ran out or the Retry-After was
  /// too long).
  Outcome outcome;
};

/// Immutable once made, so one policy can be shared by every worker. The random source and the
/// clock are called on the calling thread; the defaults (a per-thread generator, the system
/// clock) are thread-safe, and injected ones must be too when the policy is shared.
class RetryPolicy {
 public:
  explicit RetryPolicy(RetrySettings settings = {}, UnitRandom random = {}, WallClock now = {});

  /// 1 + the retries allowed.
  int MaxTries() const noexcept { return settings_.retries + 1; }

  /// The backoff wait before retry number retry (1 for the first retry): retryWait * 2^(retry-1)
  /// seconds with jitter, never over kMaxBackoff.
  std::chrono::milliseconds Backoff(int retry) const;

  /// The step after try number tries (1-based) failed with failure:
  /// - a permanent failure, or tries == MaxTries(): give up with WithTries(reason, tries);
  /// - 429 or 503 with a usable Retry-After: wait exactly that long (fromRetryAfter), or, when
  ///   it is over kMaxRetryAfter, give up at once with "HTTP 503, Retry-After 600 s is too long"
  ///   (plus the tries suffix);
  /// - otherwise: wait Backoff(tries).
  RetryStep AfterFailure(const FailedTry& failure, int tries) const;

 private:
  RetrySettings settings_;
  UnitRandom random_;
  WallClock now_;
};

}  // namespace quellora
