// The console over in-memory streams: conversion to and from the locale's character set, line
// pieces, end of input.
#include "runtime/console.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "support/gb_text.h"

namespace quellora {
namespace {

using testing::Gb;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// A console reading the given bytes and writing to memory.
class ConsoleFixture {
 public:
  explicit ConsoleFixture(const std::string& input, const std::string& charset = "UTF-8")
      : input_(input),
        in_(input_.empty() ? std::fopen("/dev/null", "r")
                           : fmemopen(input_.data(), input_.size(), "r")),
        out_(open_memstream(&buffer_, &size_)),
        console_(in_.get(), out_.get(), charset) {}
  ~ConsoleFixture() {
    out_.reset();
    std::free(buffer_);
  }

  Console& console() { return console_; }
  /// What reached the output stream so far (without flushing it).
  std::string Written() const { return std::string(buffer_ == nullptr ? "" : buffer_, size_); }
  std::string Flushed() {
    std::fflush(out_.get());
    return Written();
  }

 private:
  std::string input_;
  char* buffer_ = nullptr;
  std::size_t size_ = 0;
  FilePtr in_;
  FilePtr out_;
  Console console_;
};

TEST(ConsoleCharsetFor, LocaleCodesets) {
  EXPECT_EQ(ConsoleCharsetFor("ANSI_X3.4-1968"), "UTF-8");
  EXPECT_EQ(ConsoleCharsetFor(""), "UTF-8");
  EXPECT_EQ(ConsoleCharsetFor("UTF-8"), "UTF-8");
  EXPECT_EQ(ConsoleCharsetFor("GBK"), "GB18030");
  EXPECT_EQ(ConsoleCharsetFor("gb18030"), "GB18030");
  EXPECT_EQ(ConsoleCharsetFor("ISO-8859-1"), "ISO-8859-1");
}

TEST(ConsoleWrite, ConvertsToUtf8AndKeepsLineEndsAsTheyStand) {
  ConsoleFixture fixture("");
  fixture.console().Write(Gb("\r\n请输入专辑名称："));
  fixture.console().Write("");
  fixture.console().Write("a\nb");
  EXPECT_EQ(fixture.Flushed(), "\r\n请输入专辑名称：a\nb");
}

TEST(ConsoleWrite, FourByteCharactersAndUndecodableBytes) {
  ConsoleFixture fixture("");
  fixture.console().Write(Gb("😀"));
  fixture.console().Write("x\xFF");  // FF is no GB18030 byte: replaced, not dropped
  EXPECT_EQ(fixture.Flushed(), "😀x\xEF\xBF\xBD");
}

TEST(ConsoleWrite, ProgramCodePageLocaleGetsBytesUnchanged) {
  ConsoleFixture fixture("", "GB18030");
  fixture.console().Write("\xC7\xEB\r\n\xFF");
  EXPECT_EQ(fixture.Flushed(), "\xC7\xEB\r\n\xFF");
}

TEST(ConsoleReadLine, FlushesOutputBeforeReading) {
  ConsoleFixture fixture("1\n");
  fixture.console().Write("prompt: ");
  EXPECT_EQ(fixture.console().ReadLine(), "1");
  EXPECT_EQ(fixture.Written(), "prompt: ");
}

TEST(ConsoleReadLine, LinesWithoutTheirLineEnd) {
  ConsoleFixture fixture(
      "\n  12  \nabc\r\nt\t\x01\r\r\n"
      "last");
  EXPECT_EQ(fixture.console().ReadLine(), "");
  EXPECT_EQ(fixture.console().ReadLine(), "  12  ");
  EXPECT_EQ(fixture.console().ReadLine(), "abc");
  EXPECT_EQ(fixture.console().ReadLine(), "t");
  EXPECT_EQ(fixture.console().ReadLine(), "last");
  EXPECT_EQ(fixture.console().ReadLine(), "");
  EXPECT_EQ(fixture.console().ReadLine(), "");
}

TEST(ConsoleReadLine, EndOfInputGivesEmptyTextEveryTime) {
  ConsoleFixture fixture("");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(fixture.console().ReadLine(), "");
}

TEST(ConsoleReadLine, FailedReadGivesEmptyText) {
  FilePtr writeOnly(std::fopen("/dev/null", "w"));
  FilePtr out(std::fopen("/dev/null", "w"));
  Console console(writeOnly.get(), out.get(), "UTF-8");
  EXPECT_EQ(console.ReadLine(), "");
  EXPECT_EQ(console.ReadLine(), "");
}

TEST(ConsoleReadLine, ConvertsFromUtf8) {
  ConsoleFixture fixture("夜曲\n周杰伦 😀\n");
  EXPECT_EQ(fixture.console().ReadLine(), Gb("夜曲"));
  EXPECT_EQ(fixture.console().ReadLine(), Gb("周杰伦 😀"));
}

TEST(ConsoleReadLine, InvalidInputBytesAreReplacedNotDropped) {
  ConsoleFixture fixture(
      "a\xFF"
      "b\n\xE4\xB8\n");
  EXPECT_EQ(fixture.console().ReadLine(), "a" + Gb("\uFFFD") + "b");
  // A character cut off by the line end.
  const Text second = fixture.console().ReadLine();
  EXPECT_FALSE(second.empty());
  EXPECT_EQ(second.find('\n'), std::string::npos);
}

TEST(ConsoleReadLine, KeepsATrailingDoubleByteCharacter) {
  ConsoleFixture fixture("\xB0\xA1\n", "GB18030");
  EXPECT_EQ(fixture.console().ReadLine(), "\xB0\xA1");
  ConsoleFixture utf8("啊\n");
  EXPECT_EQ(utf8.console().ReadLine(), "\xB0\xA1");
}

TEST(ConsoleReadLine, LongLineComesBackInPieces) {
  ConsoleFixture fixture(std::string(3000, 'x') + "\nnext\n");
  EXPECT_EQ(fixture.console().ReadLine(), std::string(2048, 'x'));
  EXPECT_EQ(fixture.console().ReadLine(), std::string(952, 'x'));
  EXPECT_EQ(fixture.console().ReadLine(), "next");
  EXPECT_EQ(fixture.console().ReadLine(), "");
}

TEST(ConsoleReadLine, LineOfExactlyAPieceComesBackWhole) {
  ConsoleFixture fixture(std::string(2048, 'y') + "\r\nz\n");
  EXPECT_EQ(fixture.console().ReadLine(), std::string(2048, 'y'));
  EXPECT_EQ(fixture.console().ReadLine(), "z");
}

TEST(ConsoleReadLine, NeverCutsACharacterAtThePieceBoundary) {
  // In the program's code page "中" takes bytes 2048 and 2049: it moves to the next piece.
  ConsoleFixture twoByte(std::string(2047, 'a') + "中b\n");
  EXPECT_EQ(twoByte.console().ReadLine(), std::string(2047, 'a'));
  EXPECT_EQ(twoByte.console().ReadLine(), Gb("中b"));
  // A four-byte character over the boundary.
  ConsoleFixture fourByte(std::string(2046, 'a') + "😀\n");
  EXPECT_EQ(fourByte.console().ReadLine(), std::string(2046, 'a'));
  EXPECT_EQ(fourByte.console().ReadLine(), Gb("😀"));
  // Counted in the program's code page: 1024 characters of 3 UTF-8 bytes make exactly 2048.
  std::string chinese;
  for (int i = 0; i < 1025; ++i) chinese += "中";
  ConsoleFixture counted(chinese + "\n");
  EXPECT_EQ(counted.console().ReadLine().size(), 2048U);
  EXPECT_EQ(counted.console().ReadLine(), Gb("中"));
  // The same in a GB18030 locale, where input bytes are taken unchanged.
  ConsoleFixture raw(std::string(2047, 'a') +
                         "\xD6\xD0"
                         "b\n",
                     "GB18030");
  EXPECT_EQ(raw.console().ReadLine(), std::string(2047, 'a'));
  EXPECT_EQ(raw.console().ReadLine(),
            "\xD6\xD0"
            "b");
}

TEST(ConsoleReadLine, CharacterSplitAcrossReadChunks) {
  ConsoleFixture fixture(std::string(1023, 'a') + "中\n");
  EXPECT_EQ(fixture.console().ReadLine(), std::string(1023, 'a') + Gb("中"));
}

// The standard console is set up once per process, so each case runs in a child process.
TEST(StandardConsole, PlainCLocaleCountsAsUtf8) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        setenv("LC_ALL", "C", 1);
        dup2(STDERR_FILENO, STDOUT_FILENO);
        ConsoleWrite({Gb("<夜曲"), "\r\n", Gb("😀>")});
        std::fflush(stdout);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "<夜曲\r\n😀>");
}

}  // namespace
}  // namespace quellora
