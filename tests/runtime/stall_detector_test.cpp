#include "runtime/stall_detector.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace quellora {
namespace {

using std::chrono::milliseconds;

// One progress report: the time since the start, the running byte count, and what the rule
// must answer then.
struct Step {
  std::int64_t atMs;
  std::int64_t count;
  bool stalled;
};

struct StallCase {
  const char* name;
  std::vector<Step> steps;
};

// Reports every periodMs from fromMs to toMs (inclusive), the count growing by bytesPerPeriod
// from startCount; every answer expected to be `stalled`.
std::vector<Step> Steady(std::int64_t fromMs, std::int64_t toMs, std::int64_t periodMs,
                         std::int64_t startCount, std::int64_t bytesPerPeriod, bool stalled) {
  std::vector<Step> steps;
  std::int64_t count = startCount;
  for (std::int64_t at = fromMs; at <= toMs; at += periodMs) {
    count += bytesPerPeriod;
    steps.push_back({at, count, stalled});
  }
  return steps;
}

std::vector<Step> Join(std::vector<std::vector<Step>> parts) {
  std::vector<Step> steps;
  for (const auto& part : parts) steps.insert(steps.end(), part.begin(), part.end());
  return steps;
}

// The program's rule: 1 KiB/s averaged over 60 s, so 61440 bytes per window.
constexpr std::int64_t kRate = 1024;
constexpr milliseconds kWindow{60000};

std::vector<StallCase> Cases() {
  return {
      {"NothingEverArrives", {{1000, 0, false}, {59999, 0, false}, {60000, 0, true}}},
      {"OneByteEvery59Seconds", {{59000, 1, false}, {60000, 1, true}, {118000, 2, true}}},
      {"ExactlyTheMinimumInTheFirstWindow", {{30000, 61440, false}, {60000, 61440, false}}},
      {"OneByteShortOfTheMinimum", {{30000, 61439, false}, {60000, 61439, true}}},
      {"ABurstCarriesOneWindowOnly",
       {{1000, 61440, false}, {60000, 61440, false}, {60999, 61440, false}, {61000, 61440, true}}},
      {"SteadyAtTheMinimumNeverStalls", Steady(1000, 300000, 1000, 0, 1024, false)},
      {"SteadyJustBelowTheMinimumStallsAfterOneWindow",
       Join({Steady(1000, 59000, 1000, 0, 1000, false),
             Steady(60000, 90000, 1000, 59000, 1000, true)})},
      // Reports every 10 ms while 3000 bytes/s flow, then silence from 120 s on: buckets merge
      // many reports, and the window's bytes fall below 61440 at about 159.5 s.
      {"FrequentReportsThenSilence",
       Join({Steady(10, 120000, 10, 0, 30, false),
             {{150000, 360000, false}, {158000, 360000, false}, {162000, 360000, true}}})},
      {"FastStartThenSlowTrickle", Join({Steady(1000, 60000, 1000, 0, 10240, false),
                                         Steady(61000, 110000, 1000, 614400, 100, false),
                                         {{120000, 614400 + 60 * 100, true}}})},
      // libcurl restarts its count for a followed redirect: what came before still counts.
      {"ACountThatStartsAgainCountsAsNewBytes",
       {{30000, 30000, false},
        {31000, 0, false},
        {59000, 31440, false},
        {60000, 31440, false},
        {90000, 31440, true}}},
  };
}

class StallDetectorTest : public ::testing::TestWithParam<StallCase> {};

TEST_P(StallDetectorTest, SaysStalledExactlyWhenTheLastWindowMovedTooLittle) {
  const auto start = std::chrono::steady_clock::time_point() + std::chrono::hours(1);
  auto now = start;
  StallDetector detector(kRate, kWindow, [&now] { return now; });
  for (const Step& step : GetParam().steps) {
    now = start + milliseconds(step.atMs);
    EXPECT_EQ(detector.Stalled(step.count), step.stalled)
        << "at " << step.atMs << " ms with " << step.count << " bytes";
  }
}

INSTANTIATE_TEST_SUITE_P(Sequences, StallDetectorTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<StallCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(StallDetector, ARateOrWindowOfZeroSwitchesTheRuleOff) {
  const auto start = std::chrono::steady_clock::time_point() + std::chrono::hours(1);
  auto now = start;
  StallDetector noRate(0, kWindow, [&now] { return now; });
  StallDetector noWindow(kRate, milliseconds(0), [&now] { return now; });
  now = start + std::chrono::hours(2);
  EXPECT_FALSE(noRate.Stalled(0));
  EXPECT_FALSE(noWindow.Stalled(0));
}

}  // namespace
}  // namespace quellora
