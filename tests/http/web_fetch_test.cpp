// WebFetch against a socket-level server on 127.0.0.1 that records every request byte for byte.
#include "http/web_fetch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "http/fetch_failure.h"
#include "runtime/codepage.h"
#include "support/raw_http_server.h"
#include "support/socket_servers.h"

namespace quellora {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::RawHttpServer;
using testing::RawReply;
using testing::RawRequest;
using ::testing::StartsWith;

const std::string kUserAgent =
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)";
const std::string kAccept = "Accept: text/html, application/xhtml+xml, */*";
const std::string kAcceptEncoding = "Accept-Encoding: gbk, GB2312";
const std::string kAcceptLanguage = "Accept-Language: zh-cn";
const std::string kContentType = "Content-Type: application/x-www-form-urlencoded";
const std::string kCacheControl = "Cache-Control: no-cache";

RawReply Ok(const std::string& body, std::vector<std::string> headers = {}) {
  return RawReply{RawHttpServer::Answer("200 OK", headers, body)};
}

// Header lines other than the layer's Host and Content-Length lines.
std::vector<std::string> LinesBesidesLayer(const RawRequest& request) {
  std::vector<std::string> lines;
  for (const std::string& line : request.headerLines) {
    if (line.rfind("Host: ", 0) == 0 || line.rfind("Content-Length: ", 0) == 0) continue;
    lines.push_back(line);
  }
  return lines;
}

Text Message(FetchFailure failure) {
  return Text(FetchFailureMessage(failure));
}

TEST(WebFetch, PlainFetchSendsExactlyTheDefaultBlock) {
  RawHttpServer server([](const RawRequest&) { return Ok("hello", {"Content-Type: text/plain"}); });
  WebResponse response;
  EXPECT_EQ(WebFetch(server.Origin() + "/a/b?c=1", response), "hello");

  const std::vector<RawRequest> requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_THAT(requests[0].head, StartsWith("GET /a/b?c=1 HTTP/1.1\r\n"));
  EXPECT_THAT(requests[0].headerLines,
              ElementsAre("Host: 127.0.0.1:" + std::to_string(server.Port()), kUserAgent, kAccept,
                          kAcceptEncoding, kAcceptLanguage, kContentType, kCacheControl));
  EXPECT_EQ(response.statusText, "200 OK");
  EXPECT_THAT(response.responseHeaders, StartsWith("HTTP/1.1 200 OK\r\n"));
  EXPECT_THAT(response.responseHeaders, HasSubstr("\r\nContent-Type: text/plain\r\n"));
  EXPECT_EQ(response.responseHeaders.substr(response.responseHeaders.size() - 4), "\r\n\r\n");
  EXPECT_EQ(response.responseBytes, Bytes({'h', 'e', 'l', 'l', 'o'}));
  EXPECT_TRUE(response.bodyComplete);
}

TEST(WebFetch, OneLinerReturnsTheBody) {
  RawHttpServer server([](const RawRequest&) { return Ok("page"); });
  EXPECT_EQ(WebFetch(server.Origin() + "/"), "page");
}

TEST(WebFetch, AddressWithoutPathRequestsTheRoot) {
  RawHttpServer server([](const RawRequest&) { return Ok(""); });
  WebFetch(server.Origin());
  WebFetch(server.Origin() + "?c=1");
  const std::vector<RawRequest> requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].target, "/");
  EXPECT_EQ(requests[1].target, "/");
}

TEST(WebFetch, TargetInTheProgramCodePageGoesOutAsUtf8PercentEncoding) {
  RawHttpServer server([](const RawRequest&) { return Ok(""); });
  WebFetch(server.Origin() + "/search/" + FromUtf8("有声 书"));
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].target, "/search/%E6%9C%89%E5%A3%B0%20%E4%B9%A6");
}

TEST(WebFetch, ExtraHeadersComeFirstAndSuppressDefaultsByTheirCaseRules) {
  RawHttpServer server([](const RawRequest&) { return Ok(""); });
  WebRequest request;
  request.address = server.Origin() + "/x";
  request.extraHeaders = "user-agent: probe/1\r\ncontent-type: text/plain\r\nX-Trace: 7";
  WebResponse response;
  WebFetch(request, response);
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_THAT(LinesBesidesLayer(server.Requests()[0]),
              ElementsAre("user-agent: probe/1", "content-type: text/plain", "X-Trace: 7", kAccept,
                          kAcceptEncoding, kAcceptLanguage, kContentType, kCacheControl));
}

TEST(WebFetch, CallersAcceptReplacesTheDefaultAndNoOtherIsAdded) {
  RawHttpServer server([](const RawRequest&) { return Ok(""); });
  WebRequest request;
  request.address = server.Origin() + "/x";
  request.extraHeaders = "ACCEPT: application/json";
  WebResponse response;
  WebFetch(request, response);
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].HeaderCount("Accept"), 1);
  EXPECT_EQ(server.Requests()[0].Header("Accept"), "application/json");
}

TEST(WebFetch, NoAcceptLineWhenTheBlockMentionsItElsewhere) {
  RawHttpServer server([](const RawRequest&) { return Ok(""); });
  WebRequest request;
  request.address = server.Origin() + "/x";
  request.extraHeaders = "X-Note: Accept: none";
  WebResponse response;
  WebFetch(request, response);
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].HeaderCount("Accept"), 0);
  EXPECT_EQ(server.Requests()[0].HeaderCount("Accept-Encoding"), 1);
}

struct MethodCase {
  std::int32_t method;
  const char* verb;
};

class WebFetchMethodTest : public ::testing::TestWithParam<MethodCase> {};

TEST_P(WebFetchMethodTest, SendsTheVerb) {
  RawHttpServer server([](const RawRequest& r) {
    return RawReply{RawHttpServer::Answer("200 OK", {}, r.method == "HEAD" ? "" : "ok")};
  });
  WebRequest request;
  request.address = server.Origin() + "/m";
  request.method = GetParam().method;
  WebResponse response;
  WebFetch(request, response);
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].method, GetParam().verb);
  EXPECT_EQ(response.statusText, "200 OK");
}

INSTANTIATE_TEST_SUITE_P(Codes, WebFetchMethodTest,
                         ::testing::Values(MethodCase{0, "GET"}, MethodCase{1, "POST"},
                                           MethodCase{2, "HEAD"}, MethodCase{3, "PUT"},
                                           MethodCase{4, "GET"}, MethodCase{-1, "GET"}));

TEST(WebFetch, HeadReadsTheHeadersWithoutABody) {
  RawHttpServer server([](const RawRequest&) {
    return RawReply{"HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nX-Size: big\r\n\r\n"};
  });
  WebRequest request;
  request.address = server.Origin() + "/h";
  request.method = kMethodHead;
  WebResponse response;
  EXPECT_EQ(WebFetch(request, response), "");
  EXPECT_EQ(response.statusText, "200 OK");
  EXPECT_THAT(response.responseHeaders, HasSubstr("X-Size: big"));
  EXPECT_TRUE(response.responseBytes.empty());
}

TEST(WebFetch, PostSendsTheBodyAsItsBytes) {
  RawHttpServer server([](const RawRequest&) { return Ok("done"); });
  WebRequest request;
  request.address = server.Origin() + "/form";
  request.method = kMethodPost;
  request.postData = "name=" + FromUtf8("中") + "&x=1";
  WebResponse response;
  EXPECT_EQ(WebFetch(request, response), "done");
  ASSERT_EQ(server.Requests().size(), 1u);
  const RawRequest got = server.Requests()[0];
  EXPECT_EQ(got.method, "POST");
  EXPECT_EQ(got.body, request.postData);
  EXPECT_EQ(got.Header("Content-Length"), std::to_string(request.postData.size()));
  EXPECT_EQ(got.HeaderCount("Content-Type"), 1);
  EXPECT_EQ(got.Header("Content-Type"), "application/x-www-form-urlencoded");
}

TEST(WebFetch, LargePostGoesOutWithoutWaitingForContinue) {
  RawHttpServer server([](const RawRequest&) { return Ok("done"); });
  WebRequest request;
  request.address = server.Origin() + "/upload";
  request.method = kMethodPut;
  request.postData = Text(3 << 20, 'p');
  request.extraHeaders = "content-type: text/plain";
  WebResponse response;
  EXPECT_EQ(WebFetch(request, response), "done");
  ASSERT_EQ(server.Requests().size(), 1u);
  const RawRequest got = server.Requests()[0];
  EXPECT_EQ(got.method, "PUT");
  EXPECT_EQ(got.body.size(), request.postData.size());
  EXPECT_EQ(got.HeaderCount("Expect"), 0);
  // Lower-case content-type does not suppress the default line: both go out.
  EXPECT_EQ(got.HeaderCount("Content-Type"), 2);
}

TEST(WebFetch, ReturnsA404BodyWithItsStatusText) {
  RawHttpServer server([](const RawRequest&) {
    return RawReply{RawHttpServer::Answer("404 Not Found", {}, "no such page")};
  });
  WebResponse response;
  EXPECT_EQ(WebFetch(server.Origin() + "/missing", response), "no such page");
  EXPECT_EQ(response.statusText, "404 Not Found");
}

RawReply RedirectingSite(const RawRequest& r) {
  if (r.target == "/start") {
    return RawReply{RawHttpServer::Answer(
        "302 Found", {"Location: /final", "Set-Cookie: sid=abc; Path=/"}, "moved")};
  }
  return Ok("final page");
}

TEST(WebFetch, FollowsRedirectsAndDescribesTheFinalResponse) {
  RawHttpServer server(RedirectingSite);
  WebResponse response;
  response.redirectTarget = "kept";
  EXPECT_EQ(WebFetch(server.Origin() + "/start", response), "final page");
  ASSERT_EQ(server.Requests().size(), 2u);
  EXPECT_EQ(server.Requests()[1].target, "/final");
  EXPECT_EQ(response.statusText, "200 OK");
  EXPECT_THAT(response.responseHeaders, StartsWith("HTTP/1.1 200 OK\r\n"));
  EXPECT_THAT(response.responseHeaders, ::testing::Not(HasSubstr("Location")));
  EXPECT_EQ(response.redirectTarget, "kept");
  EXPECT_EQ(response.newCookies, "");
  // Without cookies there is no cookie engine: the redirect's cookie is not sent on.
  EXPECT_EQ(server.Requests()[1].HeaderCount("Cookie"), 0);
}

TEST(WebFetch, NoRedirectReturnsTheRedirectAnswer) {
  RawHttpServer server(RedirectingSite);
  WebRequest request;
  request.address = server.Origin() + "/start";
  request.noRedirect = true;
  WebResponse response;
  EXPECT_EQ(WebFetch(request, response), "moved");
  EXPECT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(response.statusText, "302 Found");
  EXPECT_EQ(response.redirectTarget, "/final");
  EXPECT_EQ(response.newCookies, "sid=abc");
}

TEST(WebFetch, CookieSetByARedirectGoesWithTheFollowedRequestWhenCookiesArePresent) {
  RawHttpServer server(RedirectingSite);
  WebRequest request;
  request.address = server.Origin() + "/start";
  request.cookies = Text();
  WebResponse response;
  EXPECT_EQ(WebFetch(request, response), "final page");
  const std::vector<RawRequest> requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].HeaderCount("Cookie"), 0);  // present but empty: no Cookie line
  EXPECT_EQ(requests[1].Header("Cookie"), "sid=abc");
  // The final response set nothing, so the caller's text only loses its blanks.
  EXPECT_EQ(request.cookies, Text());
}

TEST(WebFetch, CallersCookiesAreSentAndMergedWithTheResponsesCookies) {
  RawHttpServer server([](const RawRequest&) {
    return Ok("", {"Set-Cookie: b=3; Path=/", "set-cookie: d=4", "Set-Cookie: a=deleted"});
  });
  WebRequest request;
  request.address = server.Origin() + "/c";
  request.cookies = Text("a=1; b=2");
  WebResponse response;
  WebFetch(request, response);
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].Header("Cookie"), "a=1; b=2");
  EXPECT_EQ(server.Requests()[0].HeaderCount("Cookie"), 1);
  EXPECT_EQ(request.cookies, Text("b=3;d=4;"));
  EXPECT_EQ(response.newCookies, "b=3;d=4;a=deleted");
}

TEST(WebFetch, WithoutCookiesNewCookiesAreCollectedButNothingIsMerged) {
  RawHttpServer server([](const RawRequest&) { return Ok("", {"Set-Cookie: b=3; Path=/"}); });
  WebRequest request;
  request.address = server.Origin() + "/c";
  WebResponse response;
  WebFetch(request, response);
  EXPECT_EQ(response.newCookies, "b=3");
  EXPECT_FALSE(request.cookies.has_value());
  EXPECT_EQ(server.Requests()[0].HeaderCount("Cookie"), 0);
}

TEST(WebFetch, EndlessRedirectsFailAfterTen) {
  RawHttpServer server([](const RawRequest& r) {
    const int next = std::atoi(r.target.c_str() + 1) + 1;
    return RawReply{RawHttpServer::Answer("302 Found", {"Location: /" + std::to_string(next)}, "")};
  });
  WebResponse response;
  EXPECT_EQ(WebFetch(server.Origin() + "/0", response), "");
  EXPECT_EQ(response.statusText, Message(FetchFailure::kNoResponse));
  EXPECT_EQ(server.Requests().size(), 11u);
}

TEST(WebFetch, BadAddressesFailWith701AndTouchNothingElse) {
  for (const char* address : {"", "ftp://127.0.0.1/x", "127.0.0.1/x", "http://"}) {
    WebResponse response;
    response.responseHeaders = "old";
    response.responseBytes = {1};
    EXPECT_EQ(WebFetch(address, response), "");
    EXPECT_EQ(response.statusText, Message(FetchFailure::kBadAddress)) << address;
    EXPECT_EQ(response.responseHeaders, "old");
    EXPECT_EQ(response.responseBytes, Bytes{1});
  }
}

TEST(WebFetch, RefusedConnectionFailsWith711) {
  WebResponse response;
  EXPECT_EQ(WebFetch("http://127.0.0.1:" + std::to_string(testing::ClosedPort()) + "/", response),
            "");
  EXPECT_EQ(response.statusText, Message(FetchFailure::kSend));
}

TEST(WebFetch, ServerClosingWithoutAnswerFailsWith712) {
  RawHttpServer server([](const RawRequest&) { return RawReply{"", true}; });
  WebResponse response;
  response.responseBytes = {7};
  EXPECT_EQ(WebFetch(server.Origin() + "/", response), "");
  EXPECT_EQ(response.statusText, Message(FetchFailure::kNoResponse));
  EXPECT_EQ(response.responseBytes, Bytes{7});
}

TEST(WebFetch, MalformedAnswerFailsWith712) {
  RawHttpServer server([](const RawRequest&) { return RawReply{"garbage\r\n\r\n", true}; });
  WebResponse response;
  EXPECT_EQ(WebFetch(server.Origin() + "/", response), "");
  EXPECT_EQ(response.statusText, Message(FetchFailure::kNoResponse));
}

TEST(WebFetch, StalledServerFailsAfterTheTimeout) {
  RawHttpServer server([](const RawRequest&) { return RawReply{"", false, true}; });
  WebRequest request;
  request.address = server.Origin() + "/slow";
  request.timeoutSeconds = 1;
  WebResponse response;
  response.responseHeaders = "old";
  EXPECT_EQ(WebFetch(request, response), "");
  EXPECT_EQ(response.statusText, Message(FetchFailure::kNoResponse));
  EXPECT_EQ(response.responseHeaders, "old");
}

TEST(WebFetch, BodyStallingHalfWayKeepsWhatArrived) {
  RawHttpServer server([](const RawRequest&) {
    return RawReply{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nfirst half", false, true};
  });
  WebRequest request;
  request.address = server.Origin() + "/slow";
  request.timeoutSeconds = 1;
  WebResponse response;
  EXPECT_EQ(WebFetch(request, response), "first half");
  EXPECT_EQ(response.statusText, "200 OK");
  EXPECT_EQ(response.responseBytes.size(), 10u);
  EXPECT_FALSE(response.bodyComplete);
}

TEST(WebFetch, SlowButMovingBodyOutlastsTheTimeout) {
  RawHttpServer server([](const RawRequest&) {
    RawReply reply{"HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\n"};
    reply.pieces = {"a", "b", "c", "d", "e", "f"};
    reply.pause = std::chrono::milliseconds(400);
    return reply;
  });
  WebRequest request;
  request.address = server.Origin() + "/trickle";
  request.timeoutSeconds = 1;
  WebResponse response;
  EXPECT_EQ(WebFetch(request, response), "abcdef");
  EXPECT_EQ(response.statusText, "200 OK");
  EXPECT_TRUE(response.bodyComplete);
}

TEST(WebFetch, RedirectToARefusingServerFailsWith711) {
  const int closed = testing::ClosedPort();
  RawHttpServer server([&](const RawRequest&) {
    return RawReply{RawHttpServer::Answer(
        "302 Found", {"Location: http://127.0.0.1:" + std::to_string(closed) + "/"}, "")};
  });
  WebResponse response;
  EXPECT_EQ(WebFetch(server.Origin() + "/", response), "");
  EXPECT_EQ(response.statusText, Message(FetchFailure::kSend));
}

TEST(WebFetch, BodyCutShortKeepsWhatArrived) {
  RawHttpServer server([](const RawRequest&) {
    return RawReply{"HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + std::string(500, 'b'),
                    true};
  });
  WebResponse response;
  EXPECT_EQ(WebFetch(server.Origin() + "/cut", response), std::string(500, 'b'));
  EXPECT_EQ(response.statusText, "200 OK");
  EXPECT_EQ(response.responseBytes.size(), 500u);
  EXPECT_FALSE(response.bodyComplete);
}

TEST(WebFetch, BodyWithNulBytesIsWholeInBytesAndCutInText) {
  const std::string body("before\0after", 12);
  RawHttpServer server([&](const RawRequest&) { return Ok(body); });
  WebResponse response;
  EXPECT_EQ(WebFetch(server.Origin() + "/nul", response), "before");
  EXPECT_EQ(response.responseBytes, Bytes(body.begin(), body.end()));
}

TEST(WebFetch, ChunkedBodyIsJoined) {
  RawHttpServer server([](const RawRequest&) {
    return RawReply{
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n2\r\nde\r\n0\r\n"
        "X-Trailer: t\r\n\r\n"};
  });
  WebResponse response;
  EXPECT_EQ(WebFetch(server.Origin() + "/chunked", response), "abcde");
  EXPECT_THAT(response.responseHeaders, ::testing::Not(HasSubstr("X-Trailer")));
  EXPECT_TRUE(response.bodyComplete);
}

TEST(WebFetch, InterimContinueAnswerIsNotTheResponse) {
  RawHttpServer server([](const RawRequest&) {
    return RawReply{"HTTP/1.1 100 Continue\r\n\r\n" +
                    RawHttpServer::Answer("201 Created", {}, "made")};
  });
  WebResponse response;
  EXPECT_EQ(WebFetch(server.Origin() + "/", response), "made");
  EXPECT_EQ(response.statusText, "201 Created");
  EXPECT_THAT(response.responseHeaders, StartsWith("HTTP/1.1 201 Created\r\n"));
}

TEST(WebFetch, ServerCredentialsOnlyWhenBothAreGiven) {
  RawHttpServer server([](const RawRequest& r) {
    // "user:pa ss" in base64.
    if (r.Header("Authorization") == "Basic dXNlcjpwYSBzcw==") return Ok("secret");
    return RawReply{RawHttpServer::Answer("401 Unauthorized",
                                          {"WWW-Authenticate: Basic realm=\"r\""}, "denied")};
  });
  WebRequest request;
  request.address = server.Origin() + "/private";
  request.userName = "user";
  WebResponse onlyName;
  EXPECT_EQ(WebFetch(request, onlyName), "denied");
  EXPECT_EQ(onlyName.statusText, "401 Unauthorized");

  request.password = "pa ss";
  WebResponse both;
  EXPECT_EQ(WebFetch(request, both), "secret");
  EXPECT_EQ(both.statusText, "200 OK");
}

struct PageCase {
  const char* name;
  std::string body;
  std::string contentType;
  std::string expected;  // in the program's code page
};

Text Encoded(const std::string& utf8, const char* charset) {
  return ConvertStrict(utf8, "UTF-8", charset).value_or("conversion failed");
}

std::vector<PageCase> PageCases() {
  const std::string utf8Page = "<html><meta charset=\"utf-8\"><title>有声专辑</title></html>";
  const std::string big5Page = "<meta charset=big5><p>繁體小說</p>";
  const std::string gbkCapitals = "<META CHARSET=\"GBK\"><p>简体</p>";
  const std::string unknown = "<meta charset=x-unknown-set><p>" + FromUtf8("正文") + "</p>";
  const std::string json = R"({"album_title":"专辑","title":"第一集"})";
  const std::string undeclared = "<p>" + FromUtf8("没有声明的页面") + "</p>";
  return {
      {"Utf8Meta", utf8Page, "text/html", FromUtf8(utf8Page)},
      {"Big5Meta", Encoded(big5Page, "BIG5"), "text/html", FromUtf8(big5Page)},
      {"GbkInCapitals", Encoded(gbkCapitals, "GBK"), "text/html", FromUtf8(gbkCapitals)},
      {"UnknownCharset", unknown, "text/html", unknown},
      {"JsonByContentType", json, "application/json; charset=utf-8", FromUtf8(json)},
      {"UndeclaredGbk", undeclared, "text/html", undeclared},
  };
}

class WebFetchPageTest : public ::testing::TestWithParam<PageCase> {};

TEST_P(WebFetchPageTest, DecodesToTheProgramCodePage) {
  const PageCase& page = GetParam();
  RawHttpServer server(
      [&](const RawRequest&) { return Ok(page.body, {"Content-Type: " + page.contentType}); });
  WebResponse response;
  EXPECT_EQ(WebFetch(server.Origin() + "/page", response), page.expected);
  EXPECT_EQ(response.responseBytes, Bytes(page.body.begin(), page.body.end()));
}

INSTANTIATE_TEST_SUITE_P(Pages, WebFetchPageTest, ::testing::ValuesIn(PageCases()),
                         [](const ::testing::TestParamInfo<PageCase>& info) {
                           return info.param.name;
                         });

}  // namespace
}  // namespace quellora
