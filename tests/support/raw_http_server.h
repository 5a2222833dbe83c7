// A socket-level HTTP/1.1 server on 127.0.0.1 for tests that must see the request bytes exactly
// as they arrived (header order, every line) or must answer in ways a real server would not:
// malformed, cut short, or stalled answers.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quellora::testing {

/// One request as it arrived.
struct RawRequest {
  /// The request line and header lines, each ending in "\r\n", without the empty line.
  std::string head;
  std::string method;
  std::string target;
  /// Header lines in arrival order, without their "\r\n".
  std::vector<std::string> headerLines;
  /// The body (Content-Length bytes).
  std::string body;

  /// Value of the first header of that name (case ignored), without leading blanks; "" when none.
  std::string Header(const std::string& name) const;
  /// How many lines carry that header name (case ignored).
  int HeaderCount(const std::string& name) const;
};

/// What the server does with one request.
struct RawReply {
  /// Bytes written as they stand (status line, headers, body; nothing is added).
  std::string bytes;
  /// Close the connection after writing.
  bool close = false;
  /// After writing, hold the connection open without sending anything until the server stops.
  bool stall = false;
  /// Written after bytes, each after waiting for pause (a slow but moving answer).
  std::vector<std::string> pieces = {};
  std::chrono::milliseconds pause{0};
};

/// Serves each connection in turn (keep-alive included) on its own thread until destroyed.
/// Destruction is bounded: every wait of the serving thread (accept, read, write, pause, stall)
/// gives way within a few tens of milliseconds once the server stops, whatever the peer does.
class RawHttpServer {
 public:
  using Handler = std::function<RawReply(const RawRequest&)>;

  explicit RawHttpServer(Handler handler);
  RawHttpServer(const RawHttpServer&) = delete;
  RawHttpServer& operator=(const RawHttpServer&) = delete;
  ~RawHttpServer();

  int Port() const { return port_; }
  /// "http://127.0.0.1:<port>", no trailing slash.
  std::string Origin() const;
  /// The requests so far, in arrival order.
  std::vector<RawRequest> Requests() const;

  /// A complete answer: status line "HTTP/1.1 <statusLine>", the given header lines (each
  /// without "\r\n"), a Content-Length line, the empty line and the body.
  static std::string Answer(const std::string& statusLine, const std::vector<std::string>& headers,
                            const std::string& body);

 private:
  void Serve();
  void ServeConnection(int fd);
  bool Stopping() const;
  /// Waits for pause; true when the server began stopping meanwhile (returns at once then).
  bool WaitUnlessStopping(std::chrono::milliseconds pause);
  /// Writes all of bytes; false when the peer is gone or the server stops first.
  bool SendAll(int fd, const std::string& bytes) const;

  Handler handler_;
  int listenFd_ = -1;
  int port_ = -1;
  mutable std::mutex mutex_;
  std::condition_variable stopped_;
  bool stopping_ = false;
  std::vector<RawRequest> requests_;
  std::thread thread_;
};

}  // namespace quellora::testing
