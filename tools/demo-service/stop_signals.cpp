#include "stop_signals.h"

#include <pthread.h>

#include <chrono>

namespace quellora::demo {

StopOnSignals::StopOnSignals(httplib::Server& server) : server_(server) {
  sigemptyset(&signals_);
  sigaddset(&signals_, SIGINT);
  sigaddset(&signals_, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
  thread_ = std::thread([this] { Watch(); });
}

StopOnSignals::~StopOnSignals() {
  finished_ = true;
  // Wakes the thread if it still waits; the signal is blocked everywhere, so it only ends sigwait.
  pthread_kill(thread_.native_handle(), SIGTERM);
  thread_.join();
}

void StopOnSignals::Watch() {
  int received = 0;
  sigwait(&signals_, &received);
  while (!finished_ && !server_.is_running()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  server_.stop();
}

}  // namespace quellora::demo
