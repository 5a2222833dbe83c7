// Socket-level stand-ins for servers that misbehave: one that answers every connection with
// fixed bytes after reading the request head (so a test sees the head exactly as it arrived and
// can send a cut-short body), and one that listens but never accepts or answers.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quellora::testing {

/// Accepts connections one after another on 127.0.0.1; for each, reads the request head (up to
/// and including the empty line; what came within 10 s when it never completes), writes
/// reply(head) and closes the connection. Destruction is bounded whatever a client does: the
/// serving thread's waits give way within a few tens of milliseconds once it begins.
class ScriptedSocketServer {
 public:
  using Reply = std::function<std::string(const std::string& head)>;

  explicit ScriptedSocketServer(Reply reply);
  ScriptedSocketServer(const ScriptedSocketServer&) = delete;
  ScriptedSocketServer& operator=(const ScriptedSocketServer&) = delete;
  ~ScriptedSocketServer();

  /// "http://127.0.0.1:<port>".
  std::string Origin() const;
  /// The request heads received so far, byte for byte.
  std::vector<std::string> Heads() const;

 private:
  void Serve();
  std::string ReadHead(int fd) const;
  void WriteAll(int fd, const std::string& bytes) const;

  Reply reply_;
  int listenFd_ = -1;
  int port_ = -1;
  mutable std::mutex mutex_;
  std::vector<std::string> heads_;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

/// A listening socket on 127.0.0.1 that never accepts: connections complete in the kernel's
/// backlog and then hear nothing.
class SilentListener {
 public:
  SilentListener();
  SilentListener(const SilentListener&) = delete;
  SilentListener& operator=(const SilentListener&) = delete;
  ~SilentListener();

  std::string Origin() const;

 private:
  int fd_ = -1;
  int port_ = -1;
};

/// A port on 127.0.0.1 that nothing listens on (taken from the system, then released).
int ClosedPort();

}  // namespace quellora::testing
