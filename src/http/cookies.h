// Carrying cookies from one request to the next in one Text: "name=value;name=value;...".
#pragma once

#include <string_view>

#include "runtime/text.h"

namespace quellora {

/// Merges the items of newCookies ("a=1; b=2") into cookies: a name set again gets its new value
/// in its old place, a new name goes to the end, an item whose value is empty or "deleted"
/// disappears. Both variables lose every blank first; when newCookies is then empty, cookies is
/// left otherwise unchanged. Otherwise cookies becomes the rebuilt string, every item followed
/// by ";". Returns a copy of cookies.
Text MergeCookies(Text& cookies, Text& newCookies);

/// The bytes of item before its first "=" (all of it when it has none), trimmed of blanks.
Text CookieName(std::string_view item);

/// The bytes of item after its first "=", untrimmed; the empty text when it has none.
Text CookieValue(std::string_view item);

}  // namespace quellora
