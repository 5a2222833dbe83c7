// WebFetch against cpp-httplib servers: large bodies and credentials checked by a real server.
#include <gtest/gtest.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "http/web_fetch.h"

namespace quellora {
namespace {

// A cpp-httplib server on 127.0.0.1 at a free port, listening on its own thread.
class LoopbackServer {
 public:
  LoopbackServer() = default;
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;
  ~LoopbackServer() {
    server.stop();
    if (thread_.joinable()) thread_.join();
  }

  void Start() {
    port_ = server.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server.listen_after_bind(); });
    while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  std::string Origin() const { return "http://127.0.0.1:" + std::to_string(port_); }

  httplib::Server server;

 private:
  int port_ = -1;
  std::thread thread_;
};

std::string Pattern(std::size_t size) {
  std::string body(size, '\0');
  for (std::size_t i = 0; i < size; ++i) body[i] = static_cast<char>('a' + (i * 7 + i / 4096) % 26);
  return body;
}

TEST(WebFetchLarge, TwentyMegabyteBodyArrivesWhole) {
  const std::string body = Pattern(20u << 20);
  LoopbackServer site;
  site.server.Get("/big", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(body, "application/octet-stream");
  });
  site.Start();
  WebResponse response;
  const Text text = WebFetch(site.Origin() + "/big", response);
  EXPECT_EQ(response.statusText, "200 OK");
  ASSERT_EQ(response.responseBytes.size(), body.size());
  EXPECT_TRUE(std::equal(body.begin(), body.end(), response.responseBytes.begin()));
  EXPECT_TRUE(text == body);
  EXPECT_TRUE(response.bodyComplete);
}

TEST(WebFetchLarge, ChunkedBodyWithoutLengthArrivesWhole) {
  const std::string body = Pattern(3u << 20);
  LoopbackServer site;
  site.server.Get("/stream", [&](const httplib::Request&, httplib::Response& res) {
    res.set_chunked_content_provider(
        "text/plain", [&](std::size_t offset, httplib::DataSink& sink) {
          const std::size_t piece = std::min<std::size_t>(65536, body.size() - offset);
          sink.write(body.data() + offset, piece);
          if (offset + piece == body.size()) sink.done();
          return true;
        });
  });
  site.Start();
  EXPECT_TRUE(WebFetch(site.Origin() + "/stream") == body);
}

TEST(WebFetchLarge, BasicCredentialsAgainstARealServer) {
  LoopbackServer site;
  site.server.Get("/private", [](const httplib::Request& req, httplib::Response& res) {
    // "alice:s3cret" in base64.
    if (req.get_header_value("Authorization") == "Basic YWxpY2U6czNjcmV0") {
      res.set_content("welcome", "text/plain");
    } else {
      res.status = 401;
      res.set_header("WWW-Authenticate", "Basic realm=\"test\"");
      res.set_content("who are you", "text/plain");
    }
  });
  site.Start();

  WebRequest request;
  request.address = site.Origin() + "/private";
  WebResponse without;
  EXPECT_EQ(WebFetch(request, without), "who are you");
  EXPECT_EQ(without.statusText, "401 Unauthorized");

  request.userName = "alice";
  request.password = "s3cret";
  WebResponse with;
  EXPECT_EQ(WebFetch(request, with), "welcome");
  EXPECT_EQ(with.statusText, "200 OK");
}

}  // namespace
}  // namespace quellora
