// A scripted HTTP server on 127.0.0.1 for tests: it listens on a port of the system's choice,
// answers with the handlers a test installs, and records every request it saw, in order.
#pragma once

#include <httplib.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace quellora::testing {

/// One request as the server saw it.
struct RecordedRequest {
  std::string method;
  /// The request target as sent: path and query, still percent-encoded.
  std::string target;
  /// The decoded path.
  std::string path;
  /// "HTTP/1.0" or "HTTP/1.1".
  std::string version;
  /// Header lines as (name, value), names as sent.
  std::vector<std::pair<std::string, std::string>> headers;

  /// The value of the first header of that name (case ignored); empty when absent.
  std::string Header(const std::string& name) const;
  /// How many header lines carry that name (case ignored).
  int HeaderCount(const std::string& name) const;
};

/// Serves GET requests with one handler; runs in its own thread until destroyed. Destruction
/// waits for requests in progress, within the server library's read and write time limits.
class RecordingServer {
 public:
  using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

  /// Starts listening on 127.0.0.1 at a free port; every GET goes to handler.
  explicit RecordingServer(Handler handler);
  RecordingServer(const RecordingServer&) = delete;
  RecordingServer& operator=(const RecordingServer&) = delete;
  ~RecordingServer();

  /// "http://127.0.0.1:<port>", no trailing slash.
  std::string Origin() const;
  int Port() const { return port_; }
  /// The requests so far, in arrival order.
  std::vector<RecordedRequest> Requests() const;
  /// Stops listening; later connections are refused. Safe to call from a handler.
  void Stop();

 private:
  httplib::Server server_;
  Handler handler_;
  int port_ = -1;
  mutable std::mutex mutex_;
  std::vector<RecordedRequest> requests_;
  std::atomic<bool> listening_{true};  // false once the serving thread is done
  std::thread thread_;
};

}  // namespace quellora::testing
