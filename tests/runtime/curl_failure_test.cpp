#include "runtime/curl_failure.h"

#include <gtest/gtest.h>

#include <optional>

namespace quellora {
namespace {

struct CurlCase {
  CURLcode code;
  std::optional<FailureKind> kind;
  bool transient;
};

class CurlMapping : public ::testing::TestWithParam<CurlCase> {};

TEST_P(CurlMapping, GivesTheKindAndSoTheClass) {
  const CurlCase& c = GetParam();
  const std::optional<FailureKind> kind = CurlFailureKind(c.code);
  EXPECT_EQ(kind, c.kind) << curl_easy_strerror(c.code);
  if (kind) {
    EXPECT_EQ(IsTransient(*kind, 0), c.transient) << curl_easy_strerror(c.code);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, CurlMapping,
    ::testing::Values(CurlCase{CURLE_OK, std::nullopt, false},
                      CurlCase{CURLE_COULDNT_CONNECT, FailureKind::kRefused, true},
                      CurlCase{CURLE_SEND_ERROR, FailureKind::kReset, true},
                      CurlCase{CURLE_RECV_ERROR, FailureKind::kReset, true},
                      CurlCase{CURLE_GOT_NOTHING, FailureKind::kReset, true},
                      CurlCase{CURLE_OPERATION_TIMEDOUT, FailureKind::kTimedOut, true},
                      CurlCase{CURLE_PARTIAL_FILE, FailureKind::kCutShort, true},
                      CurlCase{CURLE_COULDNT_RESOLVE_HOST, FailureKind::kNoHost, false},
                      CurlCase{CURLE_COULDNT_RESOLVE_PROXY, FailureKind::kNoHost, false},
                      CurlCase{CURLE_WRITE_ERROR, FailureKind::kFileSystem, false},
                      CurlCase{CURLE_FILESIZE_EXCEEDED, FailureKind::kTooLarge, false},
                      CurlCase{CURLE_ABORTED_BY_CALLBACK, FailureKind::kInterrupted, false},
                      CurlCase{CURLE_URL_MALFORMAT, FailureKind::kOther, false},
                      CurlCase{CURLE_UNSUPPORTED_PROTOCOL, FailureKind::kOther, false},
                      CurlCase{CURLE_TOO_MANY_REDIRECTS, FailureKind::kOther, false},
                      CurlCase{CURLE_PEER_FAILED_VERIFICATION, FailureKind::kOther, false},
                      CurlCase{CURLE_OUT_OF_MEMORY, FailureKind::kOther, false}));

TEST(CurlMapping, HttpErrorCodeDefersToTheStatus) {
  const std::optional<FailureKind> kind = CurlFailureKind(CURLE_HTTP_RETURNED_ERROR);
  ASSERT_EQ(kind, FailureKind::kHttpStatus);
  EXPECT_TRUE(IsTransient(*kind, 503));
  EXPECT_FALSE(IsTransient(*kind, 404));
}

}  // namespace
}  // namespace quellora
