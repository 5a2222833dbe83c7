#include "runtime/percent_encoding.h"

namespace quellora {
namespace {

PercentEncodeSet MakeNonPrintable() {
  PercentEncodeSet set;
  for (unsigned byte = 0; byte < 256; ++byte) {
    if (byte <= 0x20 || byte >= 0x7F) set.set(byte);
  }
  return set;
}

PercentEncodeSet With(PercentEncodeSet set, std::string_view extra) {
  for (const char c : extra) set.set(static_cast<unsigned char>(c));
  return set;
}

}  // namespace

const PercentEncodeSet& NonPrintableBytes() {
  static const PercentEncodeSet set = MakeNonPrintable();
  return set;
}

const PercentEncodeSet& UnsafeUrlBytes() {
  static const PercentEncodeSet set = With(NonPrintableBytes(), "\"<>\\^`{|}");
  return set;
}

const PercentEncodeSet& PathSegmentDelimiters() {
  static const PercentEncodeSet set = With(NonPrintableBytes(), "%#?/\\");
  return set;
}

std::string PercentEncode(std::string_view bytes, const PercentEncodeSet& encode) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size());
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (encode.test(byte)) {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace quellora
