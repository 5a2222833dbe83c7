// WebFetch through a real HTTP proxy (tinyproxy) started by the test on a loopback port.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "http/web_fetch.h"
#include "support/child_process.h"
#include "support/raw_http_server.h"
#include "support/scratch_folder.h"
#include "support/socket_servers.h"

extern char** environ;

namespace quellora {
namespace {

using testing::ChildProcess;
using testing::RawHttpServer;
using testing::RawReply;
using testing::RawRequest;
using testing::ReadWholeFile;
using testing::ScratchFolder;
using testing::WriteWholeFile;

constexpr const char* kTinyproxy = "/usr/bin/tinyproxy";

// Whether something listens on the loopback port. A connect that the listener's full backlog
// leaves hanging gives up after a second.
bool Accepts(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const timeval limit{1, 0};
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return connected;
}

// tinyproxy in the foreground with its own configuration and log in a scratch folder. tinyproxy
// 1.11 can catch SIGTERM and still sit in its accept loop (the signal lands between its check of
// the quit flag and its wait for a connection), so the process is killed when it has not ended
// within a short grace period.
class Tinyproxy {
 public:
  /// extraConfig: further configuration lines, each ending in "\n".
  explicit Tinyproxy(const std::string& extraConfig = "") : log_(folder_.path() / "proxy.log") {
    // The port is free when chosen but another process may take it before tinyproxy does;
    // tinyproxy then ends at once and a fresh port is tried.
    for (int attempt = 0; attempt < 3 && !Running(); ++attempt) {
      process_.Stop();
      Start(extraConfig);
    }
  }
  Tinyproxy(const Tinyproxy&) = delete;
  Tinyproxy& operator=(const Tinyproxy&) = delete;

  bool Running() { return process_.Running() && Accepts(port_); }
  std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }
  /// Waits briefly for the log to mention text; returns whether it does.
  bool LogMentions(const std::string& text) const {
    for (int i = 0; i < 40; ++i) {
      if (ReadWholeFile(log_).find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
  std::string Log() const { return ReadWholeFile(log_); }

 private:
  // Starts tinyproxy on a port that is free now and waits until it listens, ends, or 5 s have
  // passed.
  void Start(const std::string& extraConfig) {
    port_ = testing::ClosedPort();
    const std::filesystem::path config = folder_.path() / "proxy.conf";
    WriteWholeFile(config, "Port " + std::to_string(port_) +
                               "\nListen 127.0.0.1\nTimeout 30\nLogFile \"" + log_.string() +
                               "\"\nLogLevel Info\nMaxClients 10\nAllow 127.0.0.1\n" + extraConfig);
    char arg0[] = "tinyproxy";
    char arg1[] = "-d";
    char arg2[] = "-c";
    std::string arg3 = config.string();
    char* argv[] = {arg0, arg1, arg2, arg3.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, kTinyproxy, &actions, nullptr, argv, environ) == 0) {
      process_ = ChildProcess(pid, std::chrono::milliseconds(1000));
    }
    posix_spawn_file_actions_destroy(&actions);
    for (int i = 0; i < 100 && process_.Running() && !Accepts(port_); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }

  ScratchFolder folder_;
  int port_ = -1;
  std::filesystem::path log_;
  ChildProcess process_;  // stopped first: the folder outlives the process
};

// Sets an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  ~ScopedEnv() {
    if (old_.empty()) {
      unsetenv(name_);
    } else {
      setenv(name_, old_.c_str(), 1);
    }
  }

 private:
  const char* name_;
  std::string old_;
};

class WebFetchProxyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (access(kTinyproxy, X_OK) != 0) GTEST_SKIP() << "tinyproxy is not installed";
    ASSERT_TRUE(proxy_.Running());
  }

  RawHttpServer server_{
      [](const RawRequest&) { return RawReply{RawHttpServer::Answer("200 OK", {}, "via?")}; }};
  Tinyproxy proxy_;
};

TEST_F(WebFetchProxyTest, GivenProxyCarriesTheRequest) {
  WebRequest request;
  request.address = server_.Origin() + "/through-proxy";
  request.proxy = proxy_.Address();
  WebResponse response;
  EXPECT_EQ(WebFetch(request, response), "via?");
  EXPECT_EQ(response.statusText, "200 OK");
  EXPECT_TRUE(proxy_.LogMentions("GET " + request.address + " HTTP/1.1")) << proxy_.Log();
  ASSERT_EQ(server_.Requests().size(), 1u);
  EXPECT_NE(server_.Requests()[0].Header("Via").find("tinyproxy"), std::string::npos);
}

TEST_F(WebFetchProxyTest, ProxyWithSchemePrefixWorksToo) {
  WebRequest request;
  request.address = server_.Origin() + "/prefixed";
  request.proxy = "http://" + proxy_.Address();
  WebResponse response;
  EXPECT_EQ(WebFetch(request, response), "via?");
  EXPECT_TRUE(proxy_.LogMentions("GET " + request.address + " HTTP/1.1")) << proxy_.Log();
}

TEST_F(WebFetchProxyTest, NoProxyBypassesTheEnvironmentsProxy) {
  const ScopedEnv http("http_proxy", "http://" + proxy_.Address());
  const ScopedEnv all("ALL_PROXY", "http://" + proxy_.Address());
  WebResponse response;
  EXPECT_EQ(WebFetch(server_.Origin() + "/direct", response), "via?");
  ASSERT_EQ(server_.Requests().size(), 1u);
  EXPECT_EQ(server_.Requests()[0].HeaderCount("Via"), 0);
  EXPECT_EQ(proxy_.Log().find("/direct"), std::string::npos);
}

TEST_F(WebFetchProxyTest, GivenProxyIsUsedEvenWhenNoProxyNamesTheHost) {
  const ScopedEnv noProxy("no_proxy", "127.0.0.1,localhost");
  WebRequest request;
  request.address = server_.Origin() + "/despite-no-proxy";
  request.proxy = proxy_.Address();
  WebResponse response;
  EXPECT_EQ(WebFetch(request, response), "via?");
  EXPECT_TRUE(proxy_.LogMentions("/despite-no-proxy")) << proxy_.Log();
}

TEST(WebFetchProxyCredentials, SentOnlyWhenNameAndPasswordAreGiven) {
  if (access(kTinyproxy, X_OK) != 0) GTEST_SKIP() << "tinyproxy is not installed";
  RawHttpServer server([](const RawRequest&) {
    return RawReply{RawHttpServer::Answer("200 OK", {}, "behind the proxy")};
  });
  Tinyproxy proxy("BasicAuth keeper gate-pass\n");
  ASSERT_TRUE(proxy.Running());

  WebRequest request;
  request.address = server.Origin() + "/guarded";
  request.proxy = proxy.Address();
  request.proxyUser = "keeper";
  WebResponse withoutPassword;
  EXPECT_NE(WebFetch(request, withoutPassword), "behind the proxy");
  EXPECT_EQ(withoutPassword.statusText.substr(0, 3), "407");

  request.proxyPassword = "gate-pass";
  WebResponse with;
  EXPECT_EQ(WebFetch(request, with), "behind the proxy");
  EXPECT_EQ(with.statusText, "200 OK");
  ASSERT_EQ(server.Requests().size(), 1u);
}

}  // namespace
}  // namespace quellora
