// WebFetch calls reuse kept-alive connections through the shared cache, from any thread, while
// nothing else (cookies) passes from one call to the next.
#include "http/connection_share.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "http/web_fetch.h"

namespace quellora {
namespace {

// A keep-alive server that records, per request, the client port (one per connection) and the
// Cookie line.
class PortRecordingServer {
 public:
  PortRecordingServer() {
    server_.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
      {
        std::lock_guard lock(mutex_);
        ports_.push_back(request.remote_port);
        cookies_.push_back(request.get_header_value("Cookie"));
      }
      response.set_header("Set-Cookie", "session=1");
      response.set_content("page", "text/html");
    });
    // An idle kept-alive connection holds a server thread until this time-out: short, so that
    // stopping the server does not wait long for the connection the cache keeps.
    server_.set_keep_alive_timeout(1);
    port_ = server_.bind_to_any_port("127.0.0.1");
    // Connections wait in the listen queue until the thread serves them.
    thread_ = std::thread([this] { server_.listen_after_bind(); });
  }
  PortRecordingServer(const PortRecordingServer&) = delete;
  PortRecordingServer& operator=(const PortRecordingServer&) = delete;
  ~PortRecordingServer() {
    server_.stop();
    thread_.join();
  }
  std::string Address(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  std::vector<int> Ports() const {
    std::lock_guard lock(mutex_);
    return ports_;
  }
  std::vector<std::string> Cookies() const {
    std::lock_guard lock(mutex_);
    return cookies_;
  }

 private:
  httplib::Server server_;
  int port_ = -1;
  mutable std::mutex mutex_;
  std::vector<int> ports_;
  std::vector<std::string> cookies_;
  std::thread thread_;
};

TEST(ConnectionShare, CallsOneAfterTheOtherReuseOneConnectionFromAnyThread) {
  ASSERT_NE(SharedConnectionCache(), nullptr);
  PortRecordingServer server;
  EXPECT_EQ(WebFetch(server.Address("/a")), "page");
  EXPECT_EQ(WebFetch(server.Address("/b")), "page");
  std::thread other([&server] { EXPECT_EQ(WebFetch(server.Address("/c")), "page"); });
  other.join();
  const std::vector<int> ports = server.Ports();
  ASSERT_EQ(ports.size(), 3u);
  EXPECT_EQ(ports[1], ports[0]);
  EXPECT_EQ(ports[2], ports[0]);
}

TEST(ConnectionShare, CookiesDoNotPassFromOneCallToTheNext) {
  PortRecordingServer server;
  WebRequest withCookies;
  withCookies.address = server.Address("/login");
  withCookies.cookies = Text();
  WebResponse response;
  EXPECT_EQ(WebFetch(withCookies, response), "page");
  EXPECT_NE(withCookies.cookies->find("session=1"), std::string::npos);
  EXPECT_EQ(WebFetch(server.Address("/next")), "page");
  const std::vector<int> ports = server.Ports();
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_EQ(ports[1], ports[0]);  // the connection is reused, the cookie is not
  EXPECT_EQ(server.Cookies(), (std::vector<std::string>{"", ""}));
}

TEST(ConnectionShare, KeptConnectionsIsAtLeastOne) {
  const long saved = KeptConnections();
  SetKeptConnections(0);
  EXPECT_EQ(KeptConnections(), 1);
  SetKeptConnections(16);
  EXPECT_EQ(KeptConnections(), 16);
  SetKeptConnections(saved);
}

}  // namespace
}  // namespace quellora
