#include "http/response_text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "runtime/codepage.h"

namespace quellora {
namespace {

// U+FFFD in the program's code page.
constexpr std::string_view kReplacementGb = "\x84\x31\xA4\x37";

Bytes AsBytes(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

// utf8 converted strictly: a mistake in a test's own text fails the test instead of being
// papered over.
Text Encoded(std::string_view utf8, const char* charset) {
  const std::optional<std::string> converted = ConvertStrict(utf8, "UTF-8", charset);
  EXPECT_TRUE(converted.has_value()) << charset;
  return converted.value_or("");
}

Text Gb(std::string_view utf8) {
  return Encoded(utf8, "GB18030");
}

// Decodes through both entry points and checks that they agree.
Text Decode(std::string_view body, std::string_view contentType = {}) {
  const Text fromBytes = DecodeResponseText(AsBytes(body), contentType);
  const Text fromText = DecodeResponseText(Text(body), contentType);
  EXPECT_EQ(fromBytes, fromText) << "the two overloads disagree";
  return fromBytes;
}

TEST(DecodeResponseText, MetaUtf8PageIsReDecoded) {
  const Text page = "<html><head><meta charset=\"utf-8\"></head><body>中文标题</body></html>";
  EXPECT_EQ(Decode(page), Gb(page));
}

TEST(DecodeResponseText, QuoteAfterCharsetEqualsIsSkipped) {
  const Text page = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset='UTF-8'\">专辑";
  EXPECT_EQ(Decode(page), Gb(page));
}

TEST(DecodeResponseText, Big5PageIsReDecoded) {
  const Text utf8 = "<meta charset=big5><p>繁體中文</p>";
  EXPECT_EQ(Decode(Encoded(utf8, "BIG5")), Gb(utf8));
}

TEST(DecodeResponseText, CapitalGbkIsConvertedAndStaysEqual) {
  const Text page = "<META CHARSET=\"GBK\">" + Gb("简体中文");
  EXPECT_EQ(Decode(page), page);
}

TEST(DecodeResponseText, ReplacementCharacterIsItsGb18030Code) {
  EXPECT_EQ(Decode("<meta charset=utf-8>\xFF"), "<meta charset=utf-8>" + Text(kReplacementGb));
}

// A page in a declared (or Content-Type) character set that iconv knows, holding bytes that do
// not convert: every other character is decoded, each bad sequence shows as U+FFFD.
struct BrokenPage {
  const char* what;
  std::string body;
  std::string contentType;
  std::string expectedUtf8;  // the expected text written in UTF-8, U+FFFD as EF BF BD
};

class BrokenPageTest : public ::testing::TestWithParam<BrokenPage> {};

TEST_P(BrokenPageTest, DecodesAroundTheBadBytes) {
  const BrokenPage& page = GetParam();
  EXPECT_EQ(Decode(page.body, page.contentType), Gb(page.expectedUtf8));
}

const std::string kMeta = "<meta charset=utf-8>";
const std::string kFffd = "\xEF\xBF\xBD";

INSTANTIATE_TEST_SUITE_P(
    Cases, BrokenPageTest,
    ::testing::Values(
        BrokenPage{"OneBadByteInATitle", kMeta + "<p>中文\xFF标题</p><p>第二个标题</p>", "",
                   kMeta + "<p>中文" + kFffd + "标题</p><p>第二个标题</p>"},
        BrokenPage{"LoneContinuationByte", kMeta + "专\x80辑", "", kMeta + "专" + kFffd + "辑"},
        BrokenPage{"OldCutShortPair", kMeta + "<p>\xC3\x28 broken</p>", "",
                   kMeta + "<p>" + kFffd + "( broken</p>"},
        BrokenPage{"ThreeByteSequenceCutShortByAscii", kMeta + "a\xE4\xB8" + "b中", "",
                   kMeta + "a" + kFffd + "b中"},
        BrokenPage{"FourByteSequenceCutShortByAscii", kMeta + "\xF0\x9F\x98x", "",
                   kMeta + kFffd + "x"},
        BrokenPage{"SequenceCutShortAtTheEnd", kMeta + "标题\xE6\xA0", "", kMeta + "标题" + kFffd},
        BrokenPage{"OverlongSlashIsTwoBadBytes", kMeta + "a\xC0\xAF" + "b", "",
                   kMeta + "a" + kFffd + kFffd + "b"},
        BrokenPage{"EncodedSurrogateIsThreeBadBytes", kMeta + "\xED\xA0\x80中", "",
                   kMeta + kFffd + kFffd + kFffd + "中"},
        BrokenPage{"AboveTheLastCodePoint", kMeta + "\xF4\x90\x80\x80中", "",
                   kMeta + kFffd + kFffd + kFffd + kFffd + "中"},
        BrokenPage{"ContentTypeUtf8Json", "{\"title\":\"第一\xFE集\"}",
                   "application/json; charset=UTF-8", "{\"title\":\"第一" + kFffd + "集\"}"},
        BrokenPage{"ByteOrderMarkUtf8", "\xEF\xBB\xBF{\"t\":\"\xC2专辑\"}", "",
                   "{\"t\":\"" + kFffd + "专辑\"}"},
        BrokenPage{"Big5WithABadByte", "<meta charset=big5>\xC1\x63\xFF\xA4\xA4", "",
                   "<meta charset=big5>繁" + kFffd + "中"},
        BrokenPage{"NulAfterTheBadByteStillCuts", kMeta + "a\xFF" + std::string(1, '\0') + "b", "",
                   kMeta + "a" + kFffd}),
    [](const ::testing::TestParamInfo<BrokenPage>& info) { return std::string(info.param.what); });

// Pages whose bytes stand as they came: the program's own names, names iconv does not know,
// undeclared bodies.
struct KeptPage {
  const char* what;
  std::string body;
  std::string contentType;
};

class KeptPageTest : public ::testing::TestWithParam<KeptPage> {};

TEST_P(KeptPageTest, BytesAreUnchanged) {
  const KeptPage& page = GetParam();
  EXPECT_EQ(Decode(page.body, page.contentType), page.body);
}

// Bytes that are neither valid GBK nor valid UTF-8 show that nothing converted the page.
const std::string kRawBytes = "\xFF\x80 raw \xE4\xB8";

INSTANTIATE_TEST_SUITE_P(
    Cases, KeptPageTest,
    ::testing::Values(KeptPage{"MetaGbk", "<meta charset=gbk>" + kRawBytes, ""},
                      KeptPage{"MetaGb2312", "<meta charset=gb2312>" + kRawBytes, ""},
                      KeptPage{"ContentTypeGbk", kRawBytes, "text/html; charset=gbk"},
                      KeptPage{"MetaGbkWinsOverContentTypeUtf8", "<meta charset=gbk>" + kRawBytes,
                               "text/html; charset=utf-8"},
                      KeptPage{"MetaUnknownName", "<meta charset=x-no-such-set>" + kRawBytes, ""},
                      KeptPage{"ContentTypeUnknownName", kRawBytes, "text/html; charset=x-none"},
                      KeptPage{"Undeclared", "<p>" + kRawBytes + "</p>", ""},
                      KeptPage{"UndeclaredWithContentType", "<p>" + kRawBytes + "</p>",
                               "text/html"},
                      KeptPage{"DeclarationBeyondTheHead",
                               std::string(1024, ' ') + "<meta charset=utf-8>" + kRawBytes, ""}),
    [](const ::testing::TestParamInfo<KeptPage>& info) { return std::string(info.param.what); });

TEST(DecodeResponseText, CapitalGb2312ReplacesEachByteItCannotRead) {
  // GB2312 cannot hold this GBK-only character (GBK 86 B4): iconv knows the name, so the rest
  // of the page is read and each byte of the character becomes U+FFFD (B4 would lead a pair,
  // but "x" cannot follow it).
  const Text page = "<meta charset=GB2312>" + Gb("中") + Gb("喆") + "x" + Gb("文");
  ASSERT_EQ(Gb("喆"), "\x86\xB4");
  EXPECT_EQ(Decode(page), "<meta charset=GB2312>" + Gb("中") + Text(kReplacementGb) +
                              Text(kReplacementGb) + "x" + Gb("文"));
}

TEST(DecodeResponseText, JsonDeclaredByContentTypeIsReadAsUtf8) {
  const Text json = R"({"album_title":"专辑","title":"第一集"})";
  EXPECT_EQ(Decode(json, "application/json; charset=UTF-8"), Gb(json));
  EXPECT_EQ(Decode(json, "application/json;charset=\"utf-8\""), Gb(json));
}

TEST(DecodeResponseText, MetaDeclarationWinsOverContentType) {
  const Text page = "<meta charset=gbk>" + Gb("中文");
  EXPECT_EQ(Decode(page, "text/html; charset=utf-8"), page);
}

TEST(DecodeResponseText, Utf8ByteOrderMarkIsADeclaration) {
  const Text json = R"({"title":"标题"})";
  EXPECT_EQ(Decode("\xEF\xBB\xBF" + json), Gb(json));
}

TEST(DecodeResponseText, UndeclaredGbTextIsTakenByteForByte) {
  const Text page = "<p>" + Gb("简体中文页面") + "</p>";
  EXPECT_EQ(Decode(page), page);
}

TEST(DecodeResponseText, UndeclaredBodyIsCutAtTheFirstNul) {
  const Bytes body = {'a', 'b', 0, 'c'};
  EXPECT_EQ(DecodeResponseText(body), "ab");
  EXPECT_EQ(DecodeResponseText(Text("ab\0c", 4)), "ab");
}

TEST(DecodeResponseText, UndeclaredTextBodyBecomesTheResultWithoutACopy) {
  Text body(4096, 'x');
  body[100] = '\0';
  const char* const buffer = body.data();
  const Text decoded = DecodeResponseText(std::move(body));
  EXPECT_EQ(decoded, Text(100, 'x'));
  EXPECT_EQ(decoded.data(), buffer);
}

TEST(DecodeResponseText, EmptyBodyGivesEmptyText) {
  EXPECT_EQ(Decode(""), "");
  EXPECT_EQ(Decode("", "text/html; charset=utf-8"), "");
  EXPECT_EQ(Decode("", "text/html; charset=x-none"), "");
}

TEST(ContentTypeCharset, ReadsTheParameter) {
  EXPECT_EQ(ContentTypeCharset("text/html; charset=UTF-8"), "UTF-8");
  EXPECT_EQ(ContentTypeCharset("text/html;Charset=\"big5\"; x=1"), "big5");
  EXPECT_EQ(ContentTypeCharset("text/html; CHARSET = gbk"), "gbk");
  EXPECT_EQ(ContentTypeCharset("text/html; format=flowed"), "");
  EXPECT_EQ(ContentTypeCharset("text/html"), "");
  EXPECT_EQ(ContentTypeCharset(""), "");
}

}  // namespace
}  // namespace quellora
