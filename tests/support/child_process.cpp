#include "support/child_process.h"

#include <signal.h>
#include <sys/wait.h>

#include <cerrno>
#include <thread>
#include <utility>

namespace quellora::testing {
namespace {

constexpr std::chrono::milliseconds kPollStep{10};

// waitpid without WNOHANG, retried on EINTR. -1 when pid is no child of ours.
int WaitBlocking(pid_t pid) {
  int status = 0;
  for (;;) {
    if (waitpid(pid, &status, 0) == pid) return status;
    if (errno != EINTR) return -1;
  }
}

}  // namespace

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)), grace_(other.grace_) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    Stop();
    pid_ = std::exchange(other.pid_, -1);
    grace_ = other.grace_;
  }
  return *this;
}

ChildProcess::~ChildProcess() {
  Stop();
}

bool ChildProcess::Running() {
  if (pid_ <= 0) return false;
  int status = 0;
  const pid_t done = waitpid(pid_, &status, WNOHANG);
  if (done == 0 || (done < 0 && errno == EINTR)) return true;
  pid_ = -1;  // ended and reaped, or no child of ours
  return false;
}

int ChildProcess::Stop() noexcept {
  const pid_t pid = std::exchange(pid_, -1);
  if (pid <= 0) return -1;
  kill(pid, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + grace_;
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return status;
    if (done < 0 && errno != EINTR) return -1;
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(kPollStep);
  }
  // Still running: a signal cannot be caught, ignored or missed.
  kill(pid, SIGKILL);
  return WaitBlocking(pid);
}

}  // namespace quellora::testing
