#include "http/web_fetch.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "http/connection_share.h"
#include "http/cookies.h"
#include "http/fetch_failure.h"
#include "http/request_headers.h"
#include "http/request_target.h"
#include "http/response_headers.h"
#include "http/response_text.h"
#include "runtime/body_limit.h"
#include "runtime/codepage.h"
#include "runtime/curl_handle.h"
#include "runtime/interrupt.h"
#include "runtime/memory_advice.h"
#include "runtime/stall_detector.h"
#include "runtime/transfer_policy.h"

namespace quellora {
namespace {

constexpr std::int64_t kDefaultTimeoutMs = 30000;
constexpr long kMaxRedirects = 10;
// Larger reads than libcurl's 16 KB default: fewer callbacks for large bodies.
constexpr long kReceiveBufferSize = 256 * 1024;

// What the transfer callbacks collect for the final response.
struct Exchange {
  CURL* easy = nullptr;
  bool head = false;
  long requestsSent = 0;
  // The stall rule: the transfer ends when no byte moves either way for this long.
  std::chrono::milliseconds stallLimit{kDefaultTimeoutMs};
  std::chrono::steady_clock::time_point lastProgress;
  curl_off_t lastReceived = -1;
  curl_off_t lastSent = -1;
  // The transfer policy's rules: the memory limit on the body, the trickle rule.
  BodyLimit bodyLimit{0, true, true};
  std::optional<StallDetector> trickle;
  bool interrupted = false;
  bool headersComplete = false;
  Text headerBlock;
  // The body bytes (NUL included) in a Text, so that an undeclared body can become the result
  // without a copy.
  Text body;
};

bool IsStatusLine(std::string_view line) {
  return line.substr(0, 5) == "HTTP/";
}

// Header lines of every response pass through here: a status line starts a new block (the
// answer to a followed redirect, or a final answer after an interim 1xx) and drops the body of
// the previous one; lines after the empty line are trailers and do not belong to the block.
std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* context) {
  auto& exchange = *static_cast<Exchange*>(context);
  const std::size_t length = size * count;
  std::string_view line(data, length);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  // A head announcing a body above the memory limit ends the transfer before the body is read.
  if (!exchange.bodyLimit.OnHeaderLine(line)) return 0;
  try {
    if (IsStatusLine(line)) {
      exchange.headerBlock.assign(line);
      exchange.headerBlock += "\r\n";
      exchange.headersComplete = false;
      exchange.body.clear();
    } else if (!exchange.headersComplete && !exchange.headerBlock.empty()) {
      exchange.headerBlock += line;
      exchange.headerBlock += "\r\n";
      if (line.empty()) {
        exchange.headersComplete = true;
        const std::int64_t announced = exchange.bodyLimit.AnnouncedLength();
        if (!exchange.head && announced > 0) {
          // Never more than the limit: a longer body fails before it could fill it.
          exchange.body.reserve(
              static_cast<std::size_t>(std::min(announced, exchange.bodyLimit.Limit())));
          AdviseHugePages(exchange.body.data(), exchange.body.capacity());
        }
      }
    }
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return length;
}

// An undeclared body (no Content-Length) gets this much room at its first byte, never more than
// the limit: its pages become resident only as they fill, and the buffer need not grow on the
// way (growing copies the body, and the smaller buffers left behind can stay resident in the
// allocator's heap).
constexpr std::size_t kUndeclaredReserve = std::size_t{64} << 20;

// The capacity to grow a body buffer to for needed bytes (needed <= limit). Past the first
// reservation it doubles, except that once the doubled size would pass half the limit the buffer
// goes straight to the limit: a copy of more than half the limit would hold old and new together
// above the limit.
std::size_t GrownCapacity(std::size_t needed, std::size_t capacity, std::size_t limit) {
  if (capacity < kUndeclaredReserve) return std::max(needed, std::min(limit, kUndeclaredReserve));
  std::size_t grown = std::max(needed, capacity * 2);
  if (grown > limit / 2) grown = std::max(needed, limit);
  return grown;
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* context) {
  auto& exchange = *static_cast<Exchange*>(context);
  const std::size_t length = size * count;
  if (!exchange.bodyLimit.OnBody(length)) return 0;  // the body would pass the memory limit
  try {
    Text& body = exchange.body;
    if (body.capacity() - body.size() < length) {
      body.reserve(GrownCapacity(body.size() + length, body.capacity(),
                                 static_cast<std::size_t>(exchange.bodyLimit.Limit())));
    }
    body.append(data, length);
  } catch (const std::bad_alloc&) {
    return 0;  // libcurl ends the transfer with a write error; what arrived stays
  }
  return length;
}

// Called by libcurl at least once a second, also while nothing arrives. Ends the transfer on an
// interrupt, after a stretch of the time-out without progress, or when it trickles below the
// policy's minimum rate.
int OnProgress(void* context, curl_off_t, curl_off_t received, curl_off_t, curl_off_t sent) {
  auto& exchange = *static_cast<Exchange*>(context);
  if (Interrupted()) {
    exchange.interrupted = true;
    return 1;
  }
  if (exchange.trickle && exchange.trickle->Stalled(received + sent)) return 1;
  const auto now = std::chrono::steady_clock::now();
  if (received != exchange.lastReceived || sent != exchange.lastSent) {
    exchange.lastReceived = received;
    exchange.lastSent = sent;
    exchange.lastProgress = now;
    return 0;
  }
  return now - exchange.lastProgress > exchange.stallLimit ? 1 : 0;
}

int OnRequestReady(void* context, char*, char*, int, int) {
  ++static_cast<Exchange*>(context)->requestsSent;
  return CURL_PREREQFUNC_OK;
}

// Sets one option and reports whether libcurl took it.
template <typename Value>
bool Set(CURL* easy, CURLoption option, Value value) {
  return curl_easy_setopt(easy, option, value) == CURLE_OK;
}

// The verb and body options. POST goes through libcurl's own POST so that a 301, 302 or 303
// answer is followed with a GET, as browsers do; the other verbs with a body name themselves.
bool SetMethod(CURL* easy, std::int32_t method, const Text& postData) {
  const bool withBody = method == kMethodPost || method == kMethodPut || !postData.empty();
  if (method == kMethodHead) return Set(easy, CURLOPT_NOBODY, 1L);
  if (!withBody) return Set(easy, CURLOPT_HTTPGET, 1L);
  bool ok = Set(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(postData.size())) &&
            Set(easy, CURLOPT_POSTFIELDS, postData.c_str());
  if (method == kMethodPut) {
    ok = ok && Set(easy, CURLOPT_CUSTOMREQUEST, "PUT");
  } else if (method != kMethodPost) {
    ok = ok && Set(easy, CURLOPT_CUSTOMREQUEST, "GET");
  }
  return ok;
}

// Connect covers name resolution; the progress callback ends any stretch of sending, waiting or
// receiving in which no byte moves for the whole time-out, so a transfer that keeps moving is
// never cut.
bool SetTimeouts(CURL* easy, std::int32_t timeoutSeconds, Exchange& exchange) {
  const std::int64_t ms =
      timeoutSeconds > 0 ? std::int64_t{timeoutSeconds} * 1000 : kDefaultTimeoutMs;
  exchange.stallLimit = std::chrono::milliseconds(ms);
  exchange.lastProgress = std::chrono::steady_clock::now();
  return Set(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(ms)) &&
         Set(easy, CURLOPT_TIMEOUT, 0L) && Set(easy, CURLOPT_NOPROGRESS, 0L) &&
         Set(easy, CURLOPT_XFERINFOFUNCTION, &OnProgress) &&
         Set(easy, CURLOPT_XFERINFODATA, static_cast<void*>(&exchange));
}

bool SetServerCredentials(CURL* easy, const Text& userName, const Text& password) {
  if (userName.empty() || password.empty()) return true;
  const Text user = ToUtf8(userName);
  const Text secret = ToUtf8(password);
  return Set(easy, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC)) &&
         Set(easy, CURLOPT_USERNAME, user.c_str()) && Set(easy, CURLOPT_PASSWORD, secret.c_str());
}

bool SetProxyCredentials(CURL* easy, const Text& proxyUser, const Text& proxyPassword) {
  if (proxyUser.empty() || proxyPassword.empty()) return true;
  const Text user = ToUtf8(proxyUser);
  const Text secret = ToUtf8(proxyPassword);
  return Set(easy, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC)) &&
         Set(easy, CURLOPT_PROXYUSERNAME, user.c_str()) &&
         Set(easy, CURLOPT_PROXYPASSWORD, secret.c_str());
}

// The options every fetch shares: HTTP/1.1 only (the header parser reads a 1.x status line),
// http and https only, also on redirects, no signals, no compression, the body as it comes.
bool SetSession(CURL* easy, const Text& proxy) {
  const Text proxyName = ToUtf8(proxy);
  return Set(easy, CURLOPT_NOSIGNAL, 1L) &&
         Set(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1)) &&
         Set(easy, CURLOPT_PROTOCOLS_STR, "http,https") &&
         Set(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") &&
         Set(easy, CURLOPT_PATH_AS_IS, 1L) && Set(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L) &&
         // An empty name switches every proxy off, the environment's included; a given proxy
         // serves every host, whatever no_proxy says.
         Set(easy, CURLOPT_PROXY, proxyName.c_str()) && Set(easy, CURLOPT_NOPROXY, "");
}

bool LayerUsable() {
  const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
  if (info == nullptr || info->protocols == nullptr) return false;
  for (const char* const* protocol = info->protocols; *protocol != nullptr; ++protocol) {
    if (std::strcmp(*protocol, "http") == 0) return true;
  }
  return false;
}

class Fetch {
 public:
  /// keepBytes false: response.responseBytes is not written (a caller that discards it).
  Fetch(WebRequest& request, WebResponse& response, bool keepBytes)
      : request_(request), response_(response), keepBytes_(keepBytes) {}

  Text Run() {
    CurlGlobalInit();
    if (!LayerUsable()) return Fail(FetchFailure::kLayerUnusable);
    const std::optional<PreparedAddress> address = PrepareAddress(request_.address);
    if (!address) return Fail(FetchFailure::kBadAddress);

    CurlHeaderList headers;  // outlives the easy handle that points at it
    CurlEasy easy;
    if (!easy || !SetSession(easy.get(), request_.proxy)) return Fail(FetchFailure::kSession);
    CURL* handle = easy.get();
    // Connections come from and go back to the shared cache (http/connection_share.h); a call
    // whose share cannot be set connects anew, as without a cache.
    if (CURLSH* share = SharedConnectionCache()) Set(handle, CURLOPT_SHARE, share);
    Set(handle, CURLOPT_MAXCONNECTS, KeptConnections());
    const TransferPolicy policy = GetTransferPolicy();
    exchange_.easy = handle;
    exchange_.head = request_.method == kMethodHead;
    exchange_.bodyLimit = BodyLimit(policy.memoryLimit, !exchange_.head, !request_.noRedirect);
    if (!Set(handle, CURLOPT_URL, address->url.c_str()) ||
        !SetMethod(handle, request_.method, request_.postData) ||
        !Set(handle, CURLOPT_HEADERFUNCTION, &OnHeader) ||
        !Set(handle, CURLOPT_HEADERDATA, static_cast<void*>(&exchange_)) ||
        !Set(handle, CURLOPT_WRITEFUNCTION, &OnBody) ||
        !Set(handle, CURLOPT_WRITEDATA, static_cast<void*>(&exchange_)) ||
        !Set(handle, CURLOPT_PREREQFUNCTION, &OnRequestReady) ||
        !Set(handle, CURLOPT_PREREQDATA, static_cast<void*>(&exchange_))) {
      return Fail(FetchFailure::kRequest);
    }
    if (!SetTimeouts(handle, request_.timeoutSeconds, exchange_))
      return Fail(FetchFailure::kTimeouts);
    if (!SetServerCredentials(handle, request_.userName, request_.password) ||
        !SetProxyCredentials(handle, request_.proxyUser, request_.proxyPassword)) {
      return Fail(FetchFailure::kCredentials);
    }
    // A present cookie text switches libcurl's cookie engine on for this call only (an empty
    // file name reads nothing), so a cookie set by a redirect answer goes with the followed
    // request; absent, there is no engine at all.
    if (request_.cookies && !Set(handle, CURLOPT_COOKIEFILE, "")) {
      return Fail(FetchFailure::kCookieOption);
    }
    if (!Set(handle, CURLOPT_FOLLOWLOCATION, request_.noRedirect ? 0L : 1L) ||
        !Set(handle, CURLOPT_MAXREDIRS, kMaxRedirects)) {
      return Fail(FetchFailure::kRedirectOption);
    }
    for (const Text& line :
         HeaderListLines(BuildRequestHeaders(request_.extraHeaders, request_.cookies))) {
      if (!headers.Append(line.c_str())) return Fail(FetchFailure::kHeaders);
    }
    if (!Set(handle, CURLOPT_HTTPHEADER, headers.get())) return Fail(FetchFailure::kHeaders);

    if (Interrupted()) return Fail(FetchFailure::kInterrupted);
    exchange_.trickle.emplace(policy.minimumRate, policy.rateWindow);
    const CURLcode code = curl_easy_perform(handle);
    if (exchange_.interrupted) return Fail(FetchFailure::kInterrupted);
    if (exchange_.bodyLimit.Exceeded()) return Fail(FetchFailure::kTooLarge);
    bool bodyComplete = code == CURLE_OK;
    if (!bodyComplete) {
      const std::optional<FetchFailure> failure = Classify(code);
      if (failure) return Fail(*failure);
      // The final answer's headers arrived and the body broke off: keep what came.
      response_.statusText = Text(FetchFailureMessage(FetchFailure::kBodyRead));
    }
    if (!exchange_.headersComplete) return Text();

    char* contentType = nullptr;
    curl_easy_getinfo(handle, CURLINFO_CONTENT_TYPE, &contentType);
    const Text contentTypeValue = contentType != nullptr ? Text(contentType) : Text();

    response_.responseHeaders = std::move(exchange_.headerBlock);
    ParseResponseHeaders(response_.responseHeaders, response_.statusText, response_.newCookies,
                         response_.redirectTarget);
    if (request_.cookies) MergeCookies(*request_.cookies, response_.newCookies);
    // A buffer mostly unused (a small undeclared body) gives its spare room back.
    if (exchange_.body.capacity() / 2 > exchange_.body.size()) exchange_.body.shrink_to_fit();
    if (keepBytes_) {
      response_.responseBytes.reserve(exchange_.body.size());
      AdviseHugePages(response_.responseBytes.data(), response_.responseBytes.capacity());
      response_.responseBytes.assign(exchange_.body.begin(), exchange_.body.end());
    }
    response_.bodyComplete = bodyComplete;
    return DecodeResponseText(std::move(exchange_.body), contentTypeValue);
  }

 private:
  Text Fail(FetchFailure failure) {
    response_.statusText = Text(FetchFailureMessage(failure));
    return Text();
  }

  // Which failure a transfer error is, or nothing when the final answer's header block arrived
  // and only its body broke off.
  std::optional<FetchFailure> Classify(CURLcode code) const {
    long redirects = 0;
    curl_easy_getinfo(exchange_.easy, CURLINFO_REDIRECT_COUNT, &redirects);
    // The last request never went out: name resolution, connecting, the proxy or TLS failed,
    // for the first request or for a followed redirect.
    if (exchange_.requestsSent <= redirects) return FetchFailure::kSend;
    if (code == CURLE_SEND_ERROR) return FetchFailure::kSend;
    if (code == CURLE_TOO_MANY_REDIRECTS) return FetchFailure::kNoResponse;
    if (!exchange_.headersComplete) return FetchFailure::kNoResponse;
    return std::nullopt;
  }

  WebRequest& request_;
  WebResponse& response_;
  bool keepBytes_;
  Exchange exchange_;
};

}  // namespace

Text WebFetch(WebRequest& request, WebResponse& response) {
  Fetch fetch(request, response, true);
  return fetch.Run();
}

Text WebFetch(std::string_view address, WebResponse& response) {
  WebRequest request;
  request.address = Text(address);
  return WebFetch(request, response);
}

Text WebFetch(std::string_view address) {
  WebRequest request;
  request.address = Text(address);
  WebResponse discarded;
  Fetch fetch(request, discarded, false);
  return fetch.Run();
}

}  // namespace quellora
