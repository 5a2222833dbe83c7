#include "http/utf8_repair.h"

#include <gtest/gtest.h>

#include <string>

namespace quellora {
namespace {

const std::string kFffd = "\xEF\xBF\xBD";

struct RepairCase {
  const char* what;
  std::string input;
  std::string expected;
};

class RepairUtf8Test : public ::testing::TestWithParam<RepairCase> {};

TEST_P(RepairUtf8Test, ReplacesEachMaximalIllFormedSubsequence) {
  EXPECT_EQ(RepairUtf8(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RepairUtf8Test,
    ::testing::Values(
        RepairCase{"Empty", "", ""},
        RepairCase{"WellFormedIsKept",
                   std::string("a\0b", 3) + "\xC2\xA9\xE4\xB8\xAD\xEF\xBF\xBF\xF0\x9F\x98\x80"
                                            "\xF4\x8F\xBF\xBF",
                   std::string("a\0b", 3) + "\xC2\xA9\xE4\xB8\xAD\xEF\xBF\xBF\xF0\x9F\x98\x80"
                                            "\xF4\x8F\xBF\xBF"},
        // The example of the Unicode Standard's own table of maximal subparts.
        RepairCase{"StandardExample", "\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64",
                   "a" + kFffd + kFffd + kFffd + "b" + kFffd + "c" + kFffd + kFffd + "d"},
        RepairCase{"LeadCutShortByAscii", "\xE4\xB8z", kFffd + "z"},
        RepairCase{"LeadCutShortByAnotherLead", "\xE4\xB8\xE4\xB8\xAD", kFffd + "\xE4\xB8\xAD"},
        RepairCase{"LeadAtTheEnd", "x\xF0", "x" + kFffd},
        RepairCase{"BytesThatStartNothing", "\xC0\xC1\xF5\xFF", kFffd + kFffd + kFffd + kFffd},
        RepairCase{"OverlongThreeByte", "\xE0\x80\x80", kFffd + kFffd + kFffd},
        RepairCase{"SmallestThreeByte", "\xE0\xA0\x80", "\xE0\xA0\x80"},
        RepairCase{"Surrogate", "\xED\xA0\x80", kFffd + kFffd + kFffd},
        RepairCase{"LastBeforeSurrogates", "\xED\x9F\xBF", "\xED\x9F\xBF"},
        RepairCase{"OverlongFourByte", "\xF0\x8F\xBF\xBF", kFffd + kFffd + kFffd + kFffd},
        RepairCase{"AboveU10FFFF", "\xF4\x90\x80\x80", kFffd + kFffd + kFffd + kFffd},
        RepairCase{"FourByteCutAfterThree", "\xF0\x9F\x98!", kFffd + "!"}),
    [](const ::testing::TestParamInfo<RepairCase>& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace quellora
