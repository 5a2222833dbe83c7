// The "/audio/<id>.mp3" route: silent MP3 bytes of the configured size, with validators (ETag,
// Last-Modified), single byte ranges (If-Range honoured), pacing, and injected faults (503
// answers, answers cut short) so a client's retries can be watched.
#pragma once

#include <httplib.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "server.h"

namespace quellora::demo {

/// The strong entity tag of a track's audio: stable for one track id, audio size and salt,
/// different when any of them changes. Includes the double quotes.
std::string AudioEntityTag(std::string_view trackId, std::uint64_t audioBytes,
                           std::string_view salt);

/// The Last-Modified date of every audio file (an IMF-fixdate in the past); another salt gives
/// another date.
std::string AudioLastModified(std::string_view salt);

/// "Sun, 06 Nov 1994 08:49:37 GMT" for seconds since 1970-01-01 00:00:00 UTC.
std::string HttpDate(std::int64_t unixSeconds);

/// Answers audio requests. Thread-safe: the fault counters are atomic. The options must outlive
/// the route.
class AudioRoute {
 public:
  explicit AudioRoute(const ServiceOptions& options) : options_(options) {}

  /// Answers one request whose path matched the audio route with the track id in
  /// request.matches[1]; false (response untouched) when no track has that id.
  bool Serve(const httplib::Request& request, httplib::Response& response);

 private:
  const ServiceOptions& options_;
  std::atomic<std::uint64_t> requests_{0};  ///< every audio request, for --fail-every
  std::atomic<std::uint64_t> bodies_{0};    ///< GET answers carrying audio bytes, for --cut-every
};

}  // namespace quellora::demo
