// Turning a WebFetch address into the address handed to libcurl.
#pragma once

#include <optional>
#include <string_view>

#include "runtime/text.h"

namespace quellora {

/// An address checked and prepared for the wire.
struct PreparedAddress {
  /// The full address in UTF-8 with the request target percent-encoded, for CURLOPT_URL.
  Text url;
  /// The request target as it goes on the wire: "/" when the address has no path (a query
  /// without a path is then not sent), else the path followed by the query.
  Text target;
  bool secure = false;
};

/// Splits address (program code page) with libcurl's URL API. Only http and https are accepted;
/// std::nullopt for any other scheme and for an empty or malformed address. Bytes of the target
/// outside printable ASCII, and blanks, are sent as UTF-8 percent-encoding; a fragment is never
/// sent.
std::optional<PreparedAddress> PrepareAddress(std::string_view address);

}  // namespace quellora
