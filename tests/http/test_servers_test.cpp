// The loopback stand-in servers stop within bounds whatever a client does: a client that sends
// a request and then never reads must not keep the server's thread (and so the test) waiting.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "support/raw_http_server.h"
#include "support/socket_servers.h"

namespace quellora {
namespace {

using testing::RawHttpServer;
using testing::RawReply;
using testing::RawRequest;
using testing::ScriptedSocketServer;

// Far more than the kernel buffers of one loopback connection hold.
constexpr std::size_t kHugeBody = 16u << 20;

// A connected client socket that closes itself.
class Client {
 public:
  explicit Client(int port) : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;
  ~Client() { close(fd_); }

  bool connected() const { return connected_; }
  bool Send(const std::string& bytes) {
    return send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(bytes.size());
  }
  /// Reads until the peer closes (or 30 s pass without a byte); returns how many bytes came.
  std::size_t DrainToEnd() {
    std::size_t total = 0;
    char buffer[65536];
    for (;;) {
      pollfd ready{fd_, POLLIN, 0};
      if (poll(&ready, 1, 30000) <= 0) return total;
      const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
      if (n <= 0) return total;
      total += static_cast<std::size_t>(n);
    }
  }

 private:
  int fd_;
  bool connected_ = false;
};

int PortOf(const std::string& origin) {
  return std::stoi(origin.substr(origin.rfind(':') + 1));
}

// Waits (at most 10 s) until the server has seen a request.
template <typename Seen>
bool WaitFor(Seen seen) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!seen()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

TEST(RawHttpServerShutdown, GivesUpAnAnswerTheClientDoesNotRead) {
  auto server = std::make_unique<RawHttpServer>([](const RawRequest&) {
    return RawReply{RawHttpServer::Answer("200 OK", {}, std::string(kHugeBody, 'x'))};
  });
  Client client(server->Port());
  ASSERT_TRUE(client.connected());
  ASSERT_TRUE(client.Send("GET /huge HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
  ASSERT_TRUE(WaitFor([&] { return server->Requests().size() == 1; }));

  server.reset();  // returns although the answer is stuck in a full socket buffer

  EXPECT_LT(client.DrainToEnd(), kHugeBody) << "the whole answer went out; nothing was stuck";
}

TEST(RawHttpServerShutdown, EndsAStalledAnswer) {
  auto server = std::make_unique<RawHttpServer>([](const RawRequest&) {
    RawReply reply{"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc"};
    reply.stall = true;
    return reply;
  });
  Client client(server->Port());
  ASSERT_TRUE(client.connected());
  ASSERT_TRUE(client.Send("GET / HTTP/1.1\r\n\r\n"));
  ASSERT_TRUE(WaitFor([&] { return server->Requests().size() == 1; }));

  server.reset();

  const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n";
  EXPECT_EQ(client.DrainToEnd(), head.size() + 3);
}

TEST(ScriptedSocketServerShutdown, GivesUpAnAnswerTheClientDoesNotRead) {
  auto server = std::make_unique<ScriptedSocketServer>([](const std::string&) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(kHugeBody) + "\r\n\r\n" +
           std::string(kHugeBody, 'x');
  });
  Client client(PortOf(server->Origin()));
  ASSERT_TRUE(client.connected());
  ASSERT_TRUE(client.Send("GET /huge HTTP/1.1\r\n\r\n"));
  ASSERT_TRUE(WaitFor([&] { return server->Heads().size() == 1; }));

  server.reset();

  EXPECT_LT(client.DrainToEnd(), kHugeBody) << "the whole answer went out; nothing was stuck";
}

TEST(ScriptedSocketServerShutdown, DoesNotWaitForAHeadThatNeverComes) {
  auto server = std::make_unique<ScriptedSocketServer>(
      [](const std::string& head) { return "seen " + std::to_string(head.size()); });
  Client client(PortOf(server->Origin()));
  ASSERT_TRUE(client.connected());
  ASSERT_TRUE(client.Send("GET / HTT"));  // an unfinished head, then silence

  server.reset();

  EXPECT_EQ(client.DrainToEnd(), 0u) << "a reply was written although the server stopped";
}

}  // namespace
}  // namespace quellora
