#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/build_config.h"
#include "support/scratch_folder.h"

namespace quellora {
namespace {

struct OriginCase {
  const char* given;
  const char* expected;  // nullptr: refused
};

class OriginTable : public ::testing::TestWithParam<OriginCase> {};

TEST_P(OriginTable, AcceptsOnlyAbsoluteHttpAddresses) {
  const auto& c = GetParam();
  const auto origin = NormalizeOrigin(c.given);
  if (c.expected == nullptr) {
    EXPECT_FALSE(origin.has_value()) << c.given << " -> " << origin.value_or("");
  } else {
    ASSERT_TRUE(origin.has_value()) << c.given;
    EXPECT_EQ(*origin, c.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OriginTable,
    ::testing::Values(OriginCase{"http://127.0.0.1:8730", "http://127.0.0.1:8730"},
                      OriginCase{"http://127.0.0.1:8730/", "http://127.0.0.1:8730"},
                      OriginCase{"https://example.test", "https://example.test"},
                      OriginCase{"http://host.test/prefix//", "http://host.test/prefix"},
                      OriginCase{"127.0.0.1:8730", nullptr}, OriginCase{"ftp://host.test", nullptr},
                      OriginCase{"http://", nullptr}, OriginCase{"", nullptr},
                      OriginCase{"http://host.test/?q=1", nullptr},
                      OriginCase{"http://host.test/#top", nullptr},
                      OriginCase{"http://host .test", nullptr}));

CommandLine Parse(std::vector<const char*> arguments, const std::filesystem::path& start = "/") {
  arguments.insert(arguments.begin(), "quellora-dl");
  return ParseCommandLine(static_cast<int>(arguments.size()), arguments.data(), start);
}

TEST(ParseCommandLine, NoArgumentKeepsTheBuiltInOriginAndTheProgramFolder) {
  const CommandLine line = Parse({});
  EXPECT_FALSE(line.exitCode.has_value());
  EXPECT_EQ(line.origin, kBuiltInOrigin);
  EXPECT_TRUE(line.outputDirectory.empty());
}

TEST(ParseCommandLine, RelativeOutputFolderCountsFromTheStartFolderAndIsCreated) {
  testing::ScratchFolder scratch;
  const CommandLine line = Parse({"--output-dir", "a/../b/c"}, scratch.path());
  EXPECT_FALSE(line.exitCode.has_value());
  EXPECT_EQ(line.outputDirectory, scratch.path() / "b" / "c");
  EXPECT_TRUE(std::filesystem::is_directory(scratch.path() / "b" / "c"));
}

TEST(ParseCommandLine, UsageErrorsGiveExitCodeTwo) {
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(Parse({"--origin", "nope"}).exitCode, 2);
  EXPECT_EQ(Parse({"--output-dir", ""}).exitCode, 2);
  EXPECT_EQ(Parse({"--unknown"}).exitCode, 2);
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("--origin"), std::string::npos) << err;
}

TEST(ParseCommandLine, JobsDefaultsToFourAndTakesOneToSixteen) {
  EXPECT_EQ(Parse({}).jobs, 4);
  for (const char* jobs : {"1", "4", "16"}) {
    const CommandLine line = Parse({"--jobs", jobs});
    EXPECT_FALSE(line.exitCode.has_value()) << jobs;
    EXPECT_EQ(line.jobs, std::stoi(jobs));
  }
}

TEST(ParseCommandLine, JobsOutsideOneToSixteenIsAUsageError) {
  for (const char* jobs : {"0", "17", "-3", "x", "1.5", "", "99999999999999999999"}) {
    ::testing::internal::CaptureStderr();
    const CommandLine line = Parse({"--jobs", jobs});
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(line.exitCode, 2) << jobs;
    EXPECT_NE(err.find("--jobs"), std::string::npos) << jobs << ": " << err;
  }
}

}  // namespace
}  // namespace quellora
