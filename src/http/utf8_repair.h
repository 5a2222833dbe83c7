// Making UTF-8 text well formed before it is converted, so that each broken sequence costs one
// replacement character rather than one per byte.
#pragma once

#include <string>
#include <string_view>

namespace quellora {

/// text with each maximal ill-formed subsequence replaced by U+FFFD (EF BF BD): the longest run
/// that begins a well-formed sequence but does not complete it, or else a single byte that
/// begins none (80..C1, F5..FF). Well-formed sequences, NUL included, are kept as they stand;
/// encoded surrogates (ED A0..BF) and code points above U+10FFFF count as ill-formed.
std::string RepairUtf8(std::string_view text);

}  // namespace quellora
