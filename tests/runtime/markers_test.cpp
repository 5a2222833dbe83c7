// TextBetween, TextBetweenAll and ReplaceSeveral.
#include "runtime/markers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/gb_text.h"

namespace quellora {
namespace {

using testing::Gb;

struct BetweenCase {
  std::string source;
  std::string left;
  std::string right;
  int start;
  bool ignoreCase;
  std::string expected;
};

class TextBetweenTable : public ::testing::TestWithParam<BetweenCase> {};

TEST_P(TextBetweenTable, Cuts) {
  const BetweenCase& c = GetParam();
  EXPECT_EQ(TextBetween(c.source, c.left, c.right, c.start, c.ignoreCase), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextBetweenTable,
    ::testing::Values(BetweenCase{"a<b>c</b>d", "<b>", "</b>", 1, false, "c"},
                      BetweenCase{"a<b>c</b>d", "<B>", "</b>", 1, false, ""},
                      BetweenCase{"a<b>c</b>d", "<B>", "</B>", 1, true, "c"},
                      BetweenCase{"/u123/album/45", "/", "/", 1, false, "u123"},
                      BetweenCase{"/u123/album/45", "/", "/", 2, false, "album"},
                      BetweenCase{"/u123/album/45", "/", "/", -3, false, "u123"},
                      BetweenCase{"abc", "x", "c", 1, false, ""},
                      BetweenCase{"abc", "a", "x", 1, false, ""},
                      BetweenCase{"ab", "a", "b", 1, false, ""},
                      BetweenCase{"x  a  y", "x", "y", 1, false, "  a  "},
                      // The right marker is searched only after the left one.
                      BetweenCase{"y x a y", "x", "y", 1, false, " a "},
                      BetweenCase{"abc", "c", "c", 1, false, ""},
                      BetweenCase{"abc", "", "c", 1, false, "ab"}));

TEST(TextBetween, QuoteWordStandsForADoubleQuote) {
  const Text quote = Gb("#引号");
  EXPECT_EQ(TextBetween("<a href=\"/u1/album/2\" hashlink>", "href=" + quote, quote),
            "/u1/album/2");
  EXPECT_EQ(TextBetween("say \"hi\" now", quote, quote), "hi");
  EXPECT_EQ(TextBetween("x" + quote + "y" + quote, quote, quote), "");
}

TEST(TextBetween, MarkersInsideTwoByteCharactersAreNotMatched) {
  // "A" is the follower byte of B0 41; the marker "A" is found only at the later "A".
  EXPECT_EQ(TextBetween("\xB0\x41x"
                        "A"
                        "yz",
                        "A", "z"),
            "y");
  EXPECT_EQ(TextBetween(Gb("专辑：《夜曲》。"), Gb("《"), Gb("》")), Gb("夜曲"));
}

std::vector<std::string> All(std::string_view source, std::string_view left, std::string_view right,
                             bool caseSensitive = false, int maxLength = 0,
                             std::string_view prefix = "", std::string_view suffix = "",
                             bool withLeft = false, bool withRight = false, int start = 1) {
  TextArray results;
  results.Append("stale");
  const int count = TextBetweenAll(source, left, right, results, caseSensitive, maxLength, prefix,
                                   suffix, withLeft, withRight, start);
  EXPECT_EQ(count, ArrayElementCount(results));
  EXPECT_EQ(results.DimensionCount(), 1);
  return results.Elements();
}

using Items = std::vector<std::string>;

TEST(TextBetweenAll, TrimsDropsBlankPiecesIgnoresCaseAndStopsAtAnUnclosedMarker) {
  EXPECT_EQ(All("<i> a </i><I>b</I><i>  </i><i>c", "<i>", "</i>"), (Items{"a", "b"}));
  EXPECT_EQ(All("<i> a </i><I>b</I><i>  </i><i>c", "<i>", "</i>", true), (Items{"a"}));
}

TEST(TextBetweenAll, RightMarkerServesAsTheNextLeftMarker) {
  EXPECT_EQ(All("|a|b|", "|", "|"), (Items{"a", "b"}));
  // After a dropped (blank) piece the search goes on just behind the left marker.
  EXPECT_EQ(All("| |a|", "|", "|"), (Items{"a"}));
}

TEST(TextBetweenAll, MaxLengthKeepsOnlyShorterItems) {
  EXPECT_EQ(All("<i>abc</i><i>ab</i>", "<i>", "</i>", false, 3), (Items{"ab"}));
  EXPECT_EQ(All("<i>abc</i><i>ab</i>", "<i>", "</i>", false, 0), (Items{"abc", "ab"}));
  EXPECT_EQ(All("<i>abc</i><i>ab</i>", "<i>", "</i>", false, -1), (Items{}));
}

TEST(TextBetweenAll, KeepsLineBreaks) {
  EXPECT_EQ(All("<i>\r\na b\n</i>", "<i>", "</i>"), (Items{"\r\na b\n"}));
}

TEST(TextBetweenAll, PrefixSuffixAndMarkers) {
  EXPECT_EQ(All("<i>a</i><i> </i>", "<i>", "</i>", false, 0, "[", "]"), (Items{"[a]", "[]"}));
  EXPECT_EQ(All("<i>a</i>", "<i>", "</i>", false, 0, "", "", true, true), (Items{"<i>a</i>"}));
  // withLeft and withRight count toward maxLength.
  EXPECT_EQ(All("<i>a</i>", "<i>", "</i>", false, 8, "", "", true, true), (Items{}));
  EXPECT_EQ(All("<I>a</I>", "<i>", "</i>", false, 0, "", "", true, false), (Items{"<i>a"}));
}

TEST(TextBetweenAll, StartPosition) {
  EXPECT_EQ(All("<i>a</i><i>b</i>", "<i>", "</i>", false, 0, "", "", false, false, 2),
            (Items{"b"}));
  EXPECT_EQ(All("<i>a</i><i>b</i>", "<i>", "</i>", false, 0, "", "", false, false, -4),
            (Items{"a", "b"}));
}

TEST(TextBetweenAll, NothingFoundEmptiesResults) {
  EXPECT_EQ(All("abc", "<i>", "</i>"), (Items{}));
  EXPECT_EQ(All("", "<i>", "</i>"), (Items{}));
}

TEST(TextBetweenAll, AnEmptyMarkerFindsNothingInsteadOfLoopingForever) {
  EXPECT_EQ(All("a|b|c", "", "|", false, 0, "x"), (Items{}));
  EXPECT_EQ(All("a|b|c", "|", "", false, 0, "x"), (Items{}));
}

TEST(TextBetweenAll, SearchPageBlocks) {
  const std::string page =
      Gb("<div class=\"info title\"><a href=\"/u1/album/1\" hashlink>夜曲</a></div>"
         "<div class=\"info last\"><a hashlink>甲<i>x</i></div>"
         "<DIV CLASS=\"INFO TITLE\"><a href=\"/u2/album/2\" hashlink>《十一月》</a></DIV>");
  EXPECT_EQ(All(page, "<div class=\"info title\">", "</div>"),
            (Items{Gb("<a href=\"/u1/album/1\" hashlink>夜曲</a>"),
                   Gb("<a href=\"/u2/album/2\" hashlink>《十一月》</a>")}));
}

TEST(ReplaceSeveral, AppliesPairsInTurn) {
  EXPECT_EQ(ReplaceSeveral(Gb("《书名》"), std::nullopt, 1, false, Gb("《"), "", Gb("》"), ""),
            Gb("书名"));
  // A replacement can make a match for a later pair.
  EXPECT_EQ(ReplaceSeveral("ab", std::nullopt, 1, false, "a", "x", "xb", "y"), "y");
  // Case is ignored unless asked.
  EXPECT_EQ(ReplaceSeveral("AbA", std::nullopt, 1, false, "a", "-"), "-b-");
  EXPECT_EQ(ReplaceSeveral("AbA", std::nullopt, 1, true, "a", "-"), "AbA");
  // count limits each pass; start 0 counts as 1.
  EXPECT_EQ(ReplaceSeveral("aaa;bbb", 1, 0, false, "a", "x", "b", "y"), "xaa;ybb");
  EXPECT_EQ(ReplaceSeveral("aaa", 2, 2, false, "a", "x"), "axx");
  // An empty search text changes nothing.
  EXPECT_EQ(ReplaceSeveral("abc", std::nullopt, 1, false, "", "x", "c", "", "", "y"), "ab");
  EXPECT_EQ(ReplaceSeveral("a1b2c3d4e5", std::nullopt, 1, false, "1", "", "2", "", "3", "", "4", "",
                           "5", ""),
            "abcde");
}

}  // namespace
}  // namespace quellora
