// Cutting text out between two marker texts: the page and header parsing rests on these.
// Searches step whole characters (a marker never matches from the second byte of a two-byte
// character) and compare ASCII letters without case only where asked. None of them fails: a
// missing marker gives the empty text or ends the scan. Offsets into the source are 64-bit, so
// markers and pieces beyond 2 GiB are found and cut like any others.
#pragma once

#include <optional>
#include <string_view>

#include "runtime/text.h"

namespace quellora {

/// The bytes strictly between the first left marker at or after start (below 2: the beginning)
/// and the first right marker after it; "" when either is missing. In both markers every
/// "#引号" (in the program's code page) stands for one double quote. Not trimmed.
Text TextBetween(std::string_view source, std::string_view left, std::string_view right,
                 int start = 1, bool ignoreCase = false);

/// Empties results, then appends prefix + piece + suffix for every left...right pair in order,
/// each piece trimmed of ASCII and full-width spaces; empty items are skipped, after an accepted
/// item the next left marker is searched from the right marker. withLeft / withRight put the
/// markers around each item; maxLength > 0 keeps only items shorter than maxLength bytes.
/// Returns the element count of results. An empty marker finds nothing.
int TextBetweenAll(std::string_view source, std::string_view left, std::string_view right,
                   TextArray& results, bool caseSensitive = false, int maxLength = 0,
                   std::string_view prefix = "", std::string_view suffix = "",
                   bool withLeft = false, bool withRight = false, int start = 1);

/// Applies up to five replacements in turn, each pass on the result of the one before, from
/// start (0 counts as 1), at most count replacements a pass (std::nullopt: all). A pair whose
/// search text is empty changes nothing.
Text ReplaceSeveral(std::string_view text, std::optional<int> count, int start, bool caseSensitive,
                    std::string_view search1, std::string_view replacement1,
                    std::string_view search2 = "", std::string_view replacement2 = "",
                    std::string_view search3 = "", std::string_view replacement3 = "",
                    std::string_view search4 = "", std::string_view replacement4 = "",
                    std::string_view search5 = "", std::string_view replacement5 = "");

}  // namespace quellora
