// Runs RegexObject::Search over arbitrary subjects (and, when the first byte asks for it, an
// arbitrary pattern taken from the first line) and checks that every match and group handed out
// lies where its position says.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "script/regex_object.h"

namespace {

constexpr std::string_view kPatterns[] = {
    "data-page='(\\d)'",
    "<meta.+?charset=[^\\w]?([-\\w]+)",
    "(a|b)*?c",
    "^(\\w+)\\s*=\\s*(.*)$",
    "x*",
    "\\b(\\S+)\\b",
    "([\\x80-\\uffff])(.)?",
    "",
};

constexpr std::size_t kMaxPattern = 64;
constexpr std::size_t kMaxSubject = 4096;
constexpr std::size_t kJitSubject = 8192;

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t options = data[0];
  std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
  std::string_view pattern = kPatterns[options & 0x07];
  if (options & 0x80) {
    std::size_t end = input.find('\n');
    if (end == std::string_view::npos || end > kMaxPattern) return 0;
    pattern = input.substr(0, end);
    input.remove_prefix(end + 1);
  }
  std::string subject(input.substr(0, kMaxSubject));
  // An odd last byte repeats the subject past the size from which patterns are JIT-compiled.
  if (!subject.empty() && (data[size - 1] & 1)) {
    while (subject.size() < kJitSubject) subject += subject;
  }

  quellora::RegexObject regex;
  bool ok = regex.Search(pattern, subject, options & 0x08, options & 0x10, !(options & 0x20),
                         options & 0x40);
  const std::int32_t count = regex.MatchCount();
  Check(count >= 0 && (ok || count == 0));
  std::size_t matched = 0;
  for (std::int32_t n = 1; n <= count; ++n) {
    std::int32_t position = -1;
    std::string text = regex.MatchText(n, &position);
    Check(position >= 0 && static_cast<std::size_t>(position) + text.size() <= subject.size());
    Check(subject.compare(static_cast<std::size_t>(position), text.size(), text) == 0);
    matched += text.size();
    for (std::int32_t k = 1; k <= regex.SubMatchCount() + 1; ++k) {
      std::int32_t groupPosition = -1;
      std::string group = regex.SubMatchText(n, k, &groupPosition);
      Check(groupPosition == -2 || groupPosition >= position);
      if (groupPosition >= 0) {
        Check(subject.compare(static_cast<std::size_t>(groupPosition), group.size(), group) == 0 ||
              !(options & 0x08));  // found ignoring case: the bytes may differ in case
      }
    }
  }
  Check(regex.MatchText(count + 1).empty());
  if (ok) {
    Check(regex.ReplaceMatches("$&") == subject);
    Check(regex.ReplaceMatches("").size() == subject.size() - matched);
  }
  // The context forms copy the subject once per match: only on small subjects.
  regex.ReplaceMatches(subject.size() <= 512 ? "$1$`$'$$$99" : "$1$$$99");
  return 0;
}
