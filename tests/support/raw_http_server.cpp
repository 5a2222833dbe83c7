#include "support/raw_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace quellora::testing {
namespace {

constexpr int kPollMs = 20;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string NameOf(const std::string& line) {
  const std::size_t colon = line.find(':');
  return colon == std::string::npos ? std::string() : Lower(line.substr(0, colon));
}

// Parses the head (request line and header lines) into request.
void ReadHead(const std::string& head, RawRequest& request) {
  request.head = head;
  std::size_t start = 0;
  bool first = true;
  while (start < head.size()) {
    std::size_t end = head.find("\r\n", start);
    if (end == std::string::npos) end = head.size();
    const std::string line = head.substr(start, end - start);
    start = end + 2;
    if (first) {
      first = false;
      const std::size_t space = line.find(' ');
      const std::size_t second = line.find(' ', space + 1);
      request.method = line.substr(0, space);
      if (space != std::string::npos) request.target = line.substr(space + 1, second - space - 1);
      continue;
    }
    request.headerLines.push_back(line);
  }
}

}  // namespace

std::string RawRequest::Header(const std::string& name) const {
  const std::string wanted = Lower(name);
  for (const std::string& line : headerLines) {
    if (NameOf(line) != wanted) continue;
    std::string value = line.substr(line.find(':') + 1);
    value.erase(0, value.find_first_not_of(" \t"));
    return value;
  }
  return {};
}

int RawRequest::HeaderCount(const std::string& name) const {
  const std::string wanted = Lower(name);
  return static_cast<int>(
      std::count_if(headerLines.begin(), headerLines.end(),
                    [&](const std::string& line) { return NameOf(line) == wanted; }));
}

RawHttpServer::RawHttpServer(Handler handler) : handler_(std::move(handler)) {
  // Close-on-exec: a child a test starts must not hold the server's sockets open.
  listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listenFd_, 16) != 0) {
    close(listenFd_);
    throw std::runtime_error("bind/listen failed");
  }
  socklen_t length = sizeof address;
  getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

RawHttpServer::~RawHttpServer() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  stopped_.notify_all();
  thread_.join();
  close(listenFd_);
}

std::string RawHttpServer::Origin() const {
  return "http://127.0.0.1:" + std::to_string(port_);
}

std::vector<RawRequest> RawHttpServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

std::string RawHttpServer::Answer(const std::string& statusLine,
                                  const std::vector<std::string>& headers,
                                  const std::string& body) {
  std::string answer = "HTTP/1.1 " + statusLine + "\r\n";
  for (const std::string& header : headers) answer += header + "\r\n";
  answer += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
  answer += body;
  return answer;
}

bool RawHttpServer::Stopping() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return stopping_;
}

bool RawHttpServer::WaitUnlessStopping(std::chrono::milliseconds pause) {
  std::unique_lock<std::mutex> lock(mutex_);
  return stopped_.wait_for(lock, pause, [this] { return stopping_; });
}

bool RawHttpServer::SendAll(int fd, const std::string& bytes) const {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    // A client that stops reading must not keep the server from stopping.
    if (Stopping()) return false;
    pollfd writable{fd, POLLOUT, 0};
    const int polled = poll(&writable, 1, kPollMs);
    if (polled < 0 && errno != EINTR) return false;
    if (polled <= 0) continue;
    const ssize_t n =
        send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) continue;
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

void RawHttpServer::Serve() {
  while (!Stopping()) {
    pollfd waiting{listenFd_, POLLIN, 0};
    if (poll(&waiting, 1, kPollMs) <= 0) continue;
    const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    ServeConnection(fd);
    close(fd);
  }
}

void RawHttpServer::ServeConnection(int fd) {
  std::string buffer;
  char chunk[65536];
  for (;;) {
    // Read one request: the head, then Content-Length bytes of body.
    std::size_t headEnd = std::string::npos;
    RawRequest request;
    std::size_t bodyLength = 0;
    for (;;) {
      if (headEnd == std::string::npos) {
        headEnd = buffer.find("\r\n\r\n");
        if (headEnd != std::string::npos) {
          ReadHead(buffer.substr(0, headEnd + 2), request);
          const std::string length = request.Header("Content-Length");
          bodyLength = length.empty() ? 0 : std::strtoul(length.c_str(), nullptr, 10);
        }
      }
      if (headEnd != std::string::npos && buffer.size() >= headEnd + 4 + bodyLength) break;
      if (Stopping()) return;
      pollfd waiting{fd, POLLIN, 0};
      if (poll(&waiting, 1, kPollMs) <= 0) continue;
      const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
      if (n <= 0) return;
      buffer.append(chunk, static_cast<std::size_t>(n));
    }
    request.body = buffer.substr(headEnd + 4, bodyLength);
    buffer.erase(0, headEnd + 4 + bodyLength);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(request);
    }
    const RawReply reply = handler_(request);
    if (!SendAll(fd, reply.bytes)) return;
    for (const std::string& piece : reply.pieces) {
      if (WaitUnlessStopping(reply.pause) || !SendAll(fd, piece)) return;
    }
    if (reply.stall) {
      std::unique_lock<std::mutex> lock(mutex_);
      stopped_.wait(lock, [this] { return stopping_; });
      return;
    }
    if (reply.close) return;
  }
}

}  // namespace quellora::testing
