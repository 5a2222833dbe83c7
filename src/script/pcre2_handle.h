// Move-only owners of PCRE2 (16-bit code unit) compiled patterns and match-data blocks.
#pragma once

#ifndef PCRE2_CODE_UNIT_WIDTH
#define PCRE2_CODE_UNIT_WIDTH 16
#endif
#include <pcre2.h>

#include <memory>

namespace quellora {

struct Pcre2CodeFree {
  void operator()(pcre2_code* code) const noexcept { pcre2_code_free(code); }
};
struct Pcre2MatchDataFree {
  void operator()(pcre2_match_data* data) const noexcept { pcre2_match_data_free(data); }
};

/// Owns a compiled pattern; empty when compilation failed.
using Pcre2Code = std::unique_ptr<pcre2_code, Pcre2CodeFree>;
/// Owns a match-data block sized for one compiled pattern.
using Pcre2MatchData = std::unique_ptr<pcre2_match_data, Pcre2MatchDataFree>;

}  // namespace quellora
