// Percent-encoding of bytes for addresses. One encoder for every address the program sends; the
// byte sets say which bytes each kind of address must not carry as they are.
#pragma once

#include <bitset>
#include <string>
#include <string_view>

namespace quellora {

/// The bytes to encode: a set bit means "write as %XX".
using PercentEncodeSet = std::bitset<256>;

/// Control bytes, the blank, DEL and every byte of 0x80 or above: what may never appear in a
/// request target. "%" is kept, so an address that is already encoded goes out unchanged.
const PercentEncodeSet& NonPrintableBytes();

/// NonPrintableBytes plus the characters a URL must not hold unencoded:
/// " < > \ ^ ` { | }.
const PercentEncodeSet& UnsafeUrlBytes();

/// NonPrintableBytes plus the bytes that would end or escape one path segment:
/// % # ? / and \.
const PercentEncodeSet& PathSegmentDelimiters();

/// bytes with every byte in encode written as "%" and two upper-case hex digits.
std::string PercentEncode(std::string_view bytes, const PercentEncodeSet& encode);

}  // namespace quellora
