#include "http/response_text.h"

#include <gtest/gtest.h>

#include "runtime/codepage.h"

namespace quellora {
namespace {

Bytes AsBytes(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

Text Encoded(std::string_view utf8, const char* charset) {
  const std::optional<std::string> converted = ConvertStrict(utf8, "UTF-8", charset);
  EXPECT_TRUE(converted.has_value()) << charset;
  return converted.value_or("");
}

TEST(DecodeResponseText, MetaUtf8PageIsReDecoded) {
  const Text page = "<html><head><meta charset=\"utf-8\"></head><body>中文标题</body></html>";
  EXPECT_EQ(DecodeResponseText(AsBytes(page)), FromUtf8(page));
}

TEST(DecodeResponseText, QuoteAfterCharsetEqualsIsSkipped) {
  const Text page = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset='UTF-8'\">专辑";
  EXPECT_EQ(DecodeResponseText(AsBytes(page)), FromUtf8(page));
}

TEST(DecodeResponseText, Big5PageIsReDecoded) {
  const Text utf8 = "<meta charset=big5><p>繁體中文</p>";
  EXPECT_EQ(DecodeResponseText(AsBytes(Encoded(utf8, "BIG5"))), FromUtf8(utf8));
}

TEST(DecodeResponseText, LowerCaseGbkNamesKeepTheBytes) {
  for (const char* name : {"gbk", "gb2312"}) {
    // Bytes that are no valid GBK show that nothing converted them.
    const Text page = Text("<meta charset=") + name + ">\xFF\x80 raw";
    EXPECT_EQ(DecodeResponseText(AsBytes(page)), page) << name;
  }
}

TEST(DecodeResponseText, CapitalGbkIsConvertedAndStaysEqual) {
  const Text page = "<META CHARSET=\"GBK\">" + FromUtf8("简体中文");
  EXPECT_EQ(DecodeResponseText(AsBytes(page)), page);
}

TEST(DecodeResponseText, CapitalNameThatDoesNotConvertKeepsTheBytes) {
  // GB2312 cannot hold this GBK-only character: the converter fails and the text stays.
  const Text page = "<meta charset=GB2312>" + FromUtf8("喆");
  EXPECT_EQ(DecodeResponseText(AsBytes(page)), page);
}

TEST(DecodeResponseText, UnknownCharsetKeepsTheUndecodedText) {
  const Text page = "<meta charset=x-no-such-set><p>text</p>";
  EXPECT_EQ(DecodeResponseText(AsBytes(page)), page);
}

TEST(DecodeResponseText, BodyThatDoesNotConvertKeepsTheUndecodedText) {
  const Text page = "<meta charset=utf-8><p>\xC3\x28 broken</p>";
  EXPECT_EQ(DecodeResponseText(AsBytes(page)), page);
}

TEST(DecodeResponseText, JsonDeclaredByContentTypeIsReadAsUtf8) {
  const Text json = R"({"album_title":"专辑","title":"第一集"})";
  EXPECT_EQ(DecodeResponseText(AsBytes(json), "application/json; charset=UTF-8"), FromUtf8(json));
  EXPECT_EQ(DecodeResponseText(AsBytes(json), "application/json;charset=\"utf-8\""),
            FromUtf8(json));
}

TEST(DecodeResponseText, ContentTypeGbkFollowsTheSameRule) {
  const Text page = "\xFF\x80 not gbk";
  EXPECT_EQ(DecodeResponseText(AsBytes(page), "text/html; charset=gbk"), page);
}

TEST(DecodeResponseText, MetaDeclarationWinsOverContentType) {
  const Text page = "<meta charset=gbk>" + FromUtf8("中文");
  EXPECT_EQ(DecodeResponseText(AsBytes(page), "text/html; charset=utf-8"), page);
}

TEST(DecodeResponseText, Utf8ByteOrderMarkIsADeclaration) {
  const Text json = R"({"title":"标题"})";
  EXPECT_EQ(DecodeResponseText(AsBytes("\xEF\xBB\xBF" + json)), FromUtf8(json));
}

TEST(DecodeResponseText, UndeclaredBodyIsTakenByteForByte) {
  const Text page = "<p>" + FromUtf8("简体中文页面") + "</p>";
  EXPECT_EQ(DecodeResponseText(AsBytes(page)), page);
  EXPECT_EQ(DecodeResponseText(AsBytes(page), "text/html"), page);
}

TEST(DecodeResponseText, DeclarationBeyondTheHeadIsNotSeen) {
  const Text page = Text(1024, ' ') + "<meta charset=utf-8>" + "中文";
  EXPECT_EQ(DecodeResponseText(AsBytes(page)), page);
}

TEST(DecodeResponseText, UndeclaredBodyIsCutAtTheFirstNul) {
  const Bytes body = {'a', 'b', 0, 'c'};
  EXPECT_EQ(DecodeResponseText(body), "ab");
}

TEST(DecodeResponseText, EmptyBodyGivesEmptyText) {
  EXPECT_EQ(DecodeResponseText(Bytes()), "");
  EXPECT_EQ(DecodeResponseText(Bytes(), "text/html; charset=utf-8"), "");
}

TEST(ContentTypeCharset, ReadsTheParameter) {
  EXPECT_EQ(ContentTypeCharset("text/html; charset=UTF-8"), "UTF-8");
  EXPECT_EQ(ContentTypeCharset("text/html;Charset=\"big5\"; x=1"), "big5");
  EXPECT_EQ(ContentTypeCharset("text/html; format=flowed"), "");
  EXPECT_EQ(ContentTypeCharset("text/html"), "");
  EXPECT_EQ(ContentTypeCharset(""), "");
}

}  // namespace
}  // namespace quellora
