// WebFetch: the program's one way of fetching a page or a JSON document over HTTP(S).
//
// One blocking request per call over a libcurl easy handle opened for the call and closed before
// it returns; only kept-alive connections survive between two calls, in a cache shared by every
// thread (http/connection_share.h); no cookie store or other state does. Failures are
// never raised: the result is the empty text and response.statusText holds a numbered message
// (700 to 715). A 4xx or 5xx status is no failure: the body is returned and statusText holds the
// status code and reason phrase.
//
// The transfer policy in force (runtime/transfer_policy.h) bounds every call besides the request's
// own time-out: a body above the memory limit, or a Content-Length above it, stops the transfer
// and fails with 714 (a Content-Length at once, without reading the body); a transfer that moves
// less than the policy's minimum rate over its window ends as a stalled one does (712 before the
// final answer's head, else the part that arrived with bodyComplete false). An interrupt
// (runtime/interrupt.h) ends the transfer within about a second and fails with 715; no request
// starts while one is set.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "runtime/text.h"

namespace quellora {

/// Values of WebRequest::method; any other value sends "GET".
inline constexpr std::int32_t kMethodGet = 0;
inline constexpr std::int32_t kMethodPost = 1;
inline constexpr std::int32_t kMethodHead = 2;
inline constexpr std::int32_t kMethodPut = 3;

/// The inputs of one request. Every member but `address` has the default of a caller that leaves
/// the argument out.
struct WebRequest {
  /// Absolute http:// or https:// address: scheme, host, optional port, path, optional query.
  Text address;
  /// 0 GET, 1 POST, 2 HEAD, 3 PUT; any other value means GET.
  std::int32_t method = kMethodGet;
  /// Request body, sent as its bytes without terminator; nothing when empty.
  Text postData;
  /// In and out. Absent: no cookie handling at all. Present (even empty): sent in a "Cookie: "
  /// line when not empty, cookies set during the call's redirects go with the followed request,
  /// and after the response the cookies it set are merged in (MergeCookies).
  std::optional<Text> cookies;
  /// The caller's own header lines ("Name: value"), separated by "\r\n"; they suppress the
  /// matching default lines.
  Text extraHeaders;
  /// True: a redirect answer is the final response (see WebResponse::redirectTarget).
  bool noRedirect = false;
  /// Basic credentials for the server, used only when both are non-empty.
  Text userName;
  Text password;
  /// Proxy for both schemes ("host:port" or "http://host:port"); empty means a direct connection
  /// whatever the environment's proxy variables say.
  Text proxy;
  /// Basic credentials for the proxy, used only when both are non-empty.
  Text proxyUser;
  Text proxyPassword;
  /// Bounds name resolution plus connecting, and every stretch of sending or receiving without
  /// progress (never a whole transfer that keeps moving); 0 or less means 30 seconds.
  std::int32_t timeoutSeconds = 0;
};

/// The outputs of one request. WebFetch writes a member only at the step that sets it; a member
/// it does not write keeps the value the caller put there.
struct WebResponse {
  /// Appended to: the cookies the final response sets, as name=value items joined by "; ".
  Text newCookies;
  /// The final response's header block (status line, header lines, empty line; "\r\n" endings).
  Text responseHeaders;
  /// The value of the final response's "Location: " line; unchanged when it has none.
  Text redirectTarget;
  /// The final response's status code and reason phrase ("404 Not Found"), or a failure message.
  Text statusText;
  /// The final response's body exactly as received (NUL bytes included).
  Bytes responseBytes;
  /// False when the connection broke or stalled in the middle of the body: the other members then
  /// describe the part that arrived. Written together with responseBytes.
  bool bodyComplete = false;
};

/// Makes the request and returns the body decoded to the program's code page
/// (DecodeResponseText), or the empty text on failure. Updates request.cookies when present.
Text WebFetch(WebRequest& request, WebResponse& response);

/// A GET of address with every default, filling response.
Text WebFetch(std::string_view address, WebResponse& response);

/// A GET of address with every default: the decoded body, or the empty text on failure.
Text WebFetch(std::string_view address);

}  // namespace quellora
