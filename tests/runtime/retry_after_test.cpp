#include "runtime/retry_after.h"

#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <optional>
#include <string>

namespace quellora {
namespace {

using std::chrono::seconds;

// Sun, 06 Nov 1994 08:49:37 GMT.
const std::chrono::system_clock::time_point kNow =
    std::chrono::system_clock::from_time_t(784111777);

struct RetryAfterCase {
  std::string value;
  std::optional<seconds> expected;
};

class RetryAfterTable : public ::testing::TestWithParam<RetryAfterCase> {};

TEST_P(RetryAfterTable, ReadsSecondsOrADate) {
  const RetryAfterCase& c = GetParam();
  EXPECT_EQ(ParseRetryAfter(c.value, kNow), c.expected) << "\"" << c.value << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    DeltaSeconds, RetryAfterTable,
    ::testing::Values(RetryAfterCase{"0", seconds(0)}, RetryAfterCase{"5", seconds(5)},
                      RetryAfterCase{"120", seconds(120)}, RetryAfterCase{"007", seconds(7)},
                      RetryAfterCase{" 30\t", seconds(30)},
                      RetryAfterCase{"99999999999999999999999",
                                     seconds(std::numeric_limits<seconds::rep>::max())}));

INSTANTIATE_TEST_SUITE_P(Dates, RetryAfterTable,
                         ::testing::Values(
                             // IMF-fixdate, in the future, now and in the past.
                             RetryAfterCase{"Sun, 06 Nov 1994 08:50:37 GMT", seconds(60)},
                             RetryAfterCase{"Mon, 07 Nov 1994 08:49:37 GMT", seconds(86400)},
                             RetryAfterCase{"Sun, 06 Nov 1994 08:49:37 GMT", seconds(0)},
                             RetryAfterCase{"Sat, 05 Nov 1994 08:49:37 GMT", seconds(0)},
                             RetryAfterCase{"Thu, 01 Jan 1970 00:00:00 GMT", seconds(0)},
                             // The two obsolete forms.
                             RetryAfterCase{"Sunday, 06-Nov-94 08:51:37 GMT", seconds(120)},
                             RetryAfterCase{"Sun Nov  6 08:52:37 1994", seconds(180)},
                             RetryAfterCase{"Sun Nov 16 08:49:37 1994", seconds(10 * 86400)},
                             RetryAfterCase{"  Sun, 06 Nov 1994 08:50:37 GMT  ", seconds(60)}));

INSTANTIATE_TEST_SUITE_P(
    Garbage, RetryAfterTable,
    ::testing::Values(RetryAfterCase{"", std::nullopt}, RetryAfterCase{"   ", std::nullopt},
                      RetryAfterCase{"soon", std::nullopt}, RetryAfterCase{"-5", std::nullopt},
                      RetryAfterCase{"+5", std::nullopt}, RetryAfterCase{"1.5", std::nullopt},
                      RetryAfterCase{"12 s", std::nullopt}, RetryAfterCase{"0x10", std::nullopt},
                      RetryAfterCase{"Sun, 06 Nov 1994 08:50:37", std::nullopt},
                      RetryAfterCase{"Sun, 06 Nov 1994 08:50:37 GMT later", std::nullopt},
                      RetryAfterCase{"Sun, 06 Nox 1994 08:50:37 GMT", std::nullopt},
                      RetryAfterCase{"Sun, 32 Nov 1994 08:50:37 GMT", std::nullopt},
                      RetryAfterCase{"Sun, 31 Feb 1994 08:50:37 GMT", std::nullopt},
                      RetryAfterCase{"Sun, 06 Nov 1994 25:50:37 GMT", std::nullopt},
                      RetryAfterCase{std::string("5\0", 2), std::nullopt},
                      RetryAfterCase{std::string("Sun, 06 Nov 1994 08:50:37 GMT\0x", 31),
                                     std::nullopt}));

TEST(ParseRetryAfter, RoundsAPartSecondUp) {
  const auto now = kNow + std::chrono::milliseconds(400);
  EXPECT_EQ(ParseRetryAfter("Sun, 06 Nov 1994 08:49:40 GMT", now), seconds(3));
}

}  // namespace
}  // namespace quellora
