#include "http/response_text.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <utility>

#include "http/utf8_repair.h"
#include "runtime/ascii.h"
#include "runtime/codepage.h"
#include "script/regex_object.h"

namespace quellora {
namespace {

constexpr int kDeclarationHead = 1024;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

Text CutAtNul(std::string_view text) {
  return Text(text.substr(0, text.find('\0')));
}

bool IsUtf8Name(std::string_view name) {
  return EqualsIgnoringAsciiCase(name, "utf-8") || EqualsIgnoringAsciiCase(name, "utf8");
}

// The body read in the named character set, or nullopt when iconv does not know the name. A
// byte sequence that does not convert becomes U+FFFD: for UTF-8 one per maximal ill-formed
// subsequence, for other sets one per byte. A byte-order mark in front of UTF-8 is no part of
// the text.
std::optional<Text> ConvertBody(std::string_view body, const Text& charset) {
  const bool utf8 = IsUtf8Name(charset);
  if (utf8 && body.substr(0, kUtf8Bom.size()) == kUtf8Bom) body.remove_prefix(kUtf8Bom.size());
  if (std::optional<std::string> converted = ConvertStrict(body, charset, kProgramCodePage)) {
    return CutAtNul(*converted);
  }
  // The strict run failed: either the name is unknown (an empty text does not convert either)
  // or some bytes are bad.
  if (!ConvertStrict({}, charset, kProgramCodePage)) return std::nullopt;
  if (utf8) return CutAtNul(ConvertLenient(RepairUtf8(body), "UTF-8", kProgramCodePage));
  return CutAtNul(ConvertLenient(body, charset, kProgramCodePage));
}

// The text for a declared charset; nullopt means "keep the bytes as they came", as for the
// program's own names.
std::optional<Text> DecodeDeclared(std::string_view body, const Text& charset) {
  if (charset == "gbk" || charset == "gb2312") return std::nullopt;
  return ConvertBody(body, charset);
}

}  // namespace

Text ContentTypeCharset(std::string_view contentType) {
  std::size_t pos = contentType.find(';');
  while (pos != std::string_view::npos) {
    std::size_t start = pos + 1;
    const std::size_t end = contentType.find(';', start);
    std::string_view param = contentType.substr(
        start, end == std::string_view::npos ? std::string_view::npos : end - start);
    pos = end;
    const std::size_t equals = param.find('=');
    if (equals == std::string_view::npos) continue;
    std::string_view name = param.substr(0, equals);
    std::string_view value = param.substr(equals + 1);
    while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) name.remove_prefix(1);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
    if (!EqualsIgnoringAsciiCase(name, "charset")) continue;
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
      value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    return Text(value);
  }
  return Text();
}

namespace {

// The body converted to the program's code page, or nullopt when the undecoded text stands.
std::optional<Text> DecodedText(std::string_view whole, std::string_view contentType) {
  RegexObject regex;
  // The first bytes of the text up to its first NUL: only they can hold the declaration.
  const std::string_view start = whole.substr(0, kDeclarationHead);
  const Text head = TextLeft(start.substr(0, start.find('\0')), kDeclarationHead);
  if (regex.Search("<meta.+?charset=[^\\w]?([-\\w]+)", head)) {
    const Text name = regex.SubMatchText(1, 1);
    if (!name.empty()) return DecodeDeclared(whole, name);
  }
  const Text headerCharset = ContentTypeCharset(contentType);
  if (!headerCharset.empty()) return DecodeDeclared(whole, headerCharset);
  if (whole.substr(0, kUtf8Bom.size()) == kUtf8Bom) return ConvertBody(whole, "UTF-8");
  return std::nullopt;
}

}  // namespace

Text DecodeResponseText(const Bytes& body, std::string_view contentType) {
  const std::string_view whole(reinterpret_cast<const char*>(body.data()), body.size());
  std::optional<Text> decoded = DecodedText(whole, contentType);
  if (decoded) return std::move(*decoded);
  return CutAtNul(whole);
}

Text DecodeResponseText(Text&& body, std::string_view contentType) {
  std::optional<Text> decoded = DecodedText(body, contentType);
  if (decoded) return std::move(*decoded);
  body.resize(std::min(body.find('\0'), body.size()));
  return std::move(body);
}

}  // namespace quellora
