#include "runtime/files.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "runtime/codepage.h"
#include "support/scratch_folder.h"

namespace quellora {
namespace {

namespace fs = std::filesystem;
using testing::ReadWholeFile;
using testing::ScratchFolder;
using testing::WriteWholeFile;

// A program-code-page name for a UTF-8 path.
Text Gb(const fs::path& path) {
  return FromUtf8(path.string());
}

Bytes B(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

// Entries of a folder other than the named ones: catches temporary files left behind.
int EntryCount(const fs::path& folder) {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++count;
  return count;
}

// Restores the working directory when a test changed it.
class WorkingDirectoryGuard {
 public:
  WorkingDirectoryGuard() : saved_(fs::current_path()) {}
  ~WorkingDirectoryGuard() { fs::current_path(saved_); }

 private:
  fs::path saved_;
};

// Makes every write beyond `limit` bytes of a file fail (EFBIG) while it lives.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t limit) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = saved_;
    lowered.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &lowered);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit saved_{};
  void (*previousHandler_)(int) = nullptr;
};

TEST(CurrentDirectoryTest, GivesTheWorkingDirectoryInTheProgramCodePage) {
  ScratchFolder scratch;
  const fs::path folder = scratch.path() / "专辑 一";
  fs::create_directory(folder);
  WorkingDirectoryGuard guard;
  fs::current_path(folder);
  EXPECT_EQ(CurrentDirectory(), Gb(fs::canonical(folder)));
  EXPECT_NE(CurrentDirectory().back(), '/');
}

TEST(CurrentDirectoryTest, RootKeepsItsSlash) {
  WorkingDirectoryGuard guard;
  fs::current_path("/");
  EXPECT_EQ(CurrentDirectory(), "/");
}

TEST(DirectoryCreateTest, CreatesOneLevelWithAUtf8Name) {
  ScratchFolder scratch;
  EXPECT_TRUE(DirectoryCreate(Gb(scratch.path() / "三国演义")));
  EXPECT_TRUE(fs::is_directory(scratch.path() / "三国演义"));
}

TEST(DirectoryCreateTest, RefusesExistingFolderMissingParentAndEmptyName) {
  ScratchFolder scratch;
  fs::create_directory(scratch.path() / "there");
  EXPECT_FALSE(DirectoryCreate(Gb(scratch.path() / "there")));
  EXPECT_FALSE(DirectoryCreate(Gb(scratch.path() / "missing" / "child")));
  EXPECT_FALSE(fs::exists(scratch.path() / "missing"));
  EXPECT_FALSE(DirectoryCreate(""));
}

TEST(FileExistsTest, FindsFilesAndFoldersByTheirExactName) {
  ScratchFolder scratch;
  fs::create_directory(scratch.path() / "三国");
  WriteWholeFile(scratch.path() / "第01回.MP3", "x");
  EXPECT_TRUE(FileExists(Gb(scratch.path() / "三国")));
  EXPECT_TRUE(FileExists(Gb(scratch.path() / "第01回.MP3")));
  EXPECT_FALSE(FileExists(Gb(scratch.path() / "第02回.MP3")));
}

TEST(FileExistsTest, WildcardsTrailingSlashAndEmptyNameFindNothing) {
  ScratchFolder scratch;
  fs::create_directory(scratch.path() / "album");
  WriteWholeFile(scratch.path() / "track.MP3", "x");
  EXPECT_FALSE(FileExists(Gb(scratch.path() / "*")));
  EXPECT_FALSE(FileExists(Gb(scratch.path() / "track.MP?")));
  EXPECT_FALSE(FileExists(Gb(scratch.path() / "album") + "/"));
  EXPECT_FALSE(FileExists(""));
}

TEST(FileWriteBytesTest, WritesTheBuffersInOrderUnderAUtf8Name) {
  ScratchFolder scratch;
  const Bytes first = B(std::string("ab\0c", 4));
  const Bytes empty;
  const Bytes second = B("\xFF\xFE");
  EXPECT_TRUE(FileWriteBytes(Gb(scratch.path() / "第01回 桃园.MP3"), {&first, &empty, &second}));
  EXPECT_EQ(ReadWholeFile(scratch.path() / "第01回 桃园.MP3"), std::string("ab\0c\xFF\xFE", 6));
  EXPECT_EQ(EntryCount(scratch.path()), 1);
}

TEST(FileWriteBytesTest, EmptyBytesTruncateAnExistingFile) {
  ScratchFolder scratch;
  WriteWholeFile(scratch.path() / "t.MP3", "old content");
  EXPECT_TRUE(FileWriteBytes(Gb(scratch.path() / "t.MP3"), Bytes()));
  EXPECT_TRUE(fs::exists(scratch.path() / "t.MP3"));
  EXPECT_EQ(fs::file_size(scratch.path() / "t.MP3"), 0u);
}

TEST(FileWriteBytesTest, ReplacesAnExistingFileWhole) {
  ScratchFolder scratch;
  WriteWholeFile(scratch.path() / "t.MP3", "a much longer old content");
  EXPECT_TRUE(FileWriteBytes(Gb(scratch.path() / "t.MP3"), B("new")));
  EXPECT_EQ(ReadWholeFile(scratch.path() / "t.MP3"), "new");
}

TEST(FileWriteBytesTest, EmptyNameAndMissingFolderGiveFalseAndCreateNothing) {
  ScratchFolder scratch;
  EXPECT_FALSE(FileWriteBytes("", B("x")));
  EXPECT_FALSE(FileWriteBytes(Gb(scratch.path() / "missing" / "t.MP3"), B("x")));
  EXPECT_EQ(EntryCount(scratch.path()), 0);
}

TEST(FileWriteBytesTest, AFailedWriteLeavesTheExistingFileUntouched) {
  ScratchFolder scratch;
  const fs::path file = scratch.path() / "t.MP3";
  WriteWholeFile(file, "the good old bytes");
  const Bytes big(64 * 1024, 0x55);
  bool written = true;
  {
    FileSizeLimit limit(4096);
    written = FileWriteBytes(Gb(file), big);
  }
  EXPECT_FALSE(written);
  EXPECT_EQ(ReadWholeFile(file), "the good old bytes");
  EXPECT_EQ(EntryCount(scratch.path()), 1) << "the temporary file must be removed";
}

TEST(FileWriteBytesTest, AFolderOfThatNameStaysAndNothingIsLeftBehind) {
  ScratchFolder scratch;
  fs::create_directory(scratch.path() / "t.MP3");
  EXPECT_FALSE(FileWriteBytes(Gb(scratch.path() / "t.MP3"), B("x")));
  EXPECT_TRUE(fs::is_directory(scratch.path() / "t.MP3"));
  EXPECT_EQ(EntryCount(scratch.path()), 1);
}

TEST(FileWriteBytesTest, ARelativeNameLandsInTheCurrentDirectory) {
  ScratchFolder scratch;
  WorkingDirectoryGuard guard;
  fs::current_path(scratch.path());
  EXPECT_TRUE(FileWriteBytes("plain.MP3", B("abc")));
  EXPECT_EQ(ReadWholeFile(scratch.path() / "plain.MP3"), "abc");
  EXPECT_EQ(EntryCount(scratch.path()), 1);
}

}  // namespace
}  // namespace quellora
