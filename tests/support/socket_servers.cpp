#include "support/socket_servers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace quellora::testing {
namespace {

// Binds a TCP socket to 127.0.0.1 at a free port; port receives the port. -1 on failure.
int BindLoopback(int* port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(fd);
    return -1;
  }
  *port = ntohs(address.sin_port);
  return fd;
}

std::string OriginOf(int port) {
  return "http://127.0.0.1:" + std::to_string(port);
}

// How long the serving thread waits at a time before it looks at the stop flag again.
constexpr int kPollMs = 20;
// How long a connection may take to send its request head.
constexpr auto kHeadLimit = std::chrono::seconds(10);

}  // namespace

ScriptedSocketServer::ScriptedSocketServer(Reply reply) : reply_(std::move(reply)) {
  listenFd_ = BindLoopback(&port_);
  if (listenFd_ >= 0 && ::listen(listenFd_, 16) == 0) {
    thread_ = std::thread([this] { Serve(); });
  }
}

ScriptedSocketServer::~ScriptedSocketServer() {
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
  if (listenFd_ >= 0) ::close(listenFd_);
}

std::string ScriptedSocketServer::Origin() const {
  return OriginOf(port_);
}

std::vector<std::string> ScriptedSocketServer::Heads() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return heads_;
}

void ScriptedSocketServer::Serve() {
  while (!stopping_) {
    pollfd waiting{listenFd_, POLLIN, 0};
    if (::poll(&waiting, 1, kPollMs) <= 0) continue;
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    const std::string head = ReadHead(fd);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      heads_.push_back(head);
    }
    WriteAll(fd, reply_(head));
    ::shutdown(fd, SHUT_WR);
    ::close(fd);
  }
}

std::string ScriptedSocketServer::ReadHead(int fd) const {
  const auto deadline = std::chrono::steady_clock::now() + kHeadLimit;
  std::string head;
  char buffer[4096];
  while (head.find("\r\n\r\n") == std::string::npos && !stopping_ &&
         std::chrono::steady_clock::now() < deadline) {
    pollfd ready{fd, POLLIN, 0};
    const int polled = ::poll(&ready, 1, kPollMs);
    if (polled < 0 && errno != EINTR) break;
    if (polled <= 0) continue;
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    head.append(buffer, static_cast<std::size_t>(n));
  }
  return head;
}

void ScriptedSocketServer::WriteAll(int fd, const std::string& bytes) const {
  std::size_t done = 0;
  while (done < bytes.size() && !stopping_) {
    pollfd writable{fd, POLLOUT, 0};
    const int polled = ::poll(&writable, 1, kPollMs);
    if (polled < 0 && errno != EINTR) return;
    if (polled <= 0) continue;
    const ssize_t n =
        ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

SilentListener::SilentListener() {
  fd_ = BindLoopback(&port_);
  if (fd_ >= 0) ::listen(fd_, 16);
}

SilentListener::~SilentListener() {
  if (fd_ >= 0) ::close(fd_);
}

std::string SilentListener::Origin() const {
  return OriginOf(port_);
}

int ClosedPort() {
  int port = -1;
  const int fd = BindLoopback(&port);
  if (fd >= 0) ::close(fd);
  return port;
}

}  // namespace quellora::testing
