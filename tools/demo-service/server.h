// The demo service's HTTP routes over the sample catalogue.
#pragma once

#include <httplib.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace quellora::demo {

/// How the service answers.
struct ServiceOptions {
  std::uint64_t audioBytes = 100000;  ///< size of every audio file
  int latencyMs = 0;                  ///< added before each answer
  int rateKiBps = 0;                  ///< per-connection body bandwidth in KiB/s; 0 = unlimited
  bool log = false;                   ///< one line per request on stdout
  std::string etagSalt;               ///< mixed into the audio validators; another is a new version
  int failEvery = 0;  ///< every Nth audio request is answered 503 + Retry-After: 1; 0 = never
  int cutEvery = 0;   ///< every Nth audio GET answer stops after half its body; 0 = never
};

/// Worker threads: every open connection holds one (keep-alive included), so this many clients
/// download at once.
inline constexpr std::size_t kWorkerThreads = 32;
/// Requests one kept-alive connection may carry before the server closes it.
inline constexpr std::size_t kKeepAliveRequests = 1000;

/// Sets up how the server treats connections: TCP_NODELAY (an answer's last segment is not held
/// back until the client ACKs the one before, which with delayed ACKs stalls every answer on a
/// kept-alive connection by about 40 ms; httplib sets it on the listening socket and Linux hands
/// it on to every accepted one), kWorkerThreads workers and kKeepAliveRequests requests per
/// connection. Call before binding the port.
void ConfigureConnections(httplib::Server& server);

/// Installs the routes: "/search/<name>", "/<owner>/album/<id>[?page=N]",
/// "/tracks/<id>.json" and "/audio/<id>.mp3" (see audio.h). origin ("http://127.0.0.1:PORT") is the
/// prefix of every play_path. The options must outlive the server.
void InstallRoutes(httplib::Server& server, const ServiceOptions& options,
                   const std::string& origin);

/// Decodes %XX sequences (invalid ones stay as they are); "+" stays "+".
std::string PercentDecode(const std::string& text);

}  // namespace quellora::demo
