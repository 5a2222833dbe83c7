#include "runtime/codepage.h"

#include <cerrno>
#include <cstring>

#include "runtime/iconv_handle.h"

namespace quellora {
namespace {

// Runs iconv over input. On a byte that does not convert: strict mode fails; lenient mode
// writes the replacement and skips one input byte.
std::optional<std::string> Convert(std::string_view input, const std::string& from,
                                   const std::string& to, bool lenient) {
  IconvHandle cd(to, from);
  if (!cd.valid()) return std::nullopt;

  std::string replacement;
  if (lenient) {
    static constexpr char kReplacementUtf8[] = "\xEF\xBF\xBD";
    auto converted = ConvertStrict(kReplacementUtf8, "UTF-8", to);
    replacement = converted ? *converted : std::string("?");
  }

  std::string out;
  out.resize(input.size() * 4 + 16);
  char* in_ptr = const_cast<char*>(input.data());
  std::size_t in_left = input.size();
  std::size_t used = 0;
  bool flushing = false;
  for (;;) {
    char* out_ptr = out.data() + used;
    std::size_t out_left = out.size() - used;
    std::size_t rc = flushing ? iconv(cd.get(), nullptr, nullptr, &out_ptr, &out_left)
                              : iconv(cd.get(), &in_ptr, &in_left, &out_ptr, &out_left);
    used = static_cast<std::size_t>(out_ptr - out.data());
    if (rc != static_cast<std::size_t>(-1)) {
      if (flushing) break;
      flushing = true;
      continue;
    }
    if (errno == E2BIG) {
      out.resize(out.size() * 2 + 16);
      continue;
    }
    // EILSEQ or EINVAL (an incomplete sequence at the end).
    if (!lenient) return std::nullopt;
    out.resize(used);
    out += replacement;
    used = out.size();
    out.resize(used + in_left * 4 + 16);
    ++in_ptr;
    --in_left;
    iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);  // reset shift state
  }
  out.resize(used);
  return out;
}

}  // namespace

std::optional<std::string> ConvertStrict(std::string_view input, const std::string& from,
                                         const std::string& to) {
  return Convert(input, from, to, false);
}

std::string ConvertLenient(std::string_view input, const std::string& from, const std::string& to) {
  auto converted = Convert(input, from, to, true);
  return converted ? *converted : std::string(input);
}

std::string ToUtf8(std::string_view text) {
  return ConvertLenient(text, kProgramCodePage, "UTF-8");
}

std::string FromUtf8(std::string_view utf8) {
  return ConvertLenient(utf8, "UTF-8", kProgramCodePage);
}

std::u16string ToUtf16(std::string_view text) {
  std::string bytes = ConvertLenient(text, kProgramCodePage, "UTF-16LE");
  std::u16string wide(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < wide.size(); ++i) {
    wide[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                    (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return wide;
}

std::string FromUtf16(std::u16string_view wide) {
  std::string bytes(wide.size() * 2, '\0');
  for (std::size_t i = 0; i < wide.size(); ++i) {
    bytes[2 * i] = static_cast<char>(wide[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(wide[i] >> 8);
  }
  return ConvertLenient(bytes, "UTF-16LE", kProgramCodePage);
}

}  // namespace quellora
