#include "runtime/body_limit.h"

#include <cstdint>

#include "runtime/ascii.h"

namespace quellora {
namespace {

std::string_view TrimLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

// The status code of "HTTP/x.y nnn reason"; 0 when the line has none.
int StatusCode(std::string_view line) {
  const std::size_t space = line.find(' ');
  if (space == std::string_view::npos || line.size() < space + 4) return 0;
  int code = 0;
  for (std::size_t i = space + 1; i < space + 4; ++i) {
    if (line[i] < '0' || line[i] > '9') return 0;
    code = code * 10 + (line[i] - '0');
  }
  return code;
}

}  // namespace

std::int64_t ParseContentLength(std::string_view value) {
  while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
  while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
  if (value.empty() || value.size() > 18) return -1;
  std::int64_t length = 0;
  for (const char c : value) {
    if (c < '0' || c > '9') return -1;
    length = length * 10 + (c - '0');
  }
  return length;
}

BodyLimit::BodyLimit(std::int64_t limit, bool expectBody, bool followsRedirects)
    : limit_(limit > 0 ? limit : 0), expectBody_(expectBody), followsRedirects_(followsRedirects) {}

bool BodyLimit::OnHeaderLine(std::string_view line) {
  line = TrimLineEnd(line);
  if (line.substr(0, 5) == "HTTP/") {
    status_ = StatusCode(line);
    hasLocation_ = false;
    headEnded_ = false;
    announced_ = -1;
    received_ = 0;
  } else if (headEnded_) {
    // Trailer lines after a chunked body: no longer part of the head.
  } else if (line.empty()) {
    headEnded_ = true;
    if (announced_ > limit_ && DeliversBody()) {
      exceeded_ = true;
      return false;
    }
  } else if (StartsWithIgnoringAsciiCase(line, "Content-Length:")) {
    announced_ = ParseContentLength(line.substr(15));
  } else if (StartsWithIgnoringAsciiCase(line, "Location:")) {
    hasLocation_ = true;
  }
  return true;
}

bool BodyLimit::OnBody(std::size_t size) {
  if (static_cast<std::uint64_t>(size) > static_cast<std::uint64_t>(limit_ - received_)) {
    exceeded_ = true;
    return false;
  }
  received_ += static_cast<std::int64_t>(size);
  return true;
}

bool BodyLimit::DeliversBody() const {
  if (!expectBody_) return false;
  if (status_ < 200 || status_ == 204 || status_ == 304) return false;
  const bool redirect =
      status_ == 301 || status_ == 302 || status_ == 303 || status_ == 307 || status_ == 308;
  return !(followsRedirects_ && redirect && hasLocation_);
}

}  // namespace quellora
