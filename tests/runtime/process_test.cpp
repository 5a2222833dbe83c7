// The process frame: exit hooks and the start-up directory.
#include "runtime/process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace quellora {
namespace {

std::string& Calls() {
  static std::string calls;
  return calls;
}
void HookA() {
  Calls() += "a";
}
void HookB() {
  Calls() += "b";
}
void HookC() {
  Calls() += "c";
}

TEST(ExitHooks, RunInRegistrationOrderEachOnceAndOnlyOnce) {
  Calls().clear();
  AddExitHook(HookB);
  AddExitHook(HookA);
  AddExitHook(HookB);
  AddExitHook(HookC);
  RunExitHooks();
  EXPECT_EQ(Calls(), "bac");
  RunExitHooks();
  EXPECT_EQ(Calls(), "bac");
}

TEST(ExitHooks, RunAtTheNormalEndOfAProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        AddExitHook([] { std::fputs("first ", stderr); });
        AddExitHook([] { std::fputs("second", stderr); });
        RunExitHooks();
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "first second");
}

TEST(FatalError, WritesTheMessageAndExitsWithCodeTwo) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(FatalError("broken state"), ::testing::ExitedWithCode(2),
              "^quellora-dl: broken state\n$");
}

TEST(RuntimeInit, SetsTheCurrentDirectoryToTheExecutablesFolder) {
  const auto before = std::filesystem::current_path();
  std::filesystem::current_path(std::filesystem::temp_directory_path());
  RuntimeInit();
  const auto after = std::filesystem::current_path();
  std::filesystem::current_path(before);
  EXPECT_EQ(after, std::filesystem::canonical("/proc/self/exe").parent_path());
  EXPECT_NE(after, std::filesystem::canonical(std::filesystem::temp_directory_path()));
}

}  // namespace
}  // namespace quellora
