#include "runtime/codepage.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "runtime/iconv_handle.h"

namespace quellora {
namespace {

constexpr const char kReplacementUtf8[] = "\xEF\xBF\xBD";  // U+FFFD

// An open converter for one direction, kept for the thread's later conversions: opening an
// iconv descriptor costs far more than converting a title or a page head.
struct CachedConverter {
  std::string from;
  std::string to;
  IconvHandle handle;
  std::string replacement;  // U+FFFD in the target set, or "?" where it has none
};

// Runs iconv over all of input. On a byte that does not convert: without a replacement the
// conversion fails; with one, the replacement is written and that one byte skipped.
std::optional<std::string> Run(iconv_t cd, std::string_view input, const std::string* replacement) {
  std::string out(input.size() * 2 + 16, '\0');  // grows on E2BIG
  char* in = const_cast<char*>(input.data());    // iconv does not write through it
  std::size_t inLeft = input.size();
  std::size_t used = 0;
  bool flushing = false;
  std::optional<std::string> result;
  for (;;) {
    char* outPtr = out.data() + used;
    std::size_t outLeft = out.size() - used;
    const std::size_t rc = flushing ? iconv(cd, nullptr, nullptr, &outPtr, &outLeft)
                                    : iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    used = static_cast<std::size_t>(outPtr - out.data());
    if (rc != static_cast<std::size_t>(-1)) {
      if (flushing) {
        out.resize(used);
        result = std::move(out);
        break;
      }
      flushing = true;
      continue;
    }
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    // EILSEQ, or EINVAL for an incomplete sequence at the end.
    if (replacement == nullptr) break;
    if (out.size() - used < replacement->size()) out.resize(out.size() * 2 + replacement->size());
    std::memcpy(out.data() + used, replacement->data(), replacement->size());
    used += replacement->size();
    ++in;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // leave the descriptor ready for reuse
  return result;
}

// The thread's converter from one set to another; nullptr when iconv knows either name not.
CachedConverter* Converter(const std::string& from, const std::string& to) {
  constexpr std::size_t kKept = 8;
  thread_local std::vector<CachedConverter> kept;
  thread_local CachedConverter overflow;
  for (CachedConverter& converter : kept) {
    if (converter.from == from && converter.to == to) return &converter;
  }
  IconvHandle handle(to, from);
  if (!handle.valid()) return nullptr;
  std::string replacement = "?";
  if (IconvHandle toTarget(to, "UTF-8"); toTarget.valid()) {
    if (auto converted = Run(toTarget.get(), kReplacementUtf8, nullptr)) replacement = *converted;
  }
  CachedConverter converter{from, to, std::move(handle), std::move(replacement)};
  if (kept.size() < kKept) return &kept.emplace_back(std::move(converter));
  // Pages declaring many different sets: the newest beyond the kept ones is held alone.
  overflow = std::move(converter);
  return &overflow;
}

}  // namespace

std::optional<std::string> ConvertStrict(std::string_view input, const std::string& from,
                                         const std::string& to) {
  CachedConverter* converter = Converter(from, to);
  if (converter == nullptr) return std::nullopt;
  return Run(converter->handle.get(), input, nullptr);
}

std::string ConvertLenient(std::string_view input, const std::string& from, const std::string& to) {
  CachedConverter* converter = Converter(from, to);
  if (converter == nullptr) return std::string(input);
  auto converted = Run(converter->handle.get(), input, &converter->replacement);
  return converted ? std::move(*converted) : std::string(input);
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
