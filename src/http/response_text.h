// Turning a response body into Text in the program's code page.
#pragma once

#include <string_view>

#include "runtime/text.h"

namespace quellora {

/// The body as Text. A meta declaration "<meta ... charset=NAME" in the first 1024 bytes names
/// the body's character set; without one, the charset parameter of contentType (the response's
/// Content-Type value) does, and without that a UTF-8 byte-order mark means UTF-8. The names
/// "gbk" and "gb2312", in exactly these small letters, mean the program's own code page. A body
/// in another declared character set is converted whole; bytes that do not convert become U+FFFD
/// (one per maximal ill-formed subsequence in UTF-8, one per byte in other sets), so one bad
/// byte does not spoil the rest of the page. A name iconv does not know leaves the body as it
/// came, and so does an undeclared body, taken byte for byte. The result is cut at its first NUL
/// byte.
Text DecodeResponseText(const Bytes& body, std::string_view contentType = {});
/// The same for a body held as bytes in a Text; an undeclared body's buffer becomes the result.
Text DecodeResponseText(Text&& body, std::string_view contentType = {});

/// The charset parameter of a Content-Type value ("text/html; charset=UTF-8" gives "UTF-8");
/// "" when it has none. Quotes around the value are removed; the name keeps its case.
Text ContentTypeCharset(std::string_view contentType);

}  // namespace quellora
