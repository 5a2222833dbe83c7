#include "runtime/transfer_policy.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>

namespace quellora {
namespace {

TEST(TransferPolicy, TheDefaultsAreTheProgramsLimits) {
  const TransferPolicy policy;
  EXPECT_EQ(policy.memoryLimit, 64 * 1024 * 1024);
  EXPECT_EQ(policy.fileLimit, std::int64_t{4} * 1024 * 1024 * 1024);
  EXPECT_EQ(policy.minimumRate, 1024);
  EXPECT_EQ(policy.rateWindow, std::chrono::seconds(60));
  EXPECT_EQ(policy.connectTimeout, std::chrono::seconds(30));
}

TEST(TransferPolicy, SetReplacesWhatGetReturns) {
  const TransferPolicy saved = GetTransferPolicy();
  TransferPolicy shorter;
  shorter.memoryLimit = 1000;
  shorter.rateWindow = std::chrono::milliseconds(1500);
  SetTransferPolicy(shorter);
  EXPECT_EQ(GetTransferPolicy().memoryLimit, 1000);
  EXPECT_EQ(GetTransferPolicy().rateWindow, std::chrono::milliseconds(1500));
  SetTransferPolicy(saved);
  EXPECT_EQ(GetTransferPolicy().memoryLimit, saved.memoryLimit);
}

struct SizeCase {
  std::int64_t bytes;
  const char* text;
};

class FormatByteCountTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(FormatByteCountTest, UsesTheLargestWholeUnit) {
  EXPECT_EQ(FormatByteCount(GetParam().bytes), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, FormatByteCountTest,
                         ::testing::Values(SizeCase{std::int64_t{64} << 20, "64 MiB"},
                                           SizeCase{std::int64_t{4} << 30, "4 GiB"},
                                           SizeCase{1024, "1 KiB"},
                                           SizeCase{1536 * 1024, "1536 KiB"},
                                           SizeCase{(std::int64_t{64} << 20) + 1, "67108865 bytes"},
                                           SizeCase{1000, "1000 bytes"}, SizeCase{1, "1 byte"},
                                           SizeCase{0, "0 bytes"},
                                           SizeCase{std::int64_t{2} << 40, "2 TiB"}));

TEST(TransferPolicy, ReasonsNameTheLimits) {
  EXPECT_EQ(TooLargeReason(std::int64_t{4} << 30), "larger than 4 GiB");
  EXPECT_EQ(TooLargeReason(1 << 20), "larger than 1 MiB");
  TransferPolicy policy;
  EXPECT_EQ(StalledReason(policy), "stalled: less than 1 KiB/s for 60 s");
  policy.minimumRate = 100;
  policy.rateWindow = std::chrono::milliseconds(2500);
  EXPECT_EQ(StalledReason(policy), "stalled: less than 100 bytes/s for 2500 ms");
}

}  // namespace
}  // namespace quellora
