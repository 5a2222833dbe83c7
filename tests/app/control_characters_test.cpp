#include "app/control_characters.h"

#include <gtest/gtest.h>

#include <bit>
#include <string>

#include "runtime/codepage.h"

namespace quellora {
namespace {

const std::string kFffd(kReplacementCharacter);

struct ControlCase {
  const char* name;
  std::string input;
  std::string expected;
};

class ControlTable : public ::testing::TestWithParam<ControlCase> {};

TEST_P(ControlTable, ShowsEveryControlCharacterAsTheReplacement) {
  const auto& c = GetParam();
  EXPECT_EQ(ReplaceControlCharacters(c.input), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ControlTable,
    ::testing::Values(
        ControlCase{"empty", "", ""}, ControlCase{"ascii", "Track 1 ~!", "Track 1 ~!"},
        ControlCase{"terminal title", "\x1b]0;x\x07", kFffd + "]0;x" + kFffd},
        ControlCase{"clear screen", "a\x1b[2Jb", "a" + kFffd + "[2Jb"},
        ControlCase{"nul, tab, line ends, del", std::string("\0\t\r\n\x7f", 5),
                    kFffd + kFffd + kFffd + kFffd + kFffd},
        ControlCase{"two-byte, trail 40..7E", "\x81\x40\xFE\x7E\xD6\xD0",
                    "\x81\x40\xFE\x7E\xD6\xD0"},
        ControlCase{"U+0080", "\x81\x30\x81\x30", kFffd},
        ControlCase{"U+0089", "\x81\x30\x81\x39", kFffd},
        ControlCase{"U+008A", "\x81\x30\x82\x30", kFffd},
        ControlCase{"U+009F", "x\x81\x30\x84\x31y", "x" + kFffd + "y"},
        ControlCase{"U+00A0 stays", "\x81\x30\x84\x32", "\x81\x30\x84\x32"},
        ControlCase{"four-byte emoji stays", "\x94\x39\xDA\x33", "\x94\x39\xDA\x33"},
        ControlCase{"U+FFFD stays", kFffd, kFffd},
        // Malformed sequences: the lead byte stands alone, the control byte after it is found.
        ControlCase{"lead before ESC", "\x81\x1b[2J", "\x81" + kFffd + "[2J"},
        ControlCase{"four-byte cut by controls", "\x81\x30\x0a\x1b", "\x81\x30" + kFffd + kFffd},
        ControlCase{"four-byte with bad last byte", "\x81\x30\x81\x07", "\x81\x30\x81" + kFffd},
        ControlCase{"lone lead at the end", "ab\x81", "ab\x81"},
        ControlCase{"bytes 80 and FF", "\x80\x1b\xff\x07", "\x80" + kFffd + "\xff" + kFffd}),
    [](const ::testing::TestParamInfo<ControlCase>& info) {
      return "Case" + std::to_string(info.index);
    });

// The byte forms of the controls are those iconv gives: every code point up to U+00FF is
// converted on its own and compared with the rule.
TEST(ReplaceControlCharacters, AgreesWithIconvOverTheFirst256CodePoints) {
  for (char32_t code = 0; code <= 0xFF; ++code) {
    std::string utf8;
    if (code < 0x80) {
      utf8 += static_cast<char>(code);
    } else {
      utf8 += static_cast<char>(0xC0 | (code >> 6));
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    }
    const auto gb = ConvertStrict(utf8, "UTF-8", kProgramCodePage);
    ASSERT_TRUE(gb.has_value()) << static_cast<unsigned>(code);
    const bool control = code < 0x20 || (code >= 0x7F && code <= 0x9F);
    EXPECT_EQ(ReplaceControlCharacters(*gb), control ? kFffd : *gb)
        << std::hex << static_cast<unsigned>(code);
  }
  EXPECT_EQ(ConvertStrict("\xEF\xBF\xBD", "UTF-8", kProgramCodePage), kFffd);
}

// Every other character of the Basic Multilingual Plane that the code page holds, and one beyond
// it, comes back unchanged.
TEST(ReplaceControlCharacters, LeavesEveryOtherCharacterAlone) {
  const char* const utf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
  std::string all;
  int converted = 0;
  for (char32_t code = 0xA0; code <= 0x10000; ++code) {
    if (code >= 0xD800 && code <= 0xDFFF) continue;
    const std::u16string wide = code == 0x10000 ? std::u16string(u"\U0001F600")
                                                : std::u16string(1, static_cast<char16_t>(code));
    const auto gb = ConvertStrict(
        std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(char16_t)),
        utf16, kProgramCodePage);
    if (!gb) continue;  // a few private-use and unassigned code points have no mapping
    ++converted;
    ASSERT_EQ(ReplaceControlCharacters(*gb), *gb) << std::hex << static_cast<unsigned>(code);
    all += *gb;
  }
  EXPECT_GT(converted, 60000);
  EXPECT_EQ(ReplaceControlCharacters(all), all);
}

}  // namespace
}  // namespace quellora
