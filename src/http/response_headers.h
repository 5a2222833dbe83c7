// Reading the response header block of a fetch.
#pragma once

#include "runtime/text.h"

namespace quellora {

/// Reads the raw header block in responseHeaders (status line first, "\r\n" line ends):
/// statusText := the bytes from the 10th up to the first "\r\n" ("200 OK"; "" for a block
/// shorter than 10 bytes or without a line end); every "Set-Cookie" (any case) in the block is
/// rewritten as "Set-Cookie"; each line holding "Set-Cookie" appends its name=value part and
/// "; " to newCookies (the old content stays in front), then the last two bytes of newCookies go;
/// each line starting "Location: " (any case) sets redirectTarget to the rest of the line.
void ParseResponseHeaders(Text& responseHeaders, Text& statusText, Text& newCookies,
                          Text& redirectTarget);

}  // namespace quellora
