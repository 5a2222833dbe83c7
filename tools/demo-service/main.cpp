// quellora-demo-service: a small HTTP server on 127.0.0.1 with a sample audio catalogue, so the
// whole download job can run on one machine. The first line of output is the address served.
#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdio>
#include <string>

#include "server.h"
#include "stop_signals.h"

int main(int argc, char** argv) {
  quellora::demo::ServiceOptions options;
  int port = 8730;
  CLI::App app{"quellora-demo-service: a sample audio catalogue on 127.0.0.1"};
  app.add_option("--port", port, "TCP port on 127.0.0.1; 0 picks a free one")
      ->check(CLI::Range(0, 65535));
  app.add_option("--audio-bytes", options.audioBytes, "size of every audio file in bytes");
  app.add_option("--latency-ms", options.latencyMs, "delay added before each answer")
      ->check(CLI::NonNegativeNumber);
  app.add_option("--rate", options.rateKiBps, "per-connection bandwidth in KiB/s (0: unlimited)")
      ->check(CLI::NonNegativeNumber);
  app.add_flag("--log", options.log, "print one line per request: method, target, HTTP version");
  app.add_option("--etag-salt", options.etagSalt,
                 "text mixed into the audio files' ETag and Last-Modified: restarting with another "
                 "salt makes every file a new version (If-Range then gets the whole file)");
  app.add_option("--fail-every", options.failEvery,
                 "answer every Nth audio request (all of them counted, in arrival order) with "
                 "503 and Retry-After: 1 (0: never)")
      ->check(CLI::NonNegativeNumber);
  app.add_option("--cut-every", options.cutEvery,
                 "on every Nth audio answer with a body, announce the full Content-Length but "
                 "close the connection after half the body (0: never)")
      ->check(CLI::NonNegativeNumber);
  CLI11_PARSE(app, argc, argv);

  std::signal(SIGPIPE, SIG_IGN);
  httplib::Server server;
  quellora::demo::ConfigureConnections(server);
  const quellora::demo::StopOnSignals stopper(server);
  int bound = -1;
  if (port == 0) {
    bound = server.bind_to_any_port("127.0.0.1");
  } else if (server.bind_to_port("127.0.0.1", port)) {
    bound = port;
  }
  if (bound <= 0) {
    std::fprintf(stderr, "quellora-demo-service: cannot listen on 127.0.0.1:%d\n", port);
    return 1;
  }
  const std::string origin = "http://127.0.0.1:" + std::to_string(bound);
  quellora::demo::InstallRoutes(server, options, origin);

  std::printf("%s\n", origin.c_str());
  std::fflush(stdout);
  const bool clean = server.listen_after_bind();
  return clean ? 0 : 1;
}
