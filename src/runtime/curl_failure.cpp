#include "runtime/curl_failure.h"

namespace quellora {

std::optional<FailureKind> CurlFailureKind(CURLcode code) noexcept {
  switch (code) {
    case CURLE_OK:
      return std::nullopt;
    case CURLE_COULDNT_CONNECT:
      return FailureKind::kRefused;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
      return FailureKind::kReset;
    case CURLE_OPERATION_TIMEDOUT:
      return FailureKind::kTimedOut;
    case CURLE_PARTIAL_FILE:
      return FailureKind::kCutShort;
    case CURLE_HTTP_RETURNED_ERROR:
      return FailureKind::kHttpStatus;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return FailureKind::kNoHost;
    case CURLE_WRITE_ERROR:
      return FailureKind::kFileSystem;
    case CURLE_FILESIZE_EXCEEDED:
      return FailureKind::kTooLarge;
    case CURLE_ABORTED_BY_CALLBACK:
      return FailureKind::kInterrupted;
    default:
      return FailureKind::kOther;
  }
}

}  // namespace quellora
