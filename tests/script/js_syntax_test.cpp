#include "script/js_syntax.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace quellora {
namespace {

struct LiteralCase {
  const char* name;
  std::string literal;  // starts with the opening quote
  std::optional<std::string> value;
  std::size_t end;  // where reading stops on success
};

class ReadStringLiteralTest : public ::testing::TestWithParam<LiteralCase> {};

TEST_P(ReadStringLiteralTest, ReadsTheValueAndStopsAfterTheClosingQuote) {
  std::size_t at = 0;
  const std::optional<std::string> value = ReadStringLiteral(GetParam().literal, at);
  EXPECT_EQ(value, GetParam().value);
  if (value) {
    EXPECT_EQ(at, GetParam().end);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReadStringLiteralTest,
    ::testing::Values(
        LiteralCase{"Ascii", "'abc' rest", "abc", 5},
        LiteralCase{"WholeSequences", "\"\xE4\xB8\xAD\xF0\x9F\x90\x8E\xC3\xA9\"", "中🐎é", 11},
        LiteralCase{"EscapedSequenceStandsForItself", "'\\\xE4\xB8\xAD'", "中", 6},
        // A sequence cut short by the closing quote or an escape: its bytes go through one by
        // one and the quote still closes the literal.
        LiteralCase{"CutShortBeforeTheQuote", "'a\xE4\xB8'b'", "a\xE4\xB8", 5},
        LiteralCase{"CutShortBeforeAnEscape", "'\xF0\x9F\\n'", "\xF0\x9F\n", 6},
        LiteralCase{"LoneContinuationByte", "'\x80'", "\x80", 3},
        LiteralCase{"LeadAtTheEnd", "'\xE4", std::nullopt, 0},
        LiteralCase{"RawLineSeparatorStillEndsIt", "'a\xE2\x80\xA8'", std::nullopt, 0}),
    [](const ::testing::TestParamInfo<LiteralCase>& info) { return std::string(info.param.name); });

// Bytes F5..FF begin no UTF-8 sequence: each is one byte of the value and never carries the
// closing quote, an escape or a line break after it along.
TEST(ReadStringLiteral, LeadBytesF5ToFFAreSingleBytes) {
  for (unsigned lead = 0xF5; lead <= 0xFF; ++lead) {
    const std::string byte(1, static_cast<char>(lead));
    SCOPED_TRACE(lead);
    std::size_t at = 0;
    EXPECT_EQ(ReadStringLiteral("'a" + byte + "'tail'", at), "a" + byte);
    EXPECT_EQ(at, 4u);
    at = 0;
    EXPECT_EQ(ReadStringLiteral("'" + byte + "\\t" + byte + "\\\\'", at),
              byte + "\t" + byte + "\\");
    at = 0;
    EXPECT_EQ(ReadStringLiteral("'" + byte + "\n'", at), std::nullopt) << "a raw line break";
    EXPECT_EQ(ReadQuotedValue(byte + byte + "x"), byte + byte + "x");
    EXPECT_EQ(ReadQuotedValue(byte + "'"), std::nullopt) << "an unescaped apostrophe";
    at = 0;
    EXPECT_EQ(ReadStringLiteral("'\\" + byte + "'", at), byte) << "escaped, it stands for itself";
  }
}

}  // namespace
}  // namespace quellora
