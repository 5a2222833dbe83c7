// Decodes arbitrary response bodies with an arbitrary Content-Type value and checks what every
// decoded page must satisfy: both overloads agree, the text holds no NUL byte, and a body that
// declares no character set comes back byte for byte (up to its first NUL).
//
// Input: the Content-Type value on the first line; the rest is the body.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "fuzz_input.h"
#include "http/response_text.h"

namespace {

using fuzz::Check;
using quellora::Text;

bool Declares(std::string_view body) {
  std::string head(body.substr(0, 1024));
  for (char& c : head) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return head.find("<meta") != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInput input(data, size);
  const std::string_view contentType = input.Line();
  const std::string_view body = input.Rest();

  const Text charset = quellora::ContentTypeCharset(contentType);
  Check(contentType.find(charset) != std::string_view::npos);

  const quellora::Bytes bytes(body.begin(), body.end());
  const Text fromBytes = quellora::DecodeResponseText(bytes, contentType);
  const Text fromText = quellora::DecodeResponseText(Text(body), contentType);
  Check(fromBytes == fromText);
  Check(fromBytes.find('\0') == Text::npos);

  const bool ownCodePage = charset.empty() || charset == "gbk" || charset == "gb2312";
  if (ownCodePage && !Declares(body) && !body.starts_with("\xEF\xBB\xBF")) {
    Check(fromBytes == body.substr(0, body.find('\0')));
  }
  return 0;
}
