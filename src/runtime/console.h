// The program's contact with the user: standard output and standard input, converted between the
// program's code page and the character set of the user's locale at this boundary.
//
// A C or POSIX locale counts as UTF-8; a GBK or GB18030 locale gets the bytes unchanged. Bytes
// are written as they stand otherwise ("\r\n" stays the two bytes 0D 0A).
#pragma once

#include <cstdio>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/iconv_handle.h"
#include "runtime/text.h"

namespace quellora {

/// Longest piece, in bytes of the program's code page, that one ConsoleReadLine returns.
inline constexpr std::size_t kConsoleLinePiece = 2048;

/// The iconv name of the character set the console speaks for a locale's codeset name (as
/// nl_langinfo(CODESET) gives it): "UTF-8" for an ASCII (C/POSIX) or unknown-empty codeset,
/// the program's own code page for GBK and GB18030, else the codeset itself.
std::string ConsoleCharsetFor(std::string_view codeset);

/// A console over two streams. Not thread-safe. The streams must outlive the object.
class Console {
 public:
  /// charset: the console side's character set (an iconv name).
  Console(std::FILE* in, std::FILE* out, std::string charset);

  /// Writes text converted to the console's character set; flushed at once when out is a
  /// terminal, else buffered until a read, a flush or the end of the process.
  void Write(std::string_view text);
  /// One line of input without its line end, in pieces of at most kConsoleLinePiece bytes (a
  /// longer line comes back over several calls, never cut inside a character); every trailing
  /// byte below 0x20 removed. At end of input or after a failed read: "" now and ever after.
  Text ReadLine();
  void Flush();

 private:
  bool FillLine();
  void Decode(bool final);

  std::FILE* in_;
  std::FILE* out_;
  std::string charset_;
  bool passThrough_;
  std::optional<IconvHandle> decoder_;
  std::string raw_;      // input read but not yet converted (an incomplete character at most)
  std::string pending_;  // converted input not yet returned
  bool ended_ = false;   // end of input or a failed read was met
};

/// The console over the process's standard streams, in the locale's character set (set up on
/// first use with setlocale(LC_CTYPE, "")).
Console& StandardConsole();

/// Writes each text to standard output in order, with nothing between or after them.
void ConsoleWrite(std::initializer_list<std::string_view> texts);
void ConsoleWrite(std::string_view text);
/// Reads one line (or piece of one) from standard input; see Console::ReadLine.
Text ConsoleReadLine();
/// Handles pending window messages: there are none here, so it returns at once.
void ProcessEvents();

}  // namespace quellora
