// The demo service's HTTP routes over the sample catalogue.
#pragma once

#include <httplib.h>

#include <cstdint>
#include <string>

namespace quellora::demo {

/// How the service answers.
struct ServiceOptions {
  std::uint64_t audioBytes = 100000;  ///< size of every audio file
  int latencyMs = 0;                  ///< added before each answer
  int rateKiBps = 0;                  ///< per-connection body bandwidth in KiB/s; 0 = unlimited
  bool log = false;                   ///< one line per request on stdout
};

/// Installs the routes: "/search/<name>", "/<owner>/album/<id>[?page=N]",
/// "/tracks/<id>.json" and "/audio/<id>.mp3". origin ("http://127.0.0.1:PORT") is the prefix of
/// every play_path. The options must outlive the server.
void InstallRoutes(httplib::Server& server, const ServiceOptions& options,
                   const std::string& origin);

/// Decodes %XX sequences (invalid ones stay as they are); "+" stays "+".
std::string PercentDecode(const std::string& text);

}  // namespace quellora::demo
