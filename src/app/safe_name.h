// Folder and file names made from titles that the service sends. A safe name is one path
// component that every common file system accepts and that can never leave its parent folder.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quellora {

/// The longest name of one path component, in bytes, on the common Linux file systems.
inline constexpr std::size_t kMaxNameBytes = 255;
/// The extension every saved track carries.
inline constexpr std::string_view kTrackExtension = ".MP3";

/// Makes one path component from a UTF-8 name:
/// - "/", "\", ":", "*", "?", "\"", "<", ">", "|" and control bytes (below 0x20, 0x7F) become "_";
/// - a name made only of dots and blanks (the empty name, ".", "..") becomes fallback, made safe
///   the same way ("_" when that is empty too);
/// - trailing dots and blanks each become "_";
/// - a reserved device name of Windows (CON, NUL, COM1, ...) gets a leading "_";
/// - a name longer than maxBytes is shortened at a UTF-8 character boundary.
std::string SafeName(std::string_view utf8, std::string_view fallback = "",
                     std::size_t maxBytes = kMaxNameBytes);

/// The file name of a track: the safe title (the track id when the title is empty), then
/// " (n)" when copy is 2 or more, then ".MP3"; at most kMaxNameBytes bytes in all.
std::string SafeTrackFileName(std::string_view utf8Title, std::string_view trackId, int copy = 1);

}  // namespace quellora
