// libcurl's result codes as the failure kinds of the retry policy: the one place where a
// transport error is judged transient or permanent.
#pragma once

#include <curl/curl.h>

#include <optional>

#include "runtime/retry_policy.h"

namespace quellora {

/// The failure kind for a transfer that libcurl ended with code; std::nullopt for CURLE_OK.
///
/// libcurl reports a transfer that stalled below CURLOPT_LOW_SPEED_LIMIT as a timeout, so both
/// come back as kTimedOut. A callback that stopped the transfer comes back as kInterrupted
/// (progress callback) or kFileSystem (write callback); a caller whose callback stopped for
/// another reason (the size cap, say) knows better and says so itself. A caller that got an
/// HTTP status other than 2xx reports kHttpStatus instead of whatever code came with it.
std::optional<FailureKind> CurlFailureKind(CURLcode code) noexcept;

}  // namespace quellora
