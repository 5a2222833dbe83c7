#include "http/request_headers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace quellora {
namespace {

using ::testing::ElementsAre;

constexpr char kUserAgent[] =
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n";
constexpr char kAccept[] = "Accept: text/html, application/xhtml+xml, */*\r\n";
constexpr char kAcceptEncoding[] = "Accept-Encoding: gbk, GB2312\r\n";
constexpr char kAcceptLanguage[] = "Accept-Language: zh-cn\r\n";
constexpr char kContentType[] = "Content-Type: application/x-www-form-urlencoded\r\n";
constexpr char kCacheControl[] = "Cache-Control: no-cache\r\n";

Text Defaults() {
  return Text(kUserAgent) + kAccept + kAcceptEncoding + kAcceptLanguage + kContentType +
         kCacheControl;
}

TEST(BuildRequestHeaders, PlainFetchGetsTheSixDefaultLinesInOrder) {
  EXPECT_EQ(BuildRequestHeaders("", std::nullopt), Defaults());
}

TEST(BuildRequestHeaders, ExtraLinesComeFirstAndSuppressDefaultsIgnoringCase) {
  EXPECT_EQ(BuildRequestHeaders("user-agent: probe", std::nullopt),
            Text("user-agent: probe\r\n") + kAccept + kAcceptEncoding + kAcceptLanguage +
                kContentType + kCacheControl);
}

TEST(BuildRequestHeaders, ContentTypeIsMatchedExactly) {
  // Lower case does not suppress the default Content-Type line, so both are sent.
  EXPECT_EQ(BuildRequestHeaders("content-type: text/plain", std::nullopt),
            "content-type: text/plain\r\n" + Defaults());
  EXPECT_EQ(BuildRequestHeaders("Content-Type:text/plain", std::nullopt),
            Text("Content-Type:text/plain\r\n") + kUserAgent + kAccept + kAcceptEncoding +
                kAcceptLanguage + kCacheControl);
}

TEST(BuildRequestHeaders, SearchIsAnywhereInTheBlock) {
  // "Accept: " occurs inside the value of another line: the default Accept line is left out.
  EXPECT_EQ(BuildRequestHeaders("X-Note: Accept: none", std::nullopt),
            Text("X-Note: Accept: none\r\n") + kUserAgent + kAcceptEncoding + kAcceptLanguage +
                kContentType + kCacheControl);
  // "Accept-Encoding: " does not contain "Accept: ", so only the encoding line is suppressed.
  EXPECT_EQ(BuildRequestHeaders("Accept-Encoding: identity", std::nullopt),
            Text("Accept-Encoding: identity\r\n") + kUserAgent + kAccept + kAcceptLanguage +
                kContentType + kCacheControl);
}

TEST(BuildRequestHeaders, CookieLineOnlyForNonEmptyCookies) {
  EXPECT_EQ(BuildRequestHeaders("", Text("a=1;b=2;")), Defaults() + "Cookie: a=1;b=2;\r\n");
  EXPECT_EQ(BuildRequestHeaders("", Text()), Defaults());
  EXPECT_EQ(BuildRequestHeaders("cookie: mine=1", Text("a=1")), "cookie: mine=1\r\n" + Defaults());
}

TEST(HeaderListLines, SplitsAndAddsRemovalsForLayerHeaders) {
  EXPECT_THAT(HeaderListLines("A: 1\r\nB: 2\r\n"),
              ElementsAre("A: 1", "B: 2", "Accept:", "Content-Type:", "Expect:"));
}

TEST(HeaderListLines, KeepsNamedLayerHeaders) {
  EXPECT_THAT(HeaderListLines("accept: x/y\r\ncontent-type: a/b\r\nExpect: 100-continue\r\n"),
              ElementsAre("accept: x/y", "content-type: a/b", "Expect: 100-continue"));
}

TEST(HeaderListLines, EmptyValueIsSentNotRemoved) {
  EXPECT_THAT(HeaderListLines("X-Empty:\r\nX-Blank:  \r\n\r\n"),
              ElementsAre("X-Empty;", "X-Blank;", "Accept:", "Content-Type:", "Expect:"));
}

TEST(HeaderListLines, BareLineBreaksNeverReachTheWireInsideALine) {
  EXPECT_THAT(HeaderListLines("A: 1\nB: 2\rC: 3\r\n"),
              ElementsAre("A: 1", "B: 2", "C: 3", "Accept:", "Content-Type:", "Expect:"));
}

}  // namespace
}  // namespace quellora
