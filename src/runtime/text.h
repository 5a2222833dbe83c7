// Text and Bytes, the two value kinds every layer works with, and the operations on them.
//
// A Text is a byte string in the program's code page (GB18030, a superset of GBK). A byte of
// 0x80 or above starts a two-byte unit; GB18030's four-byte characters step as two such units.
// Positions count bytes from 1; "not found" is -1. The empty text stands for "no text".
// Every operation returns a new value and leaves its arguments unchanged; none of them fails on
// odd input (out-of-range positions and negative counts give the documented results).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/array.h"

namespace quellora {

/// Bytes in the program's code page. May not hold NUL bytes by convention (callers cut at NUL).
using Text = std::string;
/// An owned buffer of arbitrary bytes, NUL included.
using Bytes = std::vector<std::uint8_t>;

using TextArray = Array<Text>;
using IntArray = Array<std::int32_t>;

// Joining, comparing, measuring.

/// Joins the texts in order; empty texts add nothing.
Text TextConcat(std::initializer_list<std::string_view> parts);
/// Joins the buffers in order: BytesConcat({a, b}).
Bytes BytesConcat(std::initializer_list<std::span<const std::uint8_t>> parts);
/// Joins the pointed-to buffers in order; a null pointer adds nothing.
Bytes BytesConcat(std::initializer_list<const Bytes*> parts);
/// -1, 0 or 1 by unsigned byte values; a prefix orders first; no case folding.
int TextCompare(std::string_view a, std::string_view b);
/// Length in bytes.
int TextLength(std::string_view text);
/// Truncates toward zero; NaN and values beyond the 64-bit range give INT64_MIN.
std::int64_t NumberToInt64(double number);

// Cutting.

/// The first n bytes; all of them when n >= length; "" when n <= 0.
Text TextLeft(std::string_view text, int n);
/// The last n bytes; all of them when n >= length; "" when n <= 0.
Text TextRight(std::string_view text, int n);
/// n bytes from position start (1-based); "" when start < 1, start > length or n <= 0.
Text TextMiddle(std::string_view text, int start, int n);

// Searching and rewriting; these step a lead byte and its follower as one character.

/// Position of the first occurrence of sub at or after start; -1 when none, and also when the
/// first one lies at a position an int cannot hold. An empty sub is found at 1 whenever the part
/// searched is not empty. ignoreCase folds "A".."Z" only.
int TextFind(std::string_view text, std::string_view sub, int start = 1, bool ignoreCase = false);
/// Replaces non-overlapping occurrences from left to right, from start on. count < 0 means
/// unlimited. !caseSensitive folds "A".."Z" only.
Text TextReplace(std::string_view text, std::string_view sub, std::string_view replacement = "",
                 int start = 1, int count = -1, bool caseSensitive = true);
/// Splits at delimiter. An omitted count is unlimited; a given count below 0 counts as 0.
/// A trailing delimiter yields no trailing empty element.
TextArray TextSplit(std::string_view text, std::string_view delimiter = ",",
                    std::optional<int> count = std::nullopt);
/// Removes leading and trailing blanks (ASCII space and the full-width space A1 A1).
Text TextTrim(std::string_view text);
/// Removes every blank (ASCII space and A1 A1).
Text TextRemoveSpaces(std::string_view text);
/// -1, 0 or 1, character by character (a two-byte character as one unit, lead byte high);
/// when !caseSensitive ASCII and full-width Latin, Greek and Cyrillic letters compare as lower
/// case.
int TextCompareCase(std::string_view a, std::string_view b, bool caseSensitive);

// Conversions.

/// Reads a decimal integer after normalising full-width characters; wraps modulo 2^32.
std::int32_t TextToInt(std::string_view text);
std::int32_t TextToInt(std::int32_t value);
/// The low 32 bits.
std::int32_t TextToInt(std::int64_t value);
/// Truncates toward zero; NaN and values beyond the 32-bit range give INT32_MIN.
std::int32_t TextToInt(double value);

/// Signed decimal ("%d").
Text ToText(std::int32_t value);
/// Signed decimal.
Text ToText(std::int64_t value);
/// "%.13g" with an exponent of at least three digits ("1e+015").
Text ToText(double value);
/// The bytes up to the first zero byte.
Text ToText(const Bytes& bytes);
/// A copy.
Text ToText(std::string_view text);

/// The text's bytes, without a terminator.
Bytes ToBytes(std::string_view text);
/// A copy.
Bytes ToBytes(const Bytes& bytes);
int BytesLength(const Bytes& bytes);
/// The first n bytes; all when n >= length; empty when n <= 0.
Bytes BytesLeft(const Bytes& bytes, int n);
/// n zero bytes; empty when n <= 0.
Bytes BytesBlank(int n);
/// The text held in the bytes: up to the first zero byte.
Text BytesReadValue(const Bytes& bytes);

}  // namespace quellora
