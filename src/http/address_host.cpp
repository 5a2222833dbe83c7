#include "http/address_host.h"

#include "runtime/ascii.h"
#include "runtime/curl_handle.h"

namespace quellora {

std::string AddressHost(std::string_view address) {
  CurlGlobalInit();
  CurlUrl url;
  if (!url) return {};
  // URL-encoding makes bytes libcurl would refuse (blanks, non-ASCII) in the path acceptable;
  // the host is read before any of that matters.
  const std::string text(address);
  if (text.find('\0') != std::string::npos) return {};
  if (curl_url_set(url.get(), CURLUPART_URL, text.c_str(), CURLU_URLENCODE) != CURLUE_OK) return {};
  CurlString scheme;
  if (curl_url_get(url.get(), CURLUPART_SCHEME, scheme.out(), 0) != CURLUE_OK) return {};
  const std::string_view schemeName = scheme.get();
  if (schemeName != "http" && schemeName != "https") return {};
  CurlString host;
  if (curl_url_get(url.get(), CURLUPART_HOST, host.out(), 0) != CURLUE_OK) return {};
  std::string key = host.get();
  for (char& c : key) c = AsciiLower(c);
  return key;
}

}  // namespace quellora
