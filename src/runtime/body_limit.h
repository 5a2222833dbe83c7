// Holds one transfer's answer to a byte limit, for both HTTP paths: a head that announces a
// Content-Length above the limit stops the transfer before any of its body is read, and a body
// that grows past the limit stops it at the first byte too many.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quellora {

/// A Content-Length value (blanks around it allowed); -1 when it is no plain decimal number of
/// at most 18 digits.
std::int64_t ParseContentLength(std::string_view value);

class BodyLimit {
 public:
  /// limit: most body bytes one answer may have (a negative one counts as 0). expectBody false: the
  /// request was a HEAD, so no answer carries a body. followsRedirects: libcurl follows a redirect
  /// answer (301, 302, 303, 307, 308 with a Location) and never delivers its body.
  BodyLimit(std::int64_t limit, bool expectBody, bool followsRedirects);

  /// One header line as libcurl hands it over (its line end may be included). A status line
  /// starts a new answer. False at the empty line that ends a head whose answer will deliver a
  /// body and announces a Content-Length above the limit; Exceeded() is then true.
  bool OnHeaderLine(std::string_view line);

  /// Counts size more body bytes of the current answer; false, without counting them, when they
  /// would take it past the limit (Exceeded() is then true). Exactly the limit is fine.
  bool OnBody(std::size_t size);

  /// Whether the limit stopped the transfer.
  bool Exceeded() const { return exceeded_; }
  /// The current answer's Content-Length; -1 when it has none or no plain number.
  std::int64_t AnnouncedLength() const { return announced_; }
  /// The limit.
  std::int64_t Limit() const { return limit_; }

 private:
  // Whether the answer whose head just ended delivers a body to the write callback.
  bool DeliversBody() const;

  std::int64_t limit_;
  bool expectBody_;
  bool followsRedirects_;
  int status_ = 0;
  bool hasLocation_ = false;
  bool headEnded_ = false;
  std::int64_t announced_ = -1;
  std::int64_t received_ = 0;
  bool exceeded_ = false;
};

}  // namespace quellora
