#include "app/safe_name.h"

#include <gtest/gtest.h>

#include <string>

namespace quellora {
namespace {

struct SafeNameCase {
  std::string input;
  std::string fallback;
  std::string expected;
};

class SafeNameTable : public ::testing::TestWithParam<SafeNameCase> {};

TEST_P(SafeNameTable, MakesOneSafeComponent) {
  const auto& c = GetParam();
  EXPECT_EQ(SafeName(c.input, c.fallback), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SafeNameTable,
    ::testing::Values(SafeNameCase{"Track 1", "", "Track 1"},
                      SafeNameCase{"a/b\\c:d*e?f\"g<h>i|j", "", "a_b_c_d_e_f_g_h_i_j"},
                      SafeNameCase{"../../etc", "", ".._.._etc"},
                      SafeNameCase{"tab\there\x01\x7f", "", "tab_here__"},
                      SafeNameCase{"", "42", "42"}, SafeNameCase{".", "42", "42"},
                      SafeNameCase{"..", "42", "42"}, SafeNameCase{" . ", "", "_"},
                      SafeNameCase{"", "", "_"}, SafeNameCase{"", "..", "__"},
                      SafeNameCase{"", "a/b", "a_b"}, SafeNameCase{"name.", "", "name_"},
                      SafeNameCase{"name. .", "", "name___"}, SafeNameCase{" lead", "", " lead"},
                      SafeNameCase{"三国 演义", "", "三国 演义"}, SafeNameCase{"con", "", "_con"},
                      SafeNameCase{"LPT1.txt", "", "_LPT1.txt"},
                      SafeNameCase{"COM10", "", "COM10"}));

TEST(SafeName, ShortensAtAUtf8CharacterBoundary) {
  std::string title;
  for (int i = 0; i < 100; ++i) title += "国";  // three bytes each
  const std::string name = SafeName(title, "", 10);
  EXPECT_EQ(name, "国国国");
  const std::string full = SafeName(title);
  EXPECT_LE(full.size(), kMaxNameBytes);
  EXPECT_EQ(full.size() % 3, 0u);
}

TEST(SafeName, ShorteningDoesNotLeaveATrailingDot) {
  const std::string title = std::string(9, 'a') + "." + "bbbb";
  EXPECT_EQ(SafeName(title, "", 10), "aaaaaaaaa_");
}

TEST(SafeTrackFileName, AddsExtensionAndCopyNumber) {
  EXPECT_EQ(SafeTrackFileName("Track 1", "9"), "Track 1.MP3");
  EXPECT_EQ(SafeTrackFileName("Track 1", "9", 2), "Track 1 (2).MP3");
  EXPECT_EQ(SafeTrackFileName("Track 1", "9", 13), "Track 1 (13).MP3");
  EXPECT_EQ(SafeTrackFileName("", "9"), "9.MP3");
  EXPECT_EQ(SafeTrackFileName("../x/y", "9"), ".._x_y.MP3");
  EXPECT_EQ(SafeTrackFileName("", ""), "_.MP3");
}

TEST(SafeTrackFileName, LongTitleFitsWithExtensionAndCopyNumber) {
  std::string title;
  for (int i = 0; i < 200; ++i) title += "曲";
  for (int copy : {1, 2, 100}) {
    const std::string name = SafeTrackFileName(title, "1", copy);
    EXPECT_LE(name.size(), kMaxNameBytes) << copy;
    EXPECT_TRUE(name.ends_with(".MP3"));
    // The stem still ends on a whole character.
    const std::string stem = name.substr(0, name.find(copy >= 2 ? " (" : ".MP3"));
    EXPECT_EQ(stem.size() % 3, 0u) << copy;
  }
  EXPECT_NE(SafeTrackFileName(title, "1", 1), SafeTrackFileName(title, "1", 2));
}

}  // namespace
}  // namespace quellora
