#include "runtime/download.h"

#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "runtime/atomic_file.h"
#include "runtime/codepage.h"
#include "runtime/curl_handle.h"

namespace quellora {
namespace {

constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr long kMaxRedirects = 10;

std::mutex& DownloadMutex() {
  static std::mutex mutex;
  return mutex;
}

DownloadTimeouts& Timeouts() {
  static DownloadTimeouts timeouts;
  return timeouts;
}

// The process-wide handle; made on first use, kept until the process ends.
CurlEasy& RootHandle() {
  static CurlEasy handle;
  return handle;
}

bool StartsWithNoCase(const std::string& text, const char* prefix) {
  for (std::size_t i = 0; prefix[i] != '\0'; ++i) {
    if (i >= text.size()) return false;
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

bool NeedsEncoding(unsigned char c) {
  if (c <= 0x20 || c >= 0x7F) return true;
  switch (c) {
    case '"':
    case '<':
    case '>':
    case '\\':
    case '^':
    case '`':
    case '{':
    case '|':
    case '}':
      return true;
    default:
      return false;
  }
}

// The address as it goes on the wire: fragment dropped, UTF-8, unsafe bytes percent-encoded.
// Bytes that are already valid in a URL ("%" included) are sent as they are.
std::optional<std::string> WireAddress(const Text& address) {
  std::string utf8 = ToUtf8(address.substr(0, address.find('#')));
  if (!StartsWithNoCase(utf8, "http://") && !StartsWithNoCase(utf8, "https://")) {
    return std::nullopt;
  }
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string wire;
  wire.reserve(utf8.size());
  for (const char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    if (NeedsEncoding(c)) {
      wire += '%';
      wire += kHex[c >> 4];
      wire += kHex[c & 0x0F];
    } else {
      wire += ch;
    }
  }
  return wire;
}

using BodySink = std::function<bool(const char* data, std::size_t size)>;

struct TransferState {
  const BodySink* sink = nullptr;
  std::int64_t received = 0;
  bool sinkFailed = false;
};

std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* state = static_cast<TransferState*>(user);
  const std::size_t length = size * count;
  if (!(*state->sink)(data, length)) {
    state->sinkFailed = true;
    return 0;  // makes libcurl stop with CURLE_WRITE_ERROR
  }
  state->received += static_cast<std::int64_t>(length);
  return length;
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

// One GET on the root handle; the body goes to sink. The caller holds DownloadMutex.
DownloadResult Transfer(const Text& address, const BodySink& sink) {
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
  TransferState state;
  state.sink = &sink;
  const DownloadTimeouts& limits = Timeouts();

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
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connect.count()));
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(limits.stall.count()));
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &state);

  const CURLcode code = curl_easy_perform(curl);

  long status = 0;
  curl_off_t length = -1;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  // Nothing of this call may point into our stack once we return.
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, nullptr);

  result.status = status;
  result.received = state.received;
  result.contentLength = length;
  result.whole = code == CURLE_OK && (length < 0 || length == state.received);

  char cut[96];
  std::snprintf(cut, sizeof cut, "body cut short (%lld of %lld bytes)",
                static_cast<long long>(state.received), static_cast<long long>(length));
  if (state.sinkFailed) {
    result.failure = "cannot write file";
  } else if (status != 0 && !IsSuccess(status)) {
    result.failure = "HTTP " + std::to_string(status);
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

void SetDownloadTimeouts(const DownloadTimeouts& timeouts) {
  std::lock_guard lock(DownloadMutex());
  Timeouts() = timeouts;
}

DownloadTimeouts GetDownloadTimeouts() {
  std::lock_guard lock(DownloadMutex());
  return Timeouts();
}

Bytes HttpReadFile(const Text& address) {
  Bytes body;
  HttpReadFileChecked(address, body);
  return body;
}

DownloadResult HttpReadFileChecked(const Text& address, Bytes& body) {
  body.clear();
  const BodySink sink = [&body](const char* data, std::size_t size) {
    body.insert(body.end(), data, data + size);
    return true;
  };
  std::lock_guard lock(DownloadMutex());
  return Transfer(address, sink);
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
  if (file.empty()) {
    result.failure = "no file name";
    return result;
  }
  if (address.empty()) {
    result.failure = "empty address";
    return result;
  }
  AtomicFileWriter writer(file);
  if (!writer.IsOpen()) {
    result.failure = "cannot create file";
    return result;
  }
  const BodySink sink = [&writer](const char* data, std::size_t size) {
    return writer.Write(data, size);
  };
  {
    std::lock_guard lock(DownloadMutex());
    result = Transfer(address, sink);
  }
  if (result.ok && !writer.Commit()) {
    result.ok = false;
    result.failure = "cannot write file";
  }
  return result;
}

}  // namespace quellora
