#include "runtime/console.h"

#include <langinfo.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <utility>

#include "runtime/ascii.h"
#include "runtime/char_length.h"
#include "runtime/codepage.h"

namespace quellora {
namespace {

// U+FFFD in GB18030: what an input byte that does not convert becomes.
constexpr std::string_view kReplacementCharacter = "\x84\x31\xA4\x37";
// Input is taken from the stream in chunks of at most this many bytes.
constexpr std::size_t kReadChunk = 1024;

// The longest prefix of text, at most limit bytes, that ends on a character boundary.
std::size_t CutAtCharacter(std::string_view text, std::size_t limit) {
  std::size_t offset = 0;
  while (offset < text.size()) {
    const std::size_t length = Gb18030CharLength(text, offset);
    if (offset + length > limit) break;
    offset += length;
  }
  return offset;
}

}  // namespace

std::string ConsoleCharsetFor(std::string_view codeset) {
  const auto is = [codeset](std::string_view name) {
    return EqualsIgnoringAsciiCase(codeset, name);
  };
  if (codeset.empty() || is("ANSI_X3.4-1968") || is("ASCII") || is("US-ASCII") || is("POSIX") ||
      is("C")) {
    return "UTF-8";
  }
  if (is("GBK") || is("GB18030") || is("CP936")) return kProgramCodePage;
  return std::string(codeset);
}

Console::Console(std::FILE* in, std::FILE* out, std::string charset)
    : in_(in), out_(out), charset_(std::move(charset)) {
  passThrough_ = EqualsIgnoringAsciiCase(charset_, kProgramCodePage);
  if (!passThrough_) {
    decoder_.emplace(kProgramCodePage, charset_);
    // A character set iconv does not know: bytes go through unchanged.
    if (!decoder_->valid()) {
      decoder_.reset();
      passThrough_ = true;
    }
  }
}

void Console::Write(std::string_view text) {
  if (text.empty()) return;
  if (passThrough_) {
    std::fwrite(text.data(), 1, text.size(), out_);
  } else {
    const std::string converted = ConvertLenient(text, kProgramCodePage, charset_);
    std::fwrite(converted.data(), 1, converted.size(), out_);
  }
  if (isatty(fileno(out_))) std::fflush(out_);
}

void Console::Flush() {
  std::fflush(out_);
}

void Console::Decode(bool final) {
  if (passThrough_) {
    pending_ += raw_;
    raw_.clear();
    return;
  }
  char* input = raw_.data();
  std::size_t inputLeft = raw_.size();
  char buffer[4096];
  while (inputLeft > 0) {
    char* output = buffer;
    std::size_t outputLeft = sizeof buffer;
    const std::size_t rc = iconv(decoder_->get(), &input, &inputLeft, &output, &outputLeft);
    const int error = errno;
    pending_.append(buffer, static_cast<std::size_t>(output - buffer));
    if (rc != static_cast<std::size_t>(-1) || error == E2BIG) continue;
    if (error == EINVAL && !final) break;  // an incomplete character waits for its rest
    // A byte that does not convert (or is cut off by the end of input) is replaced, not lost.
    pending_ += kReplacementCharacter;
    ++input;
    --inputLeft;
    iconv(decoder_->get(), nullptr, nullptr, nullptr, nullptr);
  }
  raw_.erase(0, static_cast<std::size_t>(input - raw_.data()));
}

// Reads more input until pending_ holds a line feed, more than a piece's worth, or the end.
// Returns false when nothing more could be read.
bool Console::FillLine() {
  while (!ended_ && pending_.find('\n') == std::string::npos &&
         pending_.size() < kConsoleLinePiece + 8) {
    for (std::size_t read = 0; read < kReadChunk; ++read) {
      const int c = std::getc(in_);
      if (c == EOF) {
        ended_ = true;
        break;
      }
      raw_ += static_cast<char>(c);
      if (c == '\n') break;
    }
    Decode(ended_);
  }
  return !pending_.empty();
}

Text Console::ReadLine() {
  Flush();
  if (!FillLine()) return Text();

  // The line end (a line feed, and a carriage return before it) does not count toward a
  // piece's length: a line of exactly kConsoleLinePiece bytes comes back whole in one call.
  const std::size_t lineFeed = pending_.find('\n');
  std::size_t contentEnd = lineFeed == std::string::npos ? pending_.size() : lineFeed;
  if (contentEnd > 0 && pending_[contentEnd - 1] == '\r') --contentEnd;
  const bool lineComplete = lineFeed != std::string::npos || ended_;

  Text piece;
  if (lineComplete && contentEnd <= kConsoleLinePiece) {
    const std::size_t consumed = lineFeed == std::string::npos ? pending_.size() : lineFeed + 1;
    piece = pending_.substr(0, consumed);
    pending_.erase(0, consumed);
  } else {
    const std::size_t cut = CutAtCharacter(pending_, kConsoleLinePiece);
    piece = pending_.substr(0, cut);
    pending_.erase(0, cut);
  }
  while (!piece.empty() && static_cast<unsigned char>(piece.back()) < 0x20) piece.pop_back();
  return piece;
}

Console& StandardConsole() {
  static Console console = [] {
    std::setlocale(LC_CTYPE, "");
    return Console(stdin, stdout, ConsoleCharsetFor(nl_langinfo(CODESET)));
  }();
  return console;
}

void ConsoleWrite(std::initializer_list<std::string_view> texts) {
  Console& console = StandardConsole();
  for (auto text : texts) console.Write(text);
}

void ConsoleWrite(std::string_view text) {
  StandardConsole().Write(text);
}

Text ConsoleReadLine() {
  return StandardConsole().ReadLine();
}

void ProcessEvents() {}

}  // namespace quellora
