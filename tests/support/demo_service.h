// Runs the built quellora-demo-service (from QUELLORA_BIN_DIR) for the length of a test: starts
// it on a free port of 127.0.0.1, reads the address from its first output line and stops it
// when the owner goes away.
#pragma once

#include <string>
#include <vector>

#include "support/child_process.h"

namespace quellora::testing {

class DemoService {
 public:
  /// Starts the service with "--port 0" and the extra arguments; check Started().
  explicit DemoService(const std::vector<std::string>& arguments = {});
  DemoService(const DemoService&) = delete;
  DemoService& operator=(const DemoService&) = delete;
  /// Stops the service (SIGTERM, then SIGKILL when it lingers past a few seconds) and reaps it.
  ~DemoService();

  /// True when the service runs and announced its address.
  bool Started() const { return !origin_.empty(); }
  /// The first output line: "http://127.0.0.1:<port>".
  const std::string& Origin() const { return origin_; }
  /// The next line the service writes to its standard output (without "\n"); empty when none
  /// arrives within the safety limit of several seconds or the service ended.
  std::string ReadLine();

 private:
  ChildProcess process_;
  int out_ = -1;
  std::string pending_;
  std::string origin_;
};

}  // namespace quellora::testing
