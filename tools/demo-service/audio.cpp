#include "audio.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "byte_range.h"
#include "catalogue.h"
#include "mp3.h"

namespace quellora::demo {
namespace {

constexpr std::size_t kChunkBytes = 16 * 1024;
// 2024-01-01 00:00:00 UTC: the Last-Modified date of every file without a salt.
constexpr std::int64_t kBaseModified = 1704067200;

// FNV-1a, 64 bits: a stable digest of the salt for the validators.
std::uint64_t Digest(std::string_view text) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

std::string Hex(std::uint64_t value) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
  return text;
}

// If-Range holds: the value is the current strong entity tag, or exactly the current
// Last-Modified date. A weak tag never holds.
bool IfRangeHolds(std::string_view value, const std::string& entityTag,
                  const std::string& lastModified) {
  value = TrimOptionalWhitespace(value);
  if (!value.empty() && value.front() == '"') return value == entityTag;
  return value == lastModified;
}

// Streams bytes [first, first + length) of the endless silent MP3 stream, but stops after `sent`
// of them (sent < length cuts the answer short: httplib then closes the connection). Pacing:
// each chunk takes chunk / rate seconds.
httplib::ContentProvider SilentMp3Provider(std::uint64_t first, std::size_t sent, int rateKiBps) {
  return [first, sent, rateKiBps](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
    if (offset >= sent) return false;
    std::size_t n = std::min({length, kChunkBytes, sent - offset});
    const std::size_t bytesPerSecond = static_cast<std::size_t>(rateKiBps) * 1024;
    if (rateKiBps > 0) n = std::min(n, bytesPerSecond);
    char chunk[kChunkBytes];
    FillSilentMp3(first + offset, chunk, n);
    const auto start = std::chrono::steady_clock::now();
    if (!sink.write(chunk, n)) return false;
    if (rateKiBps > 0) {
      const auto micros = static_cast<std::int64_t>(n * 1000000 / bytesPerSecond);
      std::this_thread::sleep_until(start + std::chrono::microseconds(micros));
    }
    return true;
  };
}

}  // namespace

std::string HttpDate(std::int64_t unixSeconds) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::chrono::sys_seconds time{std::chrono::seconds(unixSeconds)};
  const auto day = std::chrono::floor<std::chrono::days>(time);
  const std::chrono::year_month_day date{day};
  const std::chrono::hh_mm_ss clock{time - day};
  char text[40];
  std::snprintf(text, sizeof text, "%s, %02u %s %04d %02d:%02d:%02d GMT",
                kDays[std::chrono::weekday{day}.c_encoding()], static_cast<unsigned>(date.day()),
                kMonths[static_cast<unsigned>(date.month()) - 1], static_cast<int>(date.year()),
                static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                static_cast<int>(clock.seconds().count()));
  return text;
}

std::string AudioEntityTag(std::string_view trackId, std::uint64_t audioBytes,
                           std::string_view salt) {
  std::string tag = "\"" + std::string(trackId) + "-" + std::to_string(audioBytes);
  if (!salt.empty()) tag += "-" + Hex(Digest(salt));
  return tag + "\"";
}

std::string AudioLastModified(std::string_view salt) {
  // A salt moves the date up to a year later, never to the same second as no salt.
  const std::int64_t shift =
      salt.empty() ? 0 : 1 + static_cast<std::int64_t>(Digest(salt) % (365 * 86400));
  return HttpDate(kBaseModified + shift);
}

bool AudioRoute::Serve(const httplib::Request& request, httplib::Response& response) {
  // httplib applies the Range it parsed to whatever the route answers, and gets offsets past the
  // end and If-Range wrong; this route answers Range itself from the header, so it empties the
  // parsed ranges. The Request object is httplib's own non-const one for this exchange, so
  // writing to it is defined.
  const_cast<httplib::Request&>(request).ranges.clear();

  const std::uint64_t number = ++requests_;
  if (options_.failEvery > 0 && number % static_cast<std::uint64_t>(options_.failEvery) == 0) {
    response.status = 503;
    response.set_header("Retry-After", "1");
    response.set_content("503 Service Unavailable: busy, retry later\n",
                         "text/plain; charset=utf-8");
    return true;
  }

  const std::string trackId = request.matches[1].str();
  const Track* track = nullptr;
  if (FindTrack(trackId, &track) == nullptr) return false;

  const std::uint64_t total = options_.audioBytes;
  const std::string entityTag = AudioEntityTag(trackId, total, options_.etagSalt);
  const std::string lastModified = AudioLastModified(options_.etagSalt);
  response.set_header("ETag", entityTag);
  response.set_header("Last-Modified", lastModified);
  response.set_header("Accept-Ranges", "bytes");

  RangeChoice range;
  if (request.has_header("Range") &&
      (!request.has_header("If-Range") ||
       IfRangeHolds(request.get_header_value("If-Range"), entityTag, lastModified))) {
    range = ChooseRange(request.get_header_value("Range"), total);
  }

  std::uint64_t first = 0;
  std::uint64_t length = total;
  switch (range.kind) {
    case RangeChoice::Kind::kUnsatisfiable:
      response.status = 416;
      response.set_header("Content-Range", "bytes */" + std::to_string(total));
      return true;
    case RangeChoice::Kind::kPart:
      first = range.first;
      length = range.last - range.first + 1;
      response.status = 206;
      response.set_header("Content-Range", "bytes " + std::to_string(range.first) + "-" +
                                               std::to_string(range.last) + "/" +
                                               std::to_string(total));
      break;
    case RangeChoice::Kind::kWhole:
      response.status = 200;
      break;
  }

  std::uint64_t sent = length;
  if (options_.cutEvery > 0 && request.method == "GET" &&
      ++bodies_ % static_cast<std::uint64_t>(options_.cutEvery) == 0) {
    sent = length / 2;
  }
  response.set_content_provider(
      static_cast<std::size_t>(length), "audio/mpeg",
      SilentMp3Provider(first, static_cast<std::size_t>(sent), options_.rateKiBps));
  return true;
}

}  // namespace quellora::demo
