// Stops the demo service on SIGINT or SIGTERM without doing any work in a signal handler.
#pragma once

#include <httplib.h>
#include <signal.h>

#include <atomic>
#include <thread>

namespace quellora::demo {

/// Blocks SIGINT and SIGTERM in the calling thread, and so in every thread started after it,
/// and waits for them on a thread of its own; when one arrives it stops the server. A signal
/// that arrives before the server runs stops it as soon as it does (httplib's stop does nothing
/// before that). Construct it before the server starts any thread.
class StopOnSignals {
 public:
  explicit StopOnSignals(httplib::Server& server);
  StopOnSignals(const StopOnSignals&) = delete;
  StopOnSignals& operator=(const StopOnSignals&) = delete;
  /// Ends the waiting thread (the server has stopped by then, or never ran).
  ~StopOnSignals();

 private:
  void Watch();

  httplib::Server& server_;
  sigset_t signals_;
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

}  // namespace quellora::demo
