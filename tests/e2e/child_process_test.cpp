// ChildProcess: the owner of a child the tests start ends it within bounds, even when the
// child ignores SIGTERM.
#include "support/child_process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "support/scratch_folder.h"

extern char** environ;

namespace quellora {
namespace {

using testing::ChildProcess;
using testing::ScratchFolder;

// Waits (at most 10 s) for done(); returns its last value.
template <typename Done>
bool WaitFor(Done done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return done();
}

// /bin/sh running script; -1 when it could not be started.
pid_t SpawnShell(const std::string& script) {
  char arg0[] = "sh";
  char arg1[] = "-c";
  std::string arg2 = script;
  char* argv[] = {arg0, arg1, arg2.data(), nullptr};
  pid_t pid = -1;
  return posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, environ) == 0 ? pid : -1;
}

TEST(ChildProcess, EndsAChildThatHeedsSigterm) {
  ChildProcess child(SpawnShell("exec sleep 60"));
  ASSERT_TRUE(child.Running());
  const int status = child.Stop();
  ASSERT_TRUE(WIFSIGNALED(status)) << status;
  EXPECT_EQ(WTERMSIG(status), SIGTERM);
  EXPECT_FALSE(child.Owns());
  EXPECT_EQ(child.Stop(), -1) << "a second stop finds nothing to reap";
}

TEST(ChildProcess, KillsAChildThatIgnoresSigterm) {
  // The shell ignores SIGTERM and becomes a sleep that ignores it too; the file it creates
  // shows that the trap is set.
  ScratchFolder folder;
  const std::filesystem::path ready = folder.path() / "ready";
  ChildProcess child(SpawnShell("trap '' TERM; : >'" + ready.string() + "'; exec sleep 60"),
                     std::chrono::milliseconds(200));
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(ready); }));
  ASSERT_TRUE(child.Running());
  const int status = child.Stop();
  ASSERT_TRUE(WIFSIGNALED(status)) << status;
  EXPECT_EQ(WTERMSIG(status), SIGKILL);
}

TEST(ChildProcess, ReapsAChildThatHasEnded) {
  ChildProcess child(SpawnShell("exit 3"));
  ASSERT_TRUE(child.Owns());
  // Running() reaps the child once it has ended.
  EXPECT_TRUE(WaitFor([&] { return !child.Running(); }));
  EXPECT_FALSE(child.Owns());
}

TEST(ChildProcess, DestructionStopsTheChild) {
  pid_t pid = -1;
  {
    ChildProcess child(SpawnShell("exec sleep 60"));
    pid = child.pid();
    ASSERT_GT(pid, 0);
  }
  // Reaped: the pid is no child of this process any more.
  EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

}  // namespace
}  // namespace quellora
