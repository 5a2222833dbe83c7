#include "app/safe_name.h"

#include <algorithm>
#include <array>

#include "runtime/ascii.h"

namespace quellora {
namespace {

bool IsForbidden(unsigned char c) {
  constexpr std::string_view kForbidden = "/\\:*?\"<>|";
  return c < 0x20 || c == 0x7F || kForbidden.find(static_cast<char>(c)) != std::string_view::npos;
}

bool IsDotOrBlank(char c) {
  return c == '.' || c == ' ';
}

bool OnlyDotsAndBlanks(std::string_view name) {
  for (char c : name) {
    if (!IsDotOrBlank(c)) return false;
  }
  return true;
}

void ReplaceTrailingDotsAndBlanks(std::string& name) {
  for (auto it = name.rbegin(); it != name.rend() && IsDotOrBlank(*it); ++it) *it = '_';
}

// Cuts name to at most maxBytes without splitting a UTF-8 sequence.
void ShortenAtCharacterBoundary(std::string& name, std::size_t maxBytes) {
  if (name.size() <= maxBytes) return;
  std::size_t end = maxBytes;
  while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
  name.resize(end);
}

bool IsReservedDeviceName(std::string_view name) {
  // Windows reserves these names whatever extension follows.
  const std::string_view stem = name.substr(0, name.find('.'));
  std::string upper;
  for (char c : stem) upper.push_back(AsciiUpper(c));
  static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
  for (auto reserved : kPlain) {
    if (upper == reserved) return true;
  }
  return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) &&
         upper[3] >= '1' && upper[3] <= '9';
}

std::string ReplaceForbidden(std::string_view name) {
  std::string result(name);
  for (char& c : result) {
    if (IsForbidden(static_cast<unsigned char>(c))) c = '_';
  }
  return result;
}

}  // namespace

std::string SafeName(std::string_view utf8, std::string_view fallback, std::size_t maxBytes) {
  if (maxBytes == 0) maxBytes = 1;
  std::string name = ReplaceForbidden(utf8);
  if (OnlyDotsAndBlanks(name)) {
    name = ReplaceForbidden(fallback);
    // Single characters are assigned, not short literals: GCC 12 warns falsely (-Wrestrict) on
    // assigning a literal to a string at -O3.
    if (OnlyDotsAndBlanks(name)) name.assign(std::max<std::size_t>(name.size(), 1), '_');
  }
  if (IsReservedDeviceName(name)) name.insert(name.begin(), '_');
  ShortenAtCharacterBoundary(name, maxBytes);
  if (name.empty()) name.assign(1, '_');
  ReplaceTrailingDotsAndBlanks(name);
  return name;
}

std::string SafeTrackFileName(std::string_view utf8Title, std::string_view trackId, int copy) {
  const std::string suffix = copy >= 2 ? " (" + std::to_string(copy) + ")" : std::string();
  const std::size_t room = kMaxNameBytes - kTrackExtension.size() - suffix.size();
  return SafeName(utf8Title, trackId, room) + suffix + std::string(kTrackExtension);
}

}  // namespace quellora
