#include "script/regex_object.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/codepage.h"

namespace quellora {
namespace {

/// A UTF-8 literal in the program's code page.
Text Gb(std::string_view utf8) {
  return FromUtf8(utf8);
}

constexpr char kPagingPattern[] = "data-page='(\\d)'";
constexpr char kCharsetPattern[] = "<meta.+?charset=[^\\w]?([-\\w]+)";

TEST(RegexObjectTest, NewObjectReadsEmpty) {
  RegexObject regex;
  int position = 7;
  EXPECT_EQ(regex.GetPattern(), "");
  EXPECT_EQ(regex.MatchCount(), 0);
  EXPECT_EQ(regex.SubMatchCount(), 0);
  EXPECT_EQ(regex.MatchText(1, &position), "");
  EXPECT_EQ(position, -1);
  EXPECT_EQ(regex.ReplaceMatches("x"), "");
}

TEST(RegexObjectTest, PatternWithoutMatchGivesAnEmptyList) {
  RegexObject regex;
  EXPECT_TRUE(regex.Search("zzz", "abc"));
  EXPECT_EQ(regex.MatchCount(), 0);
  EXPECT_EQ(regex.MatchText(1), "");
  EXPECT_EQ(regex.ReplaceMatches("x"), "abc");
}

TEST(RegexObjectTest, InvalidPatternFailsAndEveryReadIsEmpty) {
  RegexObject regex;
  ASSERT_TRUE(regex.Search("(a)", "a"));
  EXPECT_FALSE(regex.Search("(a", "aaa"));
  EXPECT_EQ(regex.MatchCount(), 0);
  EXPECT_EQ(regex.SubMatchCount(), 0);
  EXPECT_EQ(regex.MatchText(1), "");
  EXPECT_EQ(regex.SubMatchText(1, 1), "");
  EXPECT_EQ(regex.ReplaceMatches("x"), "");
  EXPECT_EQ(regex.GetPattern(), "(a");
}

TEST(RegexObjectTest, PagingPatternIgnoresCaseAndCountsEveryLink) {
  RegexObject regex;
  ASSERT_TRUE(regex.Search(kPagingPattern,
                           "<a DATA-PAGE='3'>3</a>\n<a data-page='1'>1</a><a data-page='2'>"));
  EXPECT_EQ(regex.MatchCount(), 3);
  EXPECT_EQ(regex.MatchText(1), "DATA-PAGE='3'");
  EXPECT_EQ(regex.SubMatchText(3, 1), "2");
  EXPECT_EQ(regex.SubMatchCount(), 1);
}

TEST(RegexObjectTest, PagingPatternTakesOneAsciiDigitOnly) {
  RegexObject regex;
  // Two digits, and a full-width digit (A3 B1 in the program's code page).
  ASSERT_TRUE(regex.Search(kPagingPattern, "data-page='12' " + Gb("data-page='１'")));
  EXPECT_EQ(regex.MatchCount(), 0);
}

TEST(RegexObjectTest, CaseSensitiveSearchKeepsCase) {
  RegexObject regex;
  ASSERT_TRUE(regex.Search(kPagingPattern, "DATA-PAGE='3'", true));
  EXPECT_EQ(regex.MatchCount(), 0);
}

TEST(RegexObjectTest, NonGlobalSearchKeepsTheFirstMatch) {
  RegexObject regex;
  ASSERT_TRUE(regex.Search("a", "aaa", false, true, false));
  EXPECT_EQ(regex.MatchCount(), 1);
  EXPECT_EQ(regex.ReplaceMatches("b"), "baa");
}

TEST(RegexObjectTest, MatchNumbersOutsideTheListReadEmpty) {
  RegexObject regex;
  ASSERT_TRUE(regex.Search("a", "aa"));
  int position = 9;
  EXPECT_EQ(regex.MatchText(0, &position), "");
  EXPECT_EQ(position, -1);
  EXPECT_EQ(regex.MatchText(3), "");
  EXPECT_EQ(regex.MatchText(-1), "");
  EXPECT_EQ(regex.SubMatchText(0, 1), "");
  EXPECT_EQ(regex.SubMatchText(1, 1, &position), "");  // no group 1
  EXPECT_EQ(position, -2);
}

TEST(RegexObjectTest, QuoteMarkerBecomesADoubleQuote) {
  RegexObject regex;
  Text pattern = "a" + Gb("#引号") + "b";
  ASSERT_TRUE(regex.Search(pattern, "xa\"b", false, true, true, true));
  EXPECT_EQ(regex.GetPattern(), "a\"b");
  EXPECT_EQ(regex.MatchText(1), "a\"b");
  ASSERT_TRUE(regex.Search(pattern, "xa\"b"));
  EXPECT_EQ(regex.GetPattern(), pattern);
  EXPECT_EQ(regex.MatchCount(), 0);
}

TEST(RegexObjectTest, GroupThatTookNoPartIsEmpty) {
  RegexObject regex;
  ASSERT_TRUE(regex.Search("(a)|(b)", "b"));
  EXPECT_EQ(regex.SubMatchCount(), 2);
  EXPECT_EQ(regex.SubMatchText(1, 1), "");
  EXPECT_EQ(regex.SubMatchText(1, 2), "b");
}

struct PositionCase {
  const char* name;
  Text pattern;
  Text subject;
  int match;
  Text text;
  int position;
};

class RegexPositionTest : public ::testing::TestWithParam<PositionCase> {};

TEST_P(RegexPositionTest, MatchBeginsAtTheByteOffset) {
  const PositionCase& c = GetParam();
  RegexObject regex;
  ASSERT_TRUE(regex.Search(c.pattern, c.subject));
  int position = -9;
  EXPECT_EQ(regex.MatchText(c.match, &position), c.text);
  EXPECT_EQ(position, c.position);
}

INSTANTIATE_TEST_SUITE_P(
    Subjects, RegexPositionTest,
    ::testing::Values(
        PositionCase{"ascii", "ab", "xxab", 1, "ab", 2},
        PositionCase{"two_byte_characters", "ab", Gb("中文ab"), 1, "ab", 4},
        PositionCase{"second_of_two", "aa", "aaaa", 2, "aa", 2},
        PositionCase{"chinese_in_pattern", Gb("文(.)"), Gb("中文ab"), 1, Gb("文a"), 2},
        PositionCase{"dot_takes_a_chinese_character", ".b", Gb("中文b"), 1, Gb("文b"), 2},
        // An emoji is one four-byte character in GB18030 and two UTF-16 units.
        PositionCase{"outside_gbk", "ab", Gb("😀ab"), 1, "ab", 4},
        PositionCase{"dot_takes_an_emoji", "x.", Gb("x😀"), 1, Gb("x😀"), 0},
        // A byte that starts no character becomes one replacement character.
        PositionCase{"invalid_byte", "ab",
                     "\xFF"
                     "ab",
                     1, "ab", 1},
        PositionCase{"invalid_lead_before_ascii", "b", "\x81 b", 1, "b", 2},
        PositionCase{"truncated_character_at_end", "a", "a\x81", 1, "a", 0},
        // Shaped like a four-byte character but beyond the mapped range: its first byte does
        // not convert, the bytes after it are read again.
        PositionCase{"unmapped_four_bytes", "ab",
                     "\x84\x31\xA5\x30"
                     "ab",
                     1, "ab", 4},
        PositionCase{"unmapped_four_bytes_rescanned", "1", "\x84\x31\xA5\x30", 1, "1", 1},
        PositionCase{"valid_after_invalid", Gb("文"), "\xFF" + Gb("中文"), 1, Gb("文"), 3}),
    [](const ::testing::TestParamInfo<PositionCase>& info) { return info.param.name; });

TEST(RegexObjectTest, GroupPositionIsTheFirstOccurrenceFromTheMatchStart) {
  RegexObject regex;
  ASSERT_TRUE(regex.Search("b(b)", "xbb"));
  int matchPosition = -9;
  int groupPosition = -9;
  EXPECT_EQ(regex.MatchText(1, &matchPosition), "bb");
  EXPECT_EQ(matchPosition, 1);
  EXPECT_EQ(regex.SubMatchText(1, 1, &groupPosition), "b");
  EXPECT_EQ(groupPosition, 1);  // the first b of the match, not where the group matched
}

TEST(RegexObjectTest, GroupPositionIgnoresCaseOnlyWhenTheSearchDid) {
  RegexObject regex;
  int position = -9;
  ASSERT_TRUE(regex.Search("B(b)", "xBb"));
  EXPECT_EQ(regex.SubMatchText(1, 1, &position), "b");
  EXPECT_EQ(position, 1);
  ASSERT_TRUE(regex.Search("B(b)", "xBb", true));
  EXPECT_EQ(regex.SubMatchText(1, 1, &position), "b");
  EXPECT_EQ(position, 2);
}

TEST(RegexObjectTest, GroupPositionInAChineseSubject) {
  RegexObject regex;
  int position = -9;
  ASSERT_TRUE(regex.Search(Gb("文(ab)"), Gb("ab中文ab")));
  EXPECT_EQ(regex.SubMatchText(1, 1, &position), "ab");
  EXPECT_EQ(position, 6);
}

TEST(RegexObjectTest, CharsetPatternFindsTheDeclaredName) {
  struct Case {
    Text head;
    Text name;
  };
  const Case cases[] = {
      {"<html><head><meta charset=\"utf-8\"><title>", "utf-8"},
      {"<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=GB2312\">", "GB2312"},
      {"<meta http-equiv=Content-Type content=text/html;charset=big5>", "big5"},
      {"<meta charset='iso-8859-1'/>", "iso-8859-1"},
  };
  for (const Case& c : cases) {
    RegexObject regex;
    ASSERT_TRUE(regex.Search(kCharsetPattern, c.head)) << c.head;
    EXPECT_EQ(regex.SubMatchCount(), 1) << c.head;
    EXPECT_EQ(regex.SubMatchText(1, 1), c.name) << c.head;
  }
}

TEST(RegexObjectTest, CharsetPatternWithoutDeclaration) {
  RegexObject regex;
  ASSERT_TRUE(regex.Search(kCharsetPattern, "<html><head><meta name=\"x\"><title>t</title>"));
  EXPECT_EQ(regex.SubMatchCount(), 0);
  EXPECT_EQ(regex.SubMatchText(1, 1), "");
}

TEST(RegexObjectTest, DotDoesNotMatchALineBreak) {
  RegexObject regex;
  ASSERT_TRUE(regex.Search("<meta.+?charset=(\\w+)", "<meta\ncharset=utf8"));
  EXPECT_EQ(regex.MatchCount(), 0);
  ASSERT_TRUE(regex.Search("a.c", "a\rc"));
  EXPECT_EQ(regex.MatchCount(), 0);
}

TEST(RegexObjectTest, AnchorsFollowTheMultilineOption) {
  RegexObject regex;
  ASSERT_TRUE(regex.Search("^b$", "a\nb\r\nc"));
  EXPECT_EQ(regex.MatchCount(), 1);
  ASSERT_TRUE(regex.Search("^b$", "a\nb\r\nc", false, false));
  EXPECT_EQ(regex.MatchCount(), 0);
  // Without multiline "$" is the very end, not before a final line break.
  ASSERT_TRUE(regex.Search("a$", "a\n", false, false));
  EXPECT_EQ(regex.MatchCount(), 0);
  ASSERT_TRUE(regex.Search("^a", "a\na\na"));
  EXPECT_EQ(regex.MatchCount(), 3);
}

TEST(RegexObjectTest, EmptyMatchesAdvanceOneCharacter) {
  RegexObject regex;
  ASSERT_TRUE(regex.Search("x*", "abc"));
  EXPECT_EQ(regex.MatchCount(), 4);
  int position = -9;
  EXPECT_EQ(regex.MatchText(4, &position), "");
  EXPECT_EQ(position, 3);
  // An emoji is stepped over whole, never split between its two units.
  ASSERT_TRUE(regex.Search("", Gb("😀")));
  EXPECT_EQ(regex.MatchCount(), 2);
  EXPECT_EQ(regex.MatchText(2, &position), "");
  EXPECT_EQ(position, 4);
  EXPECT_EQ(regex.ReplaceMatches("-"), "-" + Gb("😀") + "-");
}

TEST(RegexObjectTest, DialectOfAScriptingRegexComponent) {
  struct Case {
    const char* pattern;
    const char* subject;
    int count;
    const char* first;
  };
  const Case cases[] = {
      {"<.+?>", "<a><b>", 2, "<a>"},
      {"<.+>", "<a><b>", 1, "<a><b>"},
      {"[a-c]+", "xxabcabx", 1, "abcab"},
      {"[^\\w\\s]", "a b-c", 1, "-"},
      {"cat|dog", "dog cat", 2, "dog"},
      {"\\bis\\b", "this is", 1, "is"},
      {"(\\d+)-(\\d+)", "tel 12-345", 1, "12-345"},
      {"a{2,3}", "aaaaaaaa", 3, "aaa"},
      {"(?:ab)+", "ababx", 1, "abab"},
      {"\\u0041", "xA", 1, "A"},
      {"\\x41", "xA", 1, "A"},
      {"a(?=b)", "acab", 1, "a"},
  };
  for (const Case& c : cases) {
    RegexObject regex;
    ASSERT_TRUE(regex.Search(c.pattern, c.subject)) << c.pattern;
    EXPECT_EQ(regex.MatchCount(), c.count) << c.pattern;
    EXPECT_EQ(regex.MatchText(1), c.first) << c.pattern;
  }
}

TEST(RegexObjectTest, ShorthandClassesAreAscii) {
  RegexObject regex;
  ASSERT_TRUE(regex.Search("\\w+", Gb("ab中文cd")));
  EXPECT_EQ(regex.MatchCount(), 2);
  ASSERT_TRUE(regex.Search("\\s", Gb("a　b")));  // the full-width blank is no \s
  EXPECT_EQ(regex.MatchCount(), 0);
}

TEST(RegexObjectTest, ReplacementTexts) {
  struct Case {
    const char* pattern;
    const char* subject;
    const char* replacement;
    const char* result;
  };
  const Case cases[] = {
      {"(\\w+)@(\\w+)", "a@b c@d", "$2@$1", "b@a d@c"},
      {"b", "abc", "[$&]", "a[b]c"},
      {"b", "abc", "$$", "a$c"},
      {"b", "abc", "[$`]", "a[a]c"},
      {"b", "abc", "[$']", "a[c]c"},
      {"(b)", "abc", "$12", "ab2c"},       // no group 12: group 1, then "2"
      {"(b)", "abc", "$0$9$", "a$0$9$c"},  // not groups: taken as they stand
      {"(x)?b", "abc", "[$1]", "a[]c"},
      {"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)", "abcdefghijk", "$11$10", "kj"},
      {"b", "abc", "$", "a$c"},
  };
  for (const Case& c : cases) {
    RegexObject regex;
    ASSERT_TRUE(regex.Search(c.pattern, c.subject)) << c.pattern;
    EXPECT_EQ(regex.ReplaceMatches(c.replacement), c.result) << c.pattern << " " << c.replacement;
  }
}

TEST(RegexObjectTest, ReplacementKeepsTheSubjectsBytes) {
  RegexObject regex;
  // An undecodable byte survives, and Chinese text goes in and out unchanged.
  Text subject = "\xFF" + Gb("中a文a");
  ASSERT_TRUE(regex.Search("a", subject));
  EXPECT_EQ(regex.ReplaceMatches(Gb("字$&")), "\xFF" + Gb("中字a文字a"));
  ASSERT_TRUE(regex.Search(Gb("(文)"), Gb("中文")));
  EXPECT_EQ(regex.ReplaceMatches("<$1>"), Gb("中<文>"));
}

TEST(RegexObjectTest, LargeSubjectsGiveTheSamePositions) {
  // Large enough to be matched by compiled machine code.
  const Text unit = Gb("中文😀data-page='3' ");
  Text subject;
  for (int i = 0; i < 2000; ++i) subject += unit;
  RegexObject regex;
  ASSERT_TRUE(regex.Search(kPagingPattern, subject));
  ASSERT_EQ(regex.MatchCount(), 2000);
  int position = -9;
  EXPECT_EQ(regex.MatchText(1500, &position), "data-page='3'");
  EXPECT_EQ(position, 1499 * static_cast<int>(unit.size()) + 8);
  EXPECT_EQ(regex.SubMatchText(2000, 1, &position), "3");
  EXPECT_EQ(position, 1999 * static_cast<int>(unit.size()) + 19);
  ASSERT_TRUE(regex.Search("x*", subject));
  EXPECT_EQ(regex.MatchCount(), 2000 * 17 + 1);  // one per character, and one at the end
}

TEST(RegexObjectTest, EachSearchReplacesTheLastOne) {
  RegexObject regex;
  ASSERT_TRUE(regex.Search("(a)(b)", "ab ab"));
  ASSERT_TRUE(regex.Search("c", "c"));
  EXPECT_EQ(regex.MatchCount(), 1);
  EXPECT_EQ(regex.SubMatchCount(), 0);
  EXPECT_EQ(regex.GetPattern(), "c");
}

TEST(RegexObjectTest, CopiesAreIndependent) {
  RegexObject regex;
  ASSERT_TRUE(regex.Search("a", "aa"));
  RegexObject copy = regex;
  ASSERT_TRUE(regex.Search("b", "b"));
  EXPECT_EQ(copy.MatchCount(), 2);
  EXPECT_EQ(copy.GetPattern(), "a");
  EXPECT_EQ(regex.MatchCount(), 1);
}

}  // namespace
}  // namespace quellora
