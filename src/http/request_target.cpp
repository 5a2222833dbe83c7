#include "http/request_target.h"

#include <cstddef>

#include "runtime/codepage.h"
#include "runtime/curl_handle.h"
#include "runtime/percent_encoding.h"

namespace quellora {
namespace {

std::optional<Text> GetPart(const CurlUrl& url, CURLUPart part) {
  CurlString value;
  if (curl_url_get(url.get(), part, value.out(), 0) != CURLUE_OK || value.get() == nullptr) {
    return std::nullopt;
  }
  return Text(value.get());
}

}  // namespace

std::optional<PreparedAddress> PrepareAddress(std::string_view address) {
  const Text utf8 = ToUtf8(address);
  // The scheme ends at the first ":", which must begin "://": libcurl splits the address there
  // too, so the target encoded below is the one it sends.
  const std::size_t schemeEnd = utf8.find(':');
  if (schemeEnd == Text::npos || utf8.compare(schemeEnd, 3, "://") != 0) return std::nullopt;
  // The authority runs to the first "/", "?" or "#"; what follows is the target. Only the
  // target is encoded, so a host name keeps its own form.
  const std::size_t targetStart = utf8.find_first_of("/?#", schemeEnd + 3);
  if (targetStart == schemeEnd + 3 || schemeEnd + 3 == utf8.size()) return std::nullopt;  // no host
  const bool hasPath = targetStart != Text::npos && utf8[targetStart] == '/';
  Text wire = utf8.substr(0, targetStart);
  if (targetStart != Text::npos)
    // Every byte that is not printable ASCII is encoded; "%" stays, so an address that is
    // already encoded goes out unchanged.
    wire += PercentEncode(std::string_view(utf8).substr(targetStart), NonPrintableBytes());
  if (wire.find_first_of(" \t\r\n") != Text::npos) return std::nullopt;

  CurlGlobalInit();
  CurlUrl url;
  if (!url) return std::nullopt;
  if (curl_url_set(url.get(), CURLUPART_URL, wire.c_str(), CURLU_PATH_AS_IS) != CURLUE_OK) {
    return std::nullopt;
  }
  const std::optional<Text> scheme = GetPart(url, CURLUPART_SCHEME);
  if (!scheme || (*scheme != "http" && *scheme != "https")) return std::nullopt;
  const std::optional<Text> host = GetPart(url, CURLUPART_HOST);
  if (!host || host->empty()) return std::nullopt;

  if (!hasPath) {
    curl_url_set(url.get(), CURLUPART_PATH, "/", 0);
    curl_url_set(url.get(), CURLUPART_QUERY, nullptr, 0);
  }
  curl_url_set(url.get(), CURLUPART_FRAGMENT, nullptr, 0);

  PreparedAddress prepared;
  prepared.secure = *scheme == "https";
  const std::optional<Text> full = GetPart(url, CURLUPART_URL);
  const std::optional<Text> path = GetPart(url, CURLUPART_PATH);
  if (!full || !path) return std::nullopt;
  prepared.url = *full;
  prepared.target = *path;
  if (const std::optional<Text> query = GetPart(url, CURLUPART_QUERY)) {
    prepared.target += '?';
    prepared.target += *query;
  }
  return prepared;
}

}  // namespace quellora
