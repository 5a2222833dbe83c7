#include "script/code_page_decoder.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/codepage.h"
#include "script/json_text.h"

namespace quellora {
namespace {

std::optional<std::string> Strict(std::string_view text) {
  return ConvertStrict(text, kProgramCodePage, "UTF-8");
}

TEST(CodePageDecoderTest, EveryTwoByteCodeDecodesAsIconvDoes) {
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const std::string code = {static_cast<char>(lead), static_cast<char>(trail)};
      auto expected = Strict(code);
      auto decoded = DecodeCodePageFast(code);
      ASSERT_EQ(decoded.has_value(), expected.has_value()) << std::hex << lead << ' ' << trail;
      if (expected) {
        ASSERT_EQ(*decoded, *expected) << std::hex << lead << ' ' << trail;
      }
    }
  }
}

TEST(CodePageDecoderTest, MixedRunsKeepTheirOrderAtEveryBoundary) {
  const std::string chinese = FromUtf8("晨曲");        // two-byte codes
  const std::string emoji = FromUtf8("😀");             // a four-byte code
  const std::string bmpFourByte = FromUtf8("\u0080");  // a four-byte code in the BMP
  ASSERT_EQ(emoji.size(), 4u);
  ASSERT_EQ(bmpFourByte.size(), 4u);
  const std::string cases[] = {
      "",
      "a",
      chinese,
      "a" + chinese,
      chinese + "a",
      "ab" + chinese + "cd" + chinese + "e",
      emoji,
      "x" + emoji + "y",
      chinese + emoji + chinese,
      emoji + emoji + "z" + bmpFourByte,
      std::string("\"{}\\\x7f\x01", 6) + chinese,
  };
  for (const std::string& text : cases) {
    auto expected = Strict(text);
    ASSERT_TRUE(expected.has_value());
    auto decoded = DecodeCodePageFast(text);
    ASSERT_TRUE(decoded.has_value()) << text;
    EXPECT_EQ(*decoded, *expected) << text;
    EXPECT_EQ(TextToUtf8(text), *expected) << text;
  }
}

TEST(CodePageDecoderTest, BrokenSequencesAreLeftToTheSlowPath) {
  const std::string chinese = FromUtf8("晨");
  const std::string emoji = FromUtf8("😀");
  const std::string cases[] = {
      "a" + chinese.substr(0, 1),      // lead byte at the end
      chinese.substr(0, 1) + " a",     // lead byte before a space
      "\x80",                          // not a lead byte
      "\xff" + chinese,                // not a lead byte
      "b" + emoji.substr(0, 3),        // four-byte code cut short
      emoji.substr(0, 2) + "xy",       // digits missing
      std::string("\x81\x30\x81", 3),  // four-byte code cut short at the end
  };
  for (const std::string& text : cases) {
    EXPECT_FALSE(DecodeCodePageFast(text).has_value()) << text;
    // The slow path decides, as it did before the fast path existed.
    auto strict = Strict(text);
    EXPECT_EQ(TextToUtf8(text), strict ? *strict : ToUtf8(text)) << text;
  }
}

}  // namespace
}  // namespace quellora
