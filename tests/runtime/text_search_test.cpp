// TextFind, TextReplace and TextSplit: positions, the character-boundary rule and the count rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/text.h"
#include "support/gb_text.h"

namespace quellora {
namespace {

using testing::Gb;

std::vector<std::string> Pieces(const TextArray& array) {
  EXPECT_EQ(array.DimensionCount(), 1);
  return array.Elements();
}

struct FindCase {
  std::string text;
  std::string sub;
  int start;
  bool ignoreCase;
  int expected;
};

class TextFindTable : public ::testing::TestWithParam<FindCase> {};

TEST_P(TextFindTable, FindsAtCharacterStartsOnly) {
  const FindCase& c = GetParam();
  EXPECT_EQ(TextFind(c.text, c.sub, c.start, c.ignoreCase), c.expected)
      << "sub '" << c.sub << "' start " << c.start;
}

INSTANTIATE_TEST_SUITE_P(
    Positions, TextFindTable,
    ::testing::Values(
        FindCase{"xxabcxxabc", "abc", 1, false, 3}, FindCase{"xxabcxxabc", "abc", 4, false, 8},
        FindCase{"xxabcxxabc", "abc", 0, false, 3}, FindCase{"xxabcxxabc", "abc", -5, false, 3},
        FindCase{"xxabcxxabc", "abc", 11, false, -1}, FindCase{"xxabcxxabc", "abc", 8, false, 8},
        FindCase{"xxabcxxabc", "abc", 9, false, -1}, FindCase{"abc", "", 1, false, 1},
        FindCase{"abc", "", 3, false, 1}, FindCase{"", "", 1, false, -1},
        FindCase{"abc", "", 4, false, -1}, FindCase{"", "a", 1, false, -1},
        FindCase{"ab", "abc", 1, false, -1}, FindCase{"xabc", "ABC", 1, false, -1},
        FindCase{"xabc", "ABC", 1, true, 2}, FindCase{"xABC", "abc", 1, true, 2},
        FindCase{"x[a", "{A", 1, true, -1}, FindCase{"xa", "A", 1, true, 2},
        FindCase{"xa", "A", 1, false, -1}));

INSTANTIATE_TEST_SUITE_P(TwoByteCharacters, TextFindTable,
                         ::testing::Values(
                             // A1 41 begins on the second byte of B0 A1.
                             FindCase{"\xB0\xA1\x41", "\xA1\x41", 1, false, -1},
                             FindCase{"\xB0\xA1\x41", "\xA1\x41", 1, true, -1},
                             // A start on the second byte makes that byte count as a lead byte.
                             FindCase{"\xB0\xA1\x41", "\xA1\x41", 2, false, 2},
                             // The follower of a lead byte may be ASCII: B0 41 is one character.
                             FindCase{"\xB0\x41\x42", "\x41\x42", 1, false, -1},
                             FindCase{"\xB0\x41\x42\x41\x42", "\x41\x42", 1, false, 4},
                             FindCase{"\xB0\x41\x42\x41\x42", "\x61\x62", 1, true, 4},
                             // A lone lead byte at the end ends the walk before it is compared.
                             FindCase{"a\xB0", "\xB0", 1, false, -1},
                             FindCase{"\xB0", "\xB0", 1, false, -1},
                             FindCase{"\xB0\xB0\xB0", "\xB0", 1, false, 1},
                             FindCase{"\xB0\xB0\xB0", "\xB0", 2, false, 2},
                             FindCase{"a\xB0\xB0\xB0", "\xB0", 3, false, 3},
                             FindCase{"a\xB0\xB0\xB0", "\xB0", 4, false, -1}));

TEST(TextFind, ChineseTextAndMarkers) {
  const std::string page = Gb("专辑《夜曲》<a href=\"/u1\" hashlink>夜曲</a>");
  EXPECT_EQ(TextFind(page, Gb("夜曲")), 7);
  EXPECT_EQ(TextFind(page, "hashlink>"), static_cast<int>(page.find("hashlink>")) + 1);
  EXPECT_EQ(TextFind(page, Gb("夜曲"), 8), static_cast<int>(page.rfind(Gb("夜曲"))) + 1);
  EXPECT_EQ(TextFind(page, "HASHLINK>", 1, true), TextFind(page, "hashlink>"));
}

TEST(TextFind, FourByteCharactersStepAsTwoUnits) {
  // U+1F600 is 94 39 FC 36; the ASCII bytes "9" and "6" inside it are never matched.
  const std::string face = Gb("😀");
  ASSERT_EQ(face, "\x94\x39\xFC\x36");
  const std::string text = face + "96" + face + "9";
  EXPECT_EQ(TextFind(text, "9"), 5);
  EXPECT_EQ(TextFind(text, "6"), 6);
  EXPECT_EQ(TextFind(text, "9", 6), 11);
  EXPECT_EQ(TextFind(face + face, "6"), -1);
  EXPECT_EQ(TextFind(face + face, face), 1);
  EXPECT_EQ(TextFind("a" + face, face), 2);
}

// Compares the fast search with a literal character-by-character walk over generated texts of
// ASCII letters, lead bytes and followers.
int WalkFind(const std::string& text, const std::string& sub, int start, bool ignoreCase) {
  std::size_t o = start > 1 ? static_cast<std::size_t>(start - 1) : 0;
  if (o >= text.size()) return -1;
  if (sub.empty()) return 1;
  auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  while (o < text.size()) {
    const bool lead = static_cast<unsigned char>(text[o]) >= 0x80;
    if (lead && o + 1 == text.size()) return -1;
    if (text.size() - o < sub.size()) return -1;
    bool match = true;
    for (std::size_t i = 0; i < sub.size() && match; ++i) {
      match = ignoreCase ? fold(text[o + i]) == fold(sub[i]) : text[o + i] == sub[i];
    }
    if (match) return static_cast<int>(o + 1);
    o += lead ? 2 : 1;
  }
  return -1;
}

TEST(TextFind, AgreesWithTheCharacterWalkOnGeneratedTexts) {
  const std::string alphabet = "aAbB\xB0\xA1\xC1";
  std::uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245U + 12345U;
    return (seed >> 16) & 0x7FFF;
  };
  for (int round = 0; round < 4000; ++round) {
    std::string text;
    const std::size_t length = next() % 40;
    for (std::size_t i = 0; i < length; ++i) text += alphabet[next() % alphabet.size()];
    std::string sub;
    const std::size_t subLength = 1 + next() % 3;
    for (std::size_t i = 0; i < subLength; ++i) sub += alphabet[next() % alphabet.size()];
    const int start = static_cast<int>(next() % 8) - 2;
    const bool ignoreCase = next() % 2 == 0;
    ASSERT_EQ(TextFind(text, sub, start, ignoreCase), WalkFind(text, sub, start, ignoreCase))
        << "round " << round;
  }
}

TEST(TextFind, LongTextsCrossTheWordAtATimeStepping) {
  // Runs of eight and more high bytes and ASCII, with the needle placed at odd and even offsets.
  for (std::size_t ascii = 0; ascii < 12; ++ascii) {
    std::string text(ascii, 'x');
    for (int i = 0; i < 9; ++i) text += Gb("中");
    text += "\xA1";  // a follower run: D6 D0 ... A1 then "<b>" starts at a character
    text += "\xD6<b><b>";
    EXPECT_EQ(TextFind(text, "<b>"), WalkFind(text, "<b>", 1, false)) << ascii;
    EXPECT_EQ(TextFind(text, "<B>", 1, true), WalkFind(text, "<B>", 1, true)) << ascii;
  }
}

struct ReplaceCase {
  std::string text;
  std::string sub;
  std::string replacement;
  int start;
  int count;
  bool caseSensitive;
  std::string expected;
};

class TextReplaceTable : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(TextReplaceTable, Replaces) {
  const ReplaceCase& c = GetParam();
  EXPECT_EQ(TextReplace(c.text, c.sub, c.replacement, c.start, c.count, c.caseSensitive),
            c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextReplaceTable,
    ::testing::Values(ReplaceCase{"aXbXc", "X", "--", 1, -1, true, "a--b--c"},
                      ReplaceCase{"aXbXc", "X", "--", 1, 1, true, "a--bXc"},
                      ReplaceCase{"aXbXc", "X", "--", 3, -1, true, "aXb--c"},
                      ReplaceCase{"aXbXc", "", "--", 1, -1, true, "aXbXc"},
                      ReplaceCase{"aXbXc", "X", "--", 1, 0, true, "aXbXc"},
                      ReplaceCase{"aXbXc", "x", "--", 1, -1, false, "a--b--c"},
                      ReplaceCase{"aXbXc", "x", "--", 1, -1, true, "aXbXc"},
                      ReplaceCase{"aXbXc", "X", "--", -3, -7, true, "a--b--c"},
                      ReplaceCase{"aXbXc", "X", "--", 6, -1, true, "aXbXc"},
                      ReplaceCase{"aaa", "aa", "b", 1, -1, true, "ba"},
                      ReplaceCase{"", "a", "b", 1, -1, true, ""},
                      ReplaceCase{"abab", "ab", "", 1, -1, true, ""},
                      // Replaced text is not searched again.
                      ReplaceCase{"aa", "a", "aa", 1, -1, true, "aaaa"},
                      // A1 41 on the second byte of B0 A1 is not replaced ...
                      ReplaceCase{"\xB0\xA1\x41", "\xA1\x41", "z", 1, -1, true, "\xB0\xA1\x41"},
                      // ... unless the walk starts on it.
                      ReplaceCase{"\xB0\xA1\x41", "\xA1\x41", "z", 2, -1, true, "\xB0z"},
                      // A lone lead byte met by a one-byte walk is dropped; a longer sub stops
                      // the walk before it and the rest is kept.
                      ReplaceCase{"ab\xB0", "x", "y", 1, -1, true, "ab"},
                      ReplaceCase{"ab\xB0", "xy", "z", 1, -1, true, "ab\xB0"},
                      ReplaceCase{"ab\xB0", "\xB0", "z", 1, -1, true, "abz"}));

TEST(TextReplace, ChineseText) {
  EXPECT_EQ(TextReplace(Gb("《书名》《书名》"), Gb("书名"), "x"), Gb("《x》《x》"));
  EXPECT_EQ(TextReplace(Gb("《书名》"), Gb("《"), ""), Gb("书名》"));
  // "9" inside a four-byte character stays.
  EXPECT_EQ(TextReplace(Gb("😀9"), "9", "0"), Gb("😀0"));
}

struct SplitCase {
  std::string text;
  std::string delimiter;
  std::optional<int> count;
  std::vector<std::string> expected;
};

class TextSplitTable : public ::testing::TestWithParam<SplitCase> {};

TEST_P(TextSplitTable, Splits) {
  const SplitCase& c = GetParam();
  EXPECT_EQ(Pieces(TextSplit(c.text, c.delimiter, c.count)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextSplitTable,
    ::testing::Values(
        SplitCase{"a,,b,", ",", std::nullopt, {"a", "", "b"}},
        SplitCase{",a", ",", std::nullopt, {"", "a"}}, SplitCase{",", ",", std::nullopt, {""}},
        SplitCase{",,", ",", std::nullopt, {"", ""}}, SplitCase{"abc", "", std::nullopt, {"abc"}},
        SplitCase{"", ",", std::nullopt, {}}, SplitCase{"a,b,c", ",", 2, {"a", "b"}},
        SplitCase{"a,b,c", ",", 5, {"a", "b", "c"}}, SplitCase{"a,b,c", ",", 1, {"a"}},
        SplitCase{"a,b,c", ",", 0, {}}, SplitCase{"a,b,c", ",", -1, {}},
        SplitCase{"abc", "", 0, {}}, SplitCase{"x\r\n\r\ny", "\r\n", std::nullopt, {"x", "", "y"}},
        SplitCase{"a::b", "::", std::nullopt, {"a", "b"}},
        // "A" is the second byte of B0 41, so it splits only at the third byte.
        SplitCase{"\xB0\x41\x41z", "A", std::nullopt, {"\xB0\x41", "z"}},
        // A lone lead byte at the end ends the walk; it stays in the last piece.
        SplitCase{"a,\xB0", "\xB0", std::nullopt, {"a,\xB0"}}));

TEST(TextSplit, DefaultDelimiterIsComma) {
  EXPECT_EQ(Pieces(TextSplit("1,2")), (std::vector<std::string>{"1", "2"}));
}

TEST(TextSplit, ChineseDelimiter) {
  EXPECT_EQ(Pieces(TextSplit(Gb("甲、乙、😀"), Gb("、"))),
            (std::vector<std::string>{Gb("甲"), Gb("乙"), Gb("😀")}));
}

}  // namespace
}  // namespace quellora
