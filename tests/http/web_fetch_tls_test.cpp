// WebFetch of an https address against a cpp-httplib TLS server whose certificate nobody vouches
// for: the certificate is checked, so the fetch fails before any request goes out.
#include <gtest/gtest.h>
#include <httplib.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "http/fetch_failure.h"
#include "http/web_fetch.h"
#include "support/scratch_folder.h"

namespace quellora {
namespace {

using testing::ScratchFolder;

TEST(WebFetchTls, UntrustedCertificateFailsWith711) {
  if (access("/usr/bin/openssl", X_OK) != 0) GTEST_SKIP() << "openssl is not installed";
  ScratchFolder folder;
  const std::string cert = (folder.path() / "cert.pem").string();
  const std::string key = (folder.path() / "key.pem").string();
  // coreutils' timeout bounds the child: killed after 60 s rather than holding the test.
  const std::string make =
      "/usr/bin/timeout -s KILL 60 "
      "/usr/bin/openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 -keyout '" +
      key + "' -out '" + cert + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(make.c_str()), 0);

  httplib::SSLServer server(cert.c_str(), key.c_str());
  ASSERT_TRUE(server.is_valid());
  int requests = 0;
  server.Get("/", [&](const httplib::Request&, httplib::Response& res) {
    ++requests;
    res.set_content("secret", "text/plain");
  });
  const int port = server.bind_to_any_port("127.0.0.1");
  std::thread thread([&] { server.listen_after_bind(); });
  while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));

  WebResponse response;
  EXPECT_EQ(WebFetch("https://127.0.0.1:" + std::to_string(port) + "/", response), "");
  EXPECT_EQ(response.statusText, FetchFailureMessage(FetchFailure::kSend));
  server.stop();
  thread.join();
  EXPECT_EQ(requests, 0);
}

}  // namespace
}  // namespace quellora
