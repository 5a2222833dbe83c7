#include "script/regex_object.h"

#include <algorithm>

#include "script/pcre2_handle.h"
#include "script/wide_subject.h"

namespace quellora {
namespace {

/// The marker "#引号" in the program's code page; Search turns it into a double quote.
constexpr std::string_view kQuoteMarker = "\x23\xD2\xFD\xBA\xC5";

/// Subjects from this many UTF-16 units on are matched with PCRE2's JIT. Compiling to machine
/// code costs about 9 us (more than a whole search of a 1 KB page head takes without it) and
/// saves about 1.6 us per KB of subject (bench/script_bench.cpp), so it pays from about 6 KB.
constexpr std::size_t kJitMinimumUnits = 8192;

Pcre2Code Compile(const std::u16string& pattern, bool caseSensitive, bool multiline, bool jit) {
  std::uint32_t options = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_NEVER_BACKSLASH_C;
  if (!caseSensitive) options |= PCRE2_CASELESS;
  // Without multiline, "$" matches only at the very end, as in a VBScript-style component.
  options |= multiline ? PCRE2_MULTILINE : PCRE2_DOLLAR_ENDONLY;
  std::unique_ptr<pcre2_compile_context, decltype(&pcre2_compile_context_free)> context(
      pcre2_compile_context_create(nullptr), &pcre2_compile_context_free);
  if (!context) return nullptr;
  pcre2_set_newline(context.get(), PCRE2_NEWLINE_ANYCRLF);
  int errorCode = 0;
  PCRE2_SIZE errorOffset = 0;
  Pcre2Code code(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                               options, &errorCode, &errorOffset, context.get()));
  if (code && jit) pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE);  // interpreted if it fails
  return code;
}

/// Index just past the character that begins at unit index at.
std::size_t NextCharacter(const std::u16string& units, std::size_t at) {
  if (at + 1 < units.size() && units[at] >= 0xD800 && units[at] <= 0xDBFF &&
      units[at + 1] >= 0xDC00 && units[at + 1] <= 0xDFFF) {
    return at + 2;
  }
  return at + 1;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

bool RegexObject::Search(std::string_view pattern, std::string_view subject, bool caseSensitive,
                         bool multiline, bool global, bool quoteMarker) {
  searched_ = true;
  succeeded_ = false;
  ignoreCase_ = !caseSensitive;
  matches_.clear();
  pattern_ = quoteMarker ? TextReplace(pattern, kQuoteMarker, "\"") : Text(pattern);
  subject_ = Text(subject);
  WideSubject wide = ToWideSubject(subject_);
  unitOffset_ = std::move(wide.byteOffset);

  Pcre2Code code = Compile(ToWideSubject(pattern_).units, caseSensitive, multiline,
                           wide.units.size() >= kJitMinimumUnits);
  if (!code) return false;
  Pcre2MatchData data(pcre2_match_data_create_from_pattern(code.get(), nullptr));
  if (!data) return false;
  std::uint32_t groupCount = 0;
  pcre2_pattern_info(code.get(), PCRE2_INFO_CAPTURECOUNT, &groupCount);

  const std::u16string& units = wide.units;
  auto spanAt = [](const PCRE2_SIZE* vector, std::uint32_t k) {
    Span span{vector[2 * k], vector[2 * k + 1]};
    if (span.end < span.begin) span.end = span.begin;  // \K inside a look-ahead
    return span;
  };
  std::size_t start = 0;
  while (start <= units.size()) {
    // The subject is checked as UTF-16 once; later attempts start at character boundaries.
    std::uint32_t matchOptions = start == 0 && matches_.empty() ? 0 : PCRE2_NO_UTF_CHECK;
    int rc = pcre2_match(code.get(), reinterpret_cast<PCRE2_SPTR>(units.data()), units.size(),
                         start, matchOptions, data.get(), nullptr);
    if (rc == PCRE2_ERROR_NOMATCH) break;
    if (rc < 0) {  // a resource limit or another matching failure
      matches_.clear();
      return false;
    }
    const PCRE2_SIZE* vector = pcre2_get_ovector_pointer(data.get());
    Match match;
    match.whole = spanAt(vector, 0);
    match.groups.reserve(groupCount);
    for (std::uint32_t k = 1; k <= groupCount; ++k) {
      if (vector[2 * k] == PCRE2_UNSET) {
        match.groups.emplace_back();
      } else {
        match.groups.emplace_back(spanAt(vector, k));
      }
    }
    matches_.push_back(std::move(match));
    if (!global) break;
    const Span& whole = matches_.back().whole;
    // After an empty match the next attempt starts one character further, so it never loops.
    std::size_t next = whole.end > whole.begin ? whole.end : NextCharacter(units, whole.end);
    start = next;
  }
  succeeded_ = true;
  return true;
}

Text RegexObject::GetPattern() const {
  return searched_ ? pattern_ : Text();
}

const RegexObject::Match* RegexObject::FindMatch(std::int32_t n) const {
  if (n < 1 || static_cast<std::size_t>(n) > matches_.size()) return nullptr;
  return &matches_[static_cast<std::size_t>(n - 1)];
}

Text RegexObject::Slice(Span span) const {
  std::size_t begin = unitOffset_[span.begin];
  std::size_t end = unitOffset_[span.end];
  return end > begin ? subject_.substr(begin, end - begin) : Text();
}

Text RegexObject::ReplaceMatches(std::string_view replacement) const {
  if (!succeeded_) return "";
  Text result;
  std::size_t copied = 0;  // bytes of the subject already in result
  for (const Match& match : matches_) {
    std::size_t begin = unitOffset_[match.whole.begin];
    std::size_t end = unitOffset_[match.whole.end];
    if (begin >= copied) result.append(subject_, copied, begin - copied);
    // '$' is ASCII and never the second byte of a character, so a byte-wise scan is safe.
    for (std::size_t i = 0; i < replacement.size(); ++i) {
      char c = replacement[i];
      if (c != '$' || i + 1 == replacement.size()) {
        result += c;
        continue;
      }
      char next = replacement[i + 1];
      if (next == '$') {
        result += '$';
        ++i;
      } else if (next == '&') {
        result += Slice(match.whole);
        ++i;
      } else if (next == '`') {
        result.append(subject_, 0, begin);
        ++i;
      } else if (next == '\'') {
        result.append(subject_, end);
        ++i;
      } else if (IsDigit(next)) {
        std::size_t groups = match.groups.size();
        std::size_t one = static_cast<std::size_t>(next - '0');
        std::size_t two = i + 2 < replacement.size() && IsDigit(replacement[i + 2])
                              ? one * 10 + static_cast<std::size_t>(replacement[i + 2] - '0')
                              : 0;
        std::size_t group = 0;
        if (two >= 1 && two <= groups) {
          group = two;
          i += 2;
        } else if (one >= 1 && one <= groups) {
          group = one;
          i += 1;
        }
        if (group == 0) {
          result += '$';  // not a group of this pattern: taken literally
        } else if (const auto& span = match.groups[group - 1]) {
          result += Slice(*span);
        }
      } else {
        result += '$';
      }
    }
    copied = std::max(copied, end);
  }
  if (copied < subject_.size()) result.append(subject_, copied);
  return result;
}

std::int32_t RegexObject::MatchCount() const {
  return static_cast<std::int32_t>(matches_.size());
}

Text RegexObject::MatchText(std::int32_t n, std::int32_t* position) const {
  const Match* match = FindMatch(n);
  if (position) {
    *position = match ? static_cast<std::int32_t>(unitOffset_[match->whole.begin]) : -1;
  }
  return match ? Slice(match->whole) : Text();
}

Text RegexObject::SubMatchText(std::int32_t n, std::int32_t k, std::int32_t* position) const {
  const Match* match = FindMatch(n);
  if (!match) {
    if (position) *position = -1;
    return "";
  }
  if (k < 1 || static_cast<std::size_t>(k) > match->groups.size()) {
    if (position) *position = -2;
    return "";
  }
  const auto& span = match->groups[static_cast<std::size_t>(k - 1)];
  Text text = span ? Slice(*span) : Text();
  if (position) {
    // The first occurrence of the group's text from the start of the match on, which need not
    // be where the group matched; an empty text occurs at the start of the match.
    auto matchOffset = static_cast<std::int32_t>(unitOffset_[match->whole.begin]);
    if (text.empty()) {
      *position = matchOffset;
    } else {
      int found = TextFind(subject_, text, matchOffset + 1, ignoreCase_);
      *position = found < 1 ? -2 : found - 1;
    }
  }
  return text;
}

std::int32_t RegexObject::SubMatchCount() const {
  return matches_.empty() ? 0 : static_cast<std::int32_t>(matches_.front().groups.size());
}

}  // namespace quellora
