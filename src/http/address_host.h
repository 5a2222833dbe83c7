// The host part of an address, as the key under which requests to one server are held back
// (HostGate).
#pragma once

#include <string>
#include <string_view>

namespace quellora {

/// The host of an absolute http or https address, in ASCII lower case and without port or user
/// ("http://User@Media.Example:8080/a.mp3" gives "media.example"; an IPv6 literal keeps its
/// brackets). The empty text for anything libcurl's URL parser does not accept as such an
/// address. Thread-safe.
std::string AddressHost(std::string_view address);

}  // namespace quellora
