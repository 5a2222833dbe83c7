#include "runtime/interrupt.h"

#include <signal.h>

#include <atomic>

namespace quellora {
namespace {

std::atomic<int> receivedSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free flag");

extern "C" void OnInterrupt(int signal) {
  int none = 0;
  if (receivedSignal.compare_exchange_strong(none, signal)) return;
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
