#include "http/response_headers.h"

#include <gtest/gtest.h>

namespace quellora {
namespace {

struct Parsed {
  Text headers;
  Text status = "before";
  Text cookies;
  Text redirect = "unchanged";
};

Parsed Parse(const Text& block, const Text& cookiesBefore = "") {
  Parsed parsed;
  parsed.headers = block;
  parsed.cookies = cookiesBefore;
  ParseResponseHeaders(parsed.headers, parsed.status, parsed.cookies, parsed.redirect);
  return parsed;
}

TEST(ParseResponseHeaders, ReadsStatusFromTheTenthByte) {
  EXPECT_EQ(Parse("HTTP/1.1 200 OK\r\nA: b\r\n\r\n").status, "200 OK");
  EXPECT_EQ(Parse("HTTP/1.1 404 Not Found\r\n\r\n").status, "404 Not Found");
  EXPECT_EQ(Parse("HTTP/1.1 204\r\n\r\n").status, "204");
  // The offset is fixed, whatever the version's length.
  EXPECT_EQ(Parse("HTTP/2 200 OK\r\n\r\n").status, "0 OK");
}

TEST(ParseResponseHeaders, StatusIsEmptyForShortOrUnendedBlocks) {
  EXPECT_EQ(Parse("HTTP/1.1").status, "");
  EXPECT_EQ(Parse("HTTP/1.1 200 OK").status, "");
  EXPECT_EQ(Parse("").status, "");
}

TEST(ParseResponseHeaders, CollectsCookieValuesWithoutAttributes) {
  const Parsed parsed =
      Parse("HTTP/1.1 200 OK\r\nSet-Cookie: a=1; Path=/; HttpOnly\r\nSet-Cookie: b=2\r\n\r\n");
  EXPECT_EQ(parsed.cookies, "a=1; b=2");
}

TEST(ParseResponseHeaders, NormalisesSetCookieCapitalsEverywhere) {
  const Parsed parsed =
      Parse("HTTP/1.1 200 OK\r\nset-cookie: a=1\r\nX-Note: about SET-COOKIE\r\n\r\n");
  EXPECT_EQ(parsed.headers,
            "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nX-Note: about Set-Cookie\r\n\r\n");
  // The note line holds "Set-Cookie" after normalising and no ";": it contributes the whole
  // line (no "Set-Cookie:" to remove), trimmed.
  EXPECT_EQ(parsed.cookies, "a=1; X-Note: about Set-Cookie");
}

TEST(ParseResponseHeaders, LineWithoutColonAfterNameGivesAnEmptyItem) {
  const Parsed parsed =
      Parse("HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nSet-Cookie2 x=1; y\r\nSet-Cookie: b=2\r\n\r\n");
  EXPECT_EQ(parsed.cookies, "a=1; ; b=2");
}

TEST(ParseResponseHeaders, KeepsEarlierCookiesInFront) {
  // The old content is joined without a separator of its own.
  EXPECT_EQ(Parse("HTTP/1.1 200 OK\r\nSet-Cookie: c=3\r\n\r\n", "z=9").cookies, "z=9c=3");
  EXPECT_EQ(Parse("HTTP/1.1 200 OK\r\nSet-Cookie: c=3\r\n\r\n", "z=9; ").cookies, "z=9; c=3");
  // No cookie line: the old content loses its last two bytes.
  EXPECT_EQ(Parse("HTTP/1.1 200 OK\r\n\r\n", "z=9; ").cookies, "z=9");
  EXPECT_EQ(Parse("HTTP/1.1 200 OK\r\n\r\n", "z=9").cookies, "z");
  EXPECT_EQ(Parse("HTTP/1.1 200 OK\r\n\r\n", "ab").cookies, "");
  EXPECT_EQ(Parse("HTTP/1.1 200 OK\r\n\r\n").cookies, "");
}

TEST(ParseResponseHeaders, EmptyCookieValueStillAddsASeparator) {
  EXPECT_EQ(Parse("HTTP/1.1 200 OK\r\nSet-Cookie: \r\nSet-Cookie: b=2\r\n\r\n").cookies, "; b=2");
}

TEST(ParseResponseHeaders, TrimsCookieValues) {
  EXPECT_EQ(Parse("HTTP/1.1 200 OK\r\nSet-Cookie:   a=1   ;x\r\n\r\n").cookies, "a=1");
}

TEST(ParseResponseHeaders, ReadsLocationIgnoringCase) {
  EXPECT_EQ(Parse("HTTP/1.1 302 Found\r\nlocation: /next?a=1\r\n\r\n").redirect, "/next?a=1");
  EXPECT_EQ(Parse("HTTP/1.1 302 Found\r\nLocation: /a\r\nLOCATION: /b\r\n\r\n").redirect, "/b");
}

TEST(ParseResponseHeaders, LocationWithoutBlankIsNotRecognised) {
  EXPECT_EQ(Parse("HTTP/1.1 302 Found\r\nLocation:/a\r\n\r\n").redirect, "unchanged");
  EXPECT_EQ(Parse("HTTP/1.1 200 OK\r\n\r\n").redirect, "unchanged");
}

}  // namespace
}  // namespace quellora
