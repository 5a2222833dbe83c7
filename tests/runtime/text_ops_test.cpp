// Joining, comparing, cutting, blanks and conversions of texts and bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "runtime/text.h"
#include "support/gb_text.h"

namespace quellora {
namespace {

using testing::Gb;

TEST(TextConcat, JoinsInOrderAndEmptiesAddNothing) {
  EXPECT_EQ(TextConcat({"", "", ""}), "");
  EXPECT_EQ(TextCompare(TextConcat({"", "", ""}), ""), 0);
  const Text name = Gb("夜曲");
  EXPECT_EQ(TextConcat({"/search/", name, "", "?page=", "2"}), "/search/" + name + "?page=2");
}

TEST(TextCompare, UnsignedBytesAndPrefixesFirst) {
  EXPECT_EQ(TextCompare("a", "ab"), -1);
  EXPECT_EQ(TextCompare("b", "ab"), 1);
  EXPECT_EQ(TextCompare("A", "a"), -1);
  EXPECT_EQ(TextCompare("ab", "ab"), 0);
  EXPECT_EQ(TextCompare("", ""), 0);
  EXPECT_EQ(TextCompare("", "a"), -1);
  EXPECT_EQ(TextCompare("\x80", "z"), 1);
  EXPECT_EQ(TextCompare("a\xB0", "a\x7F"), 1);
}

TEST(TextLength, CountsBytes) {
  EXPECT_EQ(TextLength(""), 0);
  EXPECT_EQ(TextLength(Gb("夜曲")), 4);
  EXPECT_EQ(TextLength(Gb("😀")), 4);
}

TEST(NumberToInt64, TruncatesTowardZero) {
  EXPECT_EQ(NumberToInt64(2.9), 2);
  EXPECT_EQ(NumberToInt64(-2.9), -2);
  EXPECT_EQ(NumberToInt64(-0.5), 0);
  EXPECT_EQ(NumberToInt64(3.99), 3);
  EXPECT_EQ(NumberToInt64(9007199254740993.0), 9007199254740992);
}

TEST(NumberToInt64, OutOfRangeAndNanGiveTheLowestValueInsteadOfUndefinedBehaviour) {
  constexpr auto kLowest = std::numeric_limits<std::int64_t>::min();
  EXPECT_EQ(NumberToInt64(1e300), kLowest);
  EXPECT_EQ(NumberToInt64(-1e300), kLowest);
  EXPECT_EQ(NumberToInt64(std::nan("")), kLowest);
  EXPECT_EQ(NumberToInt64(9223372036854775808.0), kLowest);
  EXPECT_EQ(NumberToInt64(-9223372036854775808.0), kLowest);
}

TEST(TextCut, LeftRightMiddle) {
  EXPECT_EQ(TextMiddle("abcdef", 5, 10), "ef");
  EXPECT_EQ(TextMiddle("abcdef", 7, 1), "");
  EXPECT_EQ(TextMiddle("abcdef", 0, 3), "");
  EXPECT_EQ(TextMiddle("abcdef", 2, 0), "");
  EXPECT_EQ(TextMiddle("abcdef", 2, -4), "");
  EXPECT_EQ(TextMiddle("abcdef", 6, 1), "f");
  EXPECT_EQ(TextMiddle("abcdef", 2, 2147483647), "bcdef");
  EXPECT_EQ(TextLeft("abc", 5), "abc");
  EXPECT_EQ(TextLeft("abc", -1), "");
  EXPECT_EQ(TextLeft("abc", 2), "ab");
  EXPECT_EQ(TextRight("abc", 5), "abc");
  EXPECT_EQ(TextRight("abc", -1), "");
  EXPECT_EQ(TextRight("abc", 2), "bc");
}

struct TrimCase {
  std::string text;
  std::string trimmed;
  std::string withoutSpaces;
};

class BlankTable : public ::testing::TestWithParam<TrimCase> {};

TEST_P(BlankTable, TrimAndRemoveSpaces) {
  EXPECT_EQ(TextTrim(GetParam().text), GetParam().trimmed);
  EXPECT_EQ(TextRemoveSpaces(GetParam().text), GetParam().withoutSpaces);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BlankTable,
    ::testing::Values(TrimCase{" \xA1\xA1\t a \xA1\xA1 ", "\t a", "\ta"}, TrimCase{"", "", ""},
                      TrimCase{"   ", "", ""}, TrimCase{"\xA1\xA1", "", ""},
                      TrimCase{"a b\xA1\xA1"
                               "c",
                               "a b\xA1\xA1"
                               "c",
                               "abc"},
                      TrimCase{"a\tb\r\n", "a\tb\r\n", "a\tb\r\n"},
                      // B0 A1 is a character, so its second byte does not start a full-width space;
                      // A1 20 is a character too, whose second byte is no blank.
                      TrimCase{"\xB0\xA1\xA1 ", "\xB0\xA1\xA1 ", "\xB0\xA1\xA1 "},
                      TrimCase{"x\xB0\xA1\xA1\xA1", "x\xB0\xA1", "x\xB0\xA1"},
                      // A lone lead byte at the end is cut off, and nothing before it is trimmed.
                      TrimCase{" a \xB0", "a ", "a"}, TrimCase{"\xB0", "", ""},
                      TrimCase{"  \xA1", "", ""}));

TEST(TextRemoveSpaces, AsciiAndFullWidth) {
  EXPECT_EQ(TextRemoveSpaces(Gb("a b　c")), "abc");
  EXPECT_EQ(TextTrim(Gb("　夜曲 ")), Gb("夜曲"));
}

TEST(TextCompareCase, CaseAndCharacterUnits) {
  EXPECT_EQ(TextCompareCase("Content-Type", "content-type", false), 0);
  EXPECT_EQ(TextCompareCase("Content-Type", "content-type", true), -1);
  EXPECT_EQ(TextCompareCase("abc", "ABD", false), -1);
  EXPECT_EQ(TextCompareCase("ab", "abc", false), -1);
  EXPECT_EQ(TextCompareCase("abc", "ab", true), 1);
  EXPECT_EQ(TextCompareCase("", "", true), 0);
  // A two-byte character orders after every single byte.
  EXPECT_EQ(TextCompareCase(Gb("夜"), "z", true), 1);
  // Full-width capitals fold when case is ignored.
  EXPECT_EQ(TextCompareCase(Gb("Ａ"), Gb("ａ"), false), 0);
  EXPECT_NE(TextCompareCase(Gb("Ａ"), Gb("ａ"), true), 0);
  // The follower byte "A" of B0 41 is not folded as a letter of its own.
  EXPECT_NE(TextCompareCase("\xB0\x41", "\xB0\x61", false), 0);
}

struct ToIntCase {
  std::string text;
  std::int32_t expected;
};

class TextToIntTable : public ::testing::TestWithParam<ToIntCase> {};

TEST_P(TextToIntTable, Reads) {
  EXPECT_EQ(TextToInt(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextToIntTable,
    ::testing::Values(ToIntCase{" 12abc", 12}, ToIntCase{"-7", -7}, ToIntCase{"abc", 0},
                      ToIntCase{"", 0}, ToIntCase{"\xA3\xB1\xA3\xB2", 12},
                      ToIntCase{"\xA1\xA1"
                                "7",
                                7},
                      ToIntCase{"+7", 7}, ToIntCase{"3.9", 3}, ToIntCase{"\t\n\v\f\r 5", 5},
                      ToIntCase{"- 5", 0}, ToIntCase{"--5", 0}, ToIntCase{"\xA3\xAD\xA3\xB3", -3},
                      ToIntCase{"\xA3\xAB\xA3\xB3", 3}, ToIntCase{"2147483647", 2147483647},
                      ToIntCase{"2147483648", INT32_MIN}, ToIntCase{"4294967297", 1},
                      ToIntCase{"-2147483648", INT32_MIN},
                      ToIntCase{"99999999999999999999", 1661992959}, ToIntCase{"7\xB0", 7},
                      ToIntCase{"\xB0", 0}));

TEST(TextToInt, FullWidthFormsNormalised) {
  EXPECT_EQ(TextToInt(Gb("１２")), 12);
  EXPECT_EQ(TextToInt(Gb("　7")), 7);
  EXPECT_EQ(TextToInt(Gb("－４２")), -42);
}

TEST(TextToInt, OtherKinds) {
  EXPECT_EQ(TextToInt(std::int32_t{-9}), -9);
  EXPECT_EQ(TextToInt(std::int64_t{0x100000005}), 5);
  EXPECT_EQ(TextToInt(std::int64_t{-1}), -1);
  EXPECT_EQ(TextToInt(2.9), 2);
  EXPECT_EQ(TextToInt(-2.9), -2);
  EXPECT_EQ(TextToInt(1e12), INT32_MIN);
  EXPECT_EQ(TextToInt(std::nan("")), INT32_MIN);
}

TEST(ToText, Numbers) {
  EXPECT_EQ(ToText(std::int32_t{-5}), "-5");
  EXPECT_EQ(ToText(std::int32_t{0}), "0");
  EXPECT_EQ(ToText(std::int64_t{-9007199254740993}), "-9007199254740993");
  EXPECT_EQ(ToText(0.1), "0.1");
  EXPECT_EQ(ToText(1234567890123.0), "1234567890123");
  EXPECT_EQ(ToText(1e15), "1e+015");
  EXPECT_EQ(ToText(12345678901234.0), "1.234567890123e+013");
  EXPECT_EQ(ToText(1.5e-5), "1.5e-005");
  EXPECT_EQ(ToText(1e100), "1e+100");
  EXPECT_EQ(ToText(-2.5), "-2.5");
  EXPECT_EQ(ToText(0.0001), "0.0001");
  EXPECT_EQ(ToText(3.0), "3");
}

TEST(ToText, BytesUpToTheFirstZero) {
  EXPECT_EQ(ToText(Bytes{0x61, 0x62, 0x00, 0x63}), "ab");
  EXPECT_EQ(ToText(Bytes{0x61, 0x62}), "ab");
  EXPECT_EQ(ToText(Bytes{}), "");
  EXPECT_EQ(BytesReadValue(Bytes{0x00, 0x61}), "");
  EXPECT_EQ(BytesReadValue(Bytes{0xB0, 0xA1}), "\xB0\xA1");
  EXPECT_EQ(ToText(std::string_view("x")), "x");
}

TEST(Bytes, ConcatLeftBlankLength) {
  const Bytes ab{0x61, 0x62};
  const Bytes empty;
  EXPECT_EQ(BytesConcat({empty, empty}), Bytes{});
  EXPECT_EQ(BytesConcat({ab, empty}), ab);
  EXPECT_EQ(BytesConcat({ab, Bytes{0x00}, ab}), (Bytes{0x61, 0x62, 0x00, 0x61, 0x62}));
  EXPECT_EQ(BytesConcat({&ab, nullptr, &ab}), (Bytes{0x61, 0x62, 0x61, 0x62}));
  const Bytes three{1, 2, 3};
  EXPECT_EQ(BytesLeft(three, 5), three);
  EXPECT_EQ(BytesLeft(three, 0), Bytes{});
  EXPECT_EQ(BytesLeft(three, 2), (Bytes{1, 2}));
  EXPECT_EQ(BytesBlank(3), (Bytes{0, 0, 0}));
  EXPECT_EQ(BytesBlank(-1), Bytes{});
  EXPECT_EQ(BytesLength(three), 3);
  EXPECT_EQ(ToBytes("a\xB0"), (Bytes{0x61, 0xB0}));
  EXPECT_EQ(ToBytes(""), Bytes{});
  EXPECT_EQ(ToBytes(three), three);
}

}  // namespace
}  // namespace quellora
