// RegexObject: runs one regular expression over a Text and hands out the matches of the last run.
//
// The subject is matched as UTF-16 (PCRE2, 16-bit code units), so the dialect is that of a
// VBScript-style regular-expression component: character classes, greedy and lazy quantifiers,
// groups, alternation, anchors, \b, and ASCII-only \d \w \s. "." never matches a line break.
// Matches and capture groups are numbered from 1; positions are 0-based byte offsets into the
// subject Text. No operation reports an error: a failed or missing search reads as "", 0, false.
// Objects are independent values (copies share nothing); use one object per thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "runtime/text.h"

namespace quellora {

class RegexObject {
 public:
  RegexObject() = default;

  /// Runs pattern over subject and keeps every match; with global false only the first.
  /// Options: case ignored unless caseSensitive; "^"/"$" match at line breaks when multiline;
  /// with quoteMarker every "#引号" (GB18030 bytes 23 D2 FD BA C5) in the pattern becomes '"'.
  /// Returns false (and keeps no match) when the pattern is invalid or matching fails;
  /// true otherwise, also when nothing matched.
  bool Search(std::string_view pattern, std::string_view subject, bool caseSensitive = false,
              bool multiline = true, bool global = true, bool quoteMarker = false);

  /// The pattern of the last Search after the quote-marker step; "" before the first Search.
  Text GetPattern() const;

  /// The subject of the last Search with the kept matches replaced by replacement, in which
  /// $1..$99 stand for a group, $& for the match, $` and $' for the text before and after it,
  /// and $$ for "$". "" when the last Search failed or there was none.
  Text ReplaceMatches(std::string_view replacement) const;

  /// Number of matches of the last Search; 0 when it failed.
  std::int32_t MatchCount() const;

  /// Text of match n (from 1); "" when there is no such match. When position is given it
  /// receives the byte offset at which the match begins, or -1 when there is no match n.
  Text MatchText(std::int32_t n, std::int32_t* position = nullptr) const;

  /// Text of capture group k (from 1) of match n (from 1); "" for a group that took no part
  /// in the match or does not exist. When position is given it receives the byte offset of the
  /// first occurrence of that text at or after the start of the match (case ignored when the
  /// search ignored case; an empty text occurs at the start of the match), -2 when there is
  /// none or no group k, and -1 when there is no match n.
  Text SubMatchText(std::int32_t n, std::int32_t k, std::int32_t* position = nullptr) const;

  /// Number of capture groups of the first match; 0 when there is no match.
  std::int32_t SubMatchCount() const;

 private:
  /// A span of the subject in UTF-16 code units; unset for a group that did not take part.
  struct Span {
    std::size_t begin = 0;
    std::size_t end = 0;
  };
  struct Match {
    Span whole;
    std::vector<std::optional<Span>> groups;
  };

  const Match* FindMatch(std::int32_t n) const;
  Text Slice(Span span) const;

  bool searched_ = false;  // a Search ran (even a failed one)
  bool succeeded_ = false;
  bool ignoreCase_ = true;
  Text pattern_;
  Text subject_;
  /// unitOffset_[u] is the byte offset in subject_ of the character that UTF-16 unit u
  /// belongs to; one extra entry holds subject_.size().
  std::vector<std::size_t> unitOffset_;
  std::vector<Match> matches_;
};

}  // namespace quellora
