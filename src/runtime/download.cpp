#include "runtime/download.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/ascii.h"
#include "runtime/atomic_file.h"
#include "runtime/body_limit.h"
#include "runtime/codepage.h"
#include "runtime/curl_handle.h"
#include "runtime/interrupt.h"
#include "runtime/percent_encoding.h"
#include "runtime/stall_detector.h"
#include "runtime/transfer_policy.h"

namespace quellora {
namespace {

constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr long kMaxRedirects = 10;

// One handle per thread, made on first use and kept until the thread ends: threads download
// side by side without sharing a handle, and no call waits for another thread's transfer.
CurlEasy& RootHandle() {
  thread_local CurlEasy handle;
  return handle;
}

// The address as it goes on the wire: fragment dropped, UTF-8, unsafe bytes percent-encoded.
// Bytes that are already valid in a URL ("%" included) are sent as they are.
std::optional<std::string> WireAddress(const Text& address) {
  const std::string utf8 = ToUtf8(address.substr(0, address.find('#')));
  if (!StartsWithIgnoringAsciiCase(utf8, "http://") &&
      !StartsWithIgnoringAsciiCase(utf8, "https://")) {
    return std::nullopt;
  }
  return PercentEncode(utf8, UnsafeUrlBytes());
}

using BodySink = std::function<bool(const char* data, std::size_t size)>;

// What the callbacks of one transfer share.
struct TransferState {
  TransferState(const BodySink& bodySink, std::int64_t limit, const TransferPolicy& policy)
      : sink(&bodySink),
        bodyLimit(limit, true, true),
        stall(policy.minimumRate, policy.rateWindow) {}

  const BodySink* sink;
  BodyLimit bodyLimit;
  StallDetector stall;
  std::int64_t received = 0;
  bool sinkFailed = false;
  bool stalled = false;
  bool interrupted = false;
};

std::size_t WriteHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto* state = static_cast<TransferState*>(user);
  const std::size_t length = size * count;
  // A head announcing too large a body ends the transfer before the body is read.
  return state->bodyLimit.OnHeaderLine(std::string_view(data, length)) ? length : 0;
}

std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* state = static_cast<TransferState*>(user);
  const std::size_t length = size * count;
  if (!state->bodyLimit.OnBody(length)) return 0;  // libcurl stops with CURLE_WRITE_ERROR
  if (!(*state->sink)(data, length)) {
    state->sinkFailed = true;
    return 0;
  }
  state->received += static_cast<std::int64_t>(length);
  return length;
}

// Called by libcurl many times a second while data flows, about once a second while it does
// not: ends the transfer on an interrupt or when it trickles.
int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* state = static_cast<TransferState*>(user);
  if (Interrupted()) {
    state->interrupted = true;
    return 1;  // libcurl stops with CURLE_ABORTED_BY_CALLBACK
  }
  if (state->stall.Stalled(state->received)) {
    state->stalled = true;
    return 1;
  }
  return 0;
}

Text Describe(CURLcode code, const char* detail) {
  std::string reason = detail[0] != '\0' ? detail : curl_easy_strerror(code);
  switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
      return "cannot connect: " + reason;
    case CURLE_OPERATION_TIMEDOUT:
      return "timed out: " + reason;
    default:
      return reason;
  }
}

bool IsSuccess(long status) {
  return status >= 200 && status <= 299;
}

// One GET on this thread's handle; the body goes to sink, at most limit bytes of it.
DownloadResult Transfer(const Text& address, const BodySink& sink, std::int64_t limit,
                        const TransferPolicy& policy) {
  DownloadResult result;
  if (address.empty()) {
    result.failure = "empty address";
    return result;
  }
  const std::optional<std::string> wire = WireAddress(address);
  if (!wire) {
    result.failure = "not an http or https address";
    return result;
  }
  if (Interrupted()) {
    result.interrupted = true;
    result.failure = "interrupted";
    return result;
  }
  CurlEasy& root = RootHandle();
  if (!root) {
    result.failure = "cannot start the download layer";
    return result;
  }
  CURL* curl = root.get();
  curl_easy_reset(curl);  // leaves connection and DNS caches, drops every option

  CurlHeaderList headers;
  if (!headers.Append("Accept: */*") || !headers.Append("Pragma: no-cache")) {
    result.failure = "out of memory";
    return result;
  }
  char error[CURL_ERROR_SIZE] = {};
  TransferState state(sink, limit, policy);

  curl_easy_setopt(curl, CURLOPT_URL, wire->c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
  curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L);
  curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                   static_cast<long>(policy.connectTimeout.count()));
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &WriteHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &state);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &state);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &OnProgress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &state);

  const CURLcode code = curl_easy_perform(curl);

  long status = 0;
  curl_off_t length = -1;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  // Nothing of this call may point into our stack once we return.
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, nullptr);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, nullptr);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, nullptr);

  result.status = status;
  result.received = state.received;
  result.contentLength = length;
  result.whole = code == CURLE_OK && (length < 0 || length == state.received);
  result.interrupted = state.interrupted;

  char cut[96];
  std::snprintf(cut, sizeof cut, "body cut short (%lld of %lld bytes)",
                static_cast<long long>(state.received), static_cast<long long>(length));
  if (state.interrupted) {
    result.failure = "interrupted";
  } else if (state.sinkFailed) {
    result.failure = "cannot write file";
  } else if (status != 0 && !IsSuccess(status)) {
    result.failure = "HTTP " + std::to_string(status);
  } else if (state.bodyLimit.Exceeded()) {
    result.failure = TooLargeReason(limit);
  } else if (state.stalled) {
    result.failure = StalledReason(policy);
  } else if (code == CURLE_PARTIAL_FILE) {
    result.failure = cut;
  } else if (code != CURLE_OK) {
    result.failure = Describe(code, error);
  } else if (!result.whole) {
    result.failure = cut;
  }
  result.ok = result.failure.empty();
  return result;
}

}  // namespace

Bytes HttpReadFile(const Text& address) {
  Bytes body;
  HttpReadFileChecked(address, body);
  return body;
}

namespace {

// The failure of a file download whose address or file name is missing; empty when both are
// given.
Text MissingArgument(const Text& address, const std::filesystem::path& file) {
  if (file.empty()) return "no file name";
  if (address.empty()) return "empty address";
  return Text();
}

}  // namespace

DownloadResult HttpReadFileChecked(const Text& address, Bytes& body) {
  body.clear();
  const BodySink sink = [&body](const char* data, std::size_t size) {
    body.insert(body.end(), data, data + size);
    return true;
  };
  const TransferPolicy policy = GetTransferPolicy();
  return Transfer(address, sink, policy.memoryLimit, policy);
}

DownloadResult HttpDownloadFile(const Text& address, const Text& fileName) {
  if (fileName.empty()) return HttpDownloadFile(address, std::filesystem::path());
  return HttpDownloadFile(address, std::filesystem::path(ToUtf8(fileName)));
}

DownloadResult HttpDownloadFile(const Text& address, const char* fileName) {
  return HttpDownloadFile(address, Text(fileName != nullptr ? fileName : ""));
}

DownloadResult HttpDownloadFile(const Text& address, const std::filesystem::path& file) {
  DownloadResult result;
  result.failure = MissingArgument(address, file);
  if (!result.failure.empty()) return result;
  AtomicFileWriter writer(file);
  if (!writer.IsOpen()) {
    result.failure = "cannot create file";
    return result;
  }
  const BodySink sink = [&writer](const char* data, std::size_t size) {
    return writer.Write(data, size);
  };
  const TransferPolicy policy = GetTransferPolicy();
  result = Transfer(address, sink, policy.fileLimit, policy);
  if (result.ok && !writer.Commit()) {
    result.ok = false;
    result.failure = "cannot write file";
  }
  return result;
}

DownloadResult HttpDownloadInto(const Text& address, const std::filesystem::path& file) {
  DownloadResult result;
  result.failure = MissingArgument(address, file);
  if (!result.failure.empty()) return result;
  FileDescriptor fd(::open(file.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
  if (!fd) {
    result.failure = "cannot create file";
    return result;
  }
  const BodySink sink = [&fd](const char* data, std::size_t size) {
    return WriteAll(fd.get(), data, size);
  };
  const TransferPolicy policy = GetTransferPolicy();
  result = Transfer(address, sink, policy.fileLimit, policy);
  if (!fd.Close() && result.ok) {
    result.ok = false;
    result.failure = "cannot write file";
  }
  return result;
}

}  // namespace quellora
