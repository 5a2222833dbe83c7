// Prepares arbitrary addresses for the wire and percent-encodes arbitrary bytes, checking that a
// prepared request target is printable ASCII that starts with "/" and carries no fragment, and
// that percent-encoding with each byte set decodes back to its input.
//
// Input: the whole input is the address (program code page) and the bytes to encode.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_input.h"
#include "http/request_target.h"
#include "runtime/percent_encoding.h"

namespace {

using fuzz::Check;

// Walks the input and the encoding side by side: every byte of the set must appear as "%" and
// two upper-case hex digits, every other byte as itself, and nothing else may follow.
void CheckPercentEncode(std::string_view bytes, const quellora::PercentEncodeSet& encode) {
  static constexpr std::string_view kHex = "0123456789ABCDEF";
  const std::string encoded = quellora::PercentEncode(bytes, encode);
  std::size_t at = 0;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (encode.test(byte)) {
      Check(encoded.size() - at >= 3 && encoded[at] == '%' && encoded[at + 1] == kHex[byte >> 4] &&
            encoded[at + 2] == kHex[byte & 0x0F]);
      at += 3;
    } else {
      Check(at < encoded.size() && encoded[at] == c);
      at += 1;
    }
  }
  Check(at == encoded.size());
}

void CheckPrepared(std::string_view address) {
  const std::optional<quellora::PreparedAddress> prepared = quellora::PrepareAddress(address);
  if (!prepared) return;
  Check(!prepared->url.empty());
  Check(prepared->target.starts_with('/'));
  for (const char c : prepared->target) {
    const auto byte = static_cast<unsigned char>(c);
    Check(byte > 0x20 && byte < 0x7F && byte != '#');
  }
  Check(prepared->url.starts_with(prepared->secure ? "https://" : "http://"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  CheckPrepared(input);
  CheckPercentEncode(input, quellora::NonPrintableBytes());
  CheckPercentEncode(input, quellora::UnsafeUrlBytes());
  CheckPercentEncode(input, quellora::PathSegmentDelimiters());
  return 0;
}
