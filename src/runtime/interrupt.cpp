#include "runtime/interrupt.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace quellora {
namespace {

std::atomic<int> receivedSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free flag");

// Puts an empty input in place of standard input. A read already waiting returns at once (no
// SA_RESTART); one that was about to start, because the signal came between a prompt and its
// read, meets end of input instead of waiting for a line that nobody will type. Only
// async-signal-safe calls.
void EndInput() {
  const int empty = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (empty < 0) return;
  ::dup2(empty, STDIN_FILENO);
  ::close(empty);
}

extern "C" void OnInterrupt(int signal) {
  const int savedErrno = errno;
  int none = 0;
  if (receivedSignal.compare_exchange_strong(none, signal)) {
    EndInput();
    errno = savedErrno;
    return;
  }
  // A second signal: the user insists. End the process at once, as the signal would have.
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

void Install(int signal) {
  struct sigaction action {};
  action.sa_handler = &OnInterrupt;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a read waiting at a prompt returns.
  action.sa_flags = 0;
  sigaction(signal, &action, nullptr);
}

}  // namespace

int InterruptExitCode(int signal) noexcept {
  return 128 + signal;
}

void InstallInterruptHandlers() {
  Install(SIGINT);
  Install(SIGTERM);
}

int InterruptSignal() noexcept {
  return receivedSignal.load(std::memory_order_relaxed);
}

void SetInterruptSignal(int signal) noexcept {
  receivedSignal.store(signal, std::memory_order_relaxed);
}

}  // namespace quellora
