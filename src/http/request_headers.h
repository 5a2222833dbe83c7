// The request header block of a fetch: the caller's lines, then the default lines they do not
// already name.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "runtime/text.h"

namespace quellora {

/// The header block: extraHeaders + "\r\n" (when not empty), then for each default line in order
/// (User-Agent, Accept, Accept-Encoding, Accept-Language, Content-Type, Cache-Control, Cookie) the
/// line when the block does not yet hold its name followed by ": " anywhere (ASCII case ignored;
/// Content-Type: matched exactly, without the blank). The Cookie line holds cookies and is added
/// only when cookies is present and not empty. Every line ends in "\r\n".
Text BuildRequestHeaders(std::string_view extraHeaders, const std::optional<Text>& cookies);

/// The block as lines for libcurl's header list: empty lines dropped, "Name:" with no value sent
/// as an empty header, and a removal line ("Accept:", "Content-Type:", "Expect:") for each header
/// libcurl would otherwise add itself and the block does not name.
std::vector<Text> HeaderListLines(std::string_view block);

}  // namespace quellora
