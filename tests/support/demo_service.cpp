#include "support/demo_service.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <unistd.h>

#include <chrono>

#include "support/program_runner.h"

extern char** environ;

namespace quellora::testing {
namespace {

constexpr int kSafetyLimitMs = 20000;

}  // namespace

DemoService::DemoService(const std::vector<std::string>& arguments) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return;
  std::vector<std::string> argv = {BinDir() + "/quellora-demo-service", "--port", "0"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<char*> pointers;
  for (std::string& argument : argv) pointers.push_back(argument.data());
  pointers.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  out_ = fds[0];
  if (spawned != 0) return;
  process_ = ChildProcess(pid, std::chrono::milliseconds(5000));
  const std::string first = ReadLine();
  if (first.rfind("http://127.0.0.1:", 0) == 0) origin_ = first;
}

DemoService::~DemoService() {
  process_.Stop();
  if (out_ >= 0) close(out_);
}

std::string DemoService::ReadLine() {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kSafetyLimitMs);
  for (;;) {
    const std::size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      return line;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (out_ < 0 || left.count() <= 0) return {};
    pollfd ready{out_, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(left.count())) <= 0) return {};
    char buffer[4096];
    const ssize_t n = read(out_, buffer, sizeof buffer);
    if (n <= 0) return {};
    pending_.append(buffer, static_cast<std::size_t>(n));
  }
}

}  // namespace quellora::testing
