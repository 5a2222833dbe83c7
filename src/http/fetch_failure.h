// The numbered failure messages that WebFetch stores in WebResponse::statusText.
// The texts are in the program's code page (GB18030); the comment beside each gives it in UTF-8.
#pragma once

#include <string_view>

namespace quellora {

/// Why a fetch failed; the value is the message's number.
enum class FetchFailure {
  kLayerUnusable = 700,
  kBadAddress = 701,
  kSession = 702,
  kConnection = 703,
  kRequest = 704,
  kTimeouts = 705,
  kCredentials = 707,
  kCookieOption = 708,
  kRedirectOption = 709,
  kHeaders = 710,
  kSend = 711,
  kNoResponse = 712,
  kBodyRead = 713,
  /// The answer's body, or its announced Content-Length, is above the memory limit.
  kTooLarge = 714,
  /// The run is being interrupted (SIGINT or SIGTERM).
  kInterrupted = 715,
};

/// The message stored for a failure, e.g. "701 解析URL地址失败!" in GB18030.
std::string_view FetchFailureMessage(FetchFailure failure);

}  // namespace quellora
