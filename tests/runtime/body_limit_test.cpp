#include "runtime/body_limit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quellora {
namespace {

constexpr std::int64_t kLimit = 1000;

// Feeds a head line by line (each with its "\r\n", as libcurl hands them over); false as soon as
// one line is refused.
bool FeedHead(BodyLimit& limit, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    if (!limit.OnHeaderLine(line + "\r\n")) return false;
  }
  return true;
}

struct HeadCase {
  const char* name;
  std::vector<std::string> head;
  bool expectBody;
  bool followsRedirects;
  bool accepted;
};

class BodyLimitHeadTest : public ::testing::TestWithParam<HeadCase> {};

TEST_P(BodyLimitHeadTest, RefusesAnAnnouncedBodyAboveTheLimitOnlyWhenItWillArrive) {
  BodyLimit limit(kLimit, GetParam().expectBody, GetParam().followsRedirects);
  EXPECT_EQ(FeedHead(limit, GetParam().head), GetParam().accepted);
  EXPECT_EQ(limit.Exceeded(), !GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Heads, BodyLimitHeadTest,
    ::testing::Values(
        HeadCase{
            "ExactlyTheLimit", {"HTTP/1.1 200 OK", "Content-Length: 1000", ""}, true, true, true},
        HeadCase{
            "OneByteMore", {"HTTP/1.1 200 OK", "content-length:  1001 ", ""}, true, true, false},
        HeadCase{"NoLength", {"HTTP/1.1 200 OK", ""}, true, true, true},
        HeadCase{
            "NoPlainNumber", {"HTTP/1.1 200 OK", "Content-Length: 5000x", ""}, true, true, true},
        HeadCase{"AnErrorPageCounts",
                 {"HTTP/1.1 404 Not Found", "Content-Length: 5000", ""},
                 true,
                 true,
                 false},
        HeadCase{"AHeadRequestGetsNoBody",
                 {"HTTP/1.1 200 OK", "Content-Length: 5000", ""},
                 false,
                 true,
                 true},
        HeadCase{"NoContentAnswer",
                 {"HTTP/1.1 204 No Content", "Content-Length: 5000", ""},
                 true,
                 true,
                 true},
        HeadCase{"InterimAnswerThenTooLarge",
                 {"HTTP/1.1 100 Continue", "", "HTTP/1.1 200 OK", "Content-Length: 5000", ""},
                 true,
                 true,
                 false},
        HeadCase{"FollowedRedirectsBodyIsNeverRead",
                 {"HTTP/1.1 302 Found", "Location: /next", "Content-Length: 5000", ""},
                 true,
                 true,
                 true},
        HeadCase{"UnfollowedRedirectIsTheAnswer",
                 {"HTTP/1.1 302 Found", "Location: /next", "Content-Length: 5000", ""},
                 true,
                 false,
                 false},
        HeadCase{"RedirectWithoutLocationIsTheAnswer",
                 {"HTTP/1.1 302 Found", "Content-Length: 5000", ""},
                 true,
                 true,
                 false},
        HeadCase{"RedirectThenTooLarge",
                 {"HTTP/1.1 301 Moved", "Location: /b", "Content-Length: 5000", "",
                  "HTTP/1.1 200 OK", "Content-Length: 1001", ""},
                 true,
                 true,
                 false},
        HeadCase{"TrailersAreNoHead",
                 {"HTTP/1.1 200 OK", "Transfer-Encoding: chunked", "", "Content-Length: 5000", ""},
                 true,
                 true,
                 true}),
    [](const ::testing::TestParamInfo<HeadCase>& info) { return std::string(info.param.name); });

TEST(BodyLimit, ABodyMayReachTheLimitButNotPassIt) {
  BodyLimit limit(kLimit, true, true);
  ASSERT_TRUE(FeedHead(limit, {"HTTP/1.1 200 OK", ""}));
  EXPECT_TRUE(limit.OnBody(600));
  EXPECT_TRUE(limit.OnBody(400));
  EXPECT_FALSE(limit.Exceeded());
  EXPECT_FALSE(limit.OnBody(1));
  EXPECT_TRUE(limit.Exceeded());
}

TEST(BodyLimit, EachAnswerCountsFromZero) {
  BodyLimit limit(kLimit, true, true);
  ASSERT_TRUE(FeedHead(limit, {"HTTP/1.1 200 OK", ""}));
  EXPECT_TRUE(limit.OnBody(900));
  ASSERT_TRUE(FeedHead(limit, {"HTTP/1.1 200 OK", "Content-Length: 900", ""}));
  EXPECT_EQ(limit.AnnouncedLength(), 900);
  EXPECT_TRUE(limit.OnBody(900));
  EXPECT_FALSE(limit.Exceeded());
}

TEST(BodyLimit, ParseContentLengthTakesPlainNumbersOnly) {
  EXPECT_EQ(ParseContentLength(" 42\t"), 42);
  EXPECT_EQ(ParseContentLength("0"), 0);
  EXPECT_EQ(ParseContentLength("999999999999999999"), 999999999999999999);
  EXPECT_EQ(ParseContentLength("1000000000000000000"), -1);
  EXPECT_EQ(ParseContentLength(""), -1);
  EXPECT_EQ(ParseContentLength("-1"), -1);
  EXPECT_EQ(ParseContentLength("4 2"), -1);
}

}  // namespace
}  // namespace quellora
