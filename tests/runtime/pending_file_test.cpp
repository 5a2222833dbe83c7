#include "runtime/pending_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

#include "support/scratch_folder.h"

namespace quellora {
namespace {

namespace fs = std::filesystem;
using testing::ReadWholeFile;
using testing::ScratchFolder;
using testing::WriteWholeFile;

TEST(PendingFile, ReservesAHiddenEmptyFileInTheFolder) {
  ScratchFolder scratch;
  PendingFile pending(scratch.path());
  ASSERT_TRUE(pending.ok());
  EXPECT_EQ(pending.path().parent_path(), scratch.path());
  const std::string name = pending.path().filename().string();
  EXPECT_EQ(name.rfind(".quellora-pending-", 0), 0u) << name;
  EXPECT_NE(pending.path().extension(), ".MP3");
  EXPECT_TRUE(fs::is_regular_file(pending.path()));
  EXPECT_EQ(fs::file_size(pending.path()), 0u);
  // The mode any other new file gets (0666 less the umask), so a file filled in place keeps it.
  const fs::path ordinary = scratch.path() / "ordinary";
  WriteWholeFile(ordinary, "");
  EXPECT_EQ(fs::status(pending.path()).permissions(), fs::status(ordinary).permissions());
  PendingFile other(scratch.path());
  ASSERT_TRUE(other.ok());
  EXPECT_NE(other.path(), pending.path());
}

TEST(PendingFile, AnUncommittedFileIsRemoved) {
  ScratchFolder scratch;
  fs::path path;
  {
    PendingFile pending(scratch.path());
    ASSERT_TRUE(pending.ok());
    path = pending.path();
    WriteWholeFile(path, "half a track");
  }
  EXPECT_FALSE(fs::exists(path));
  EXPECT_TRUE(fs::is_empty(scratch.path()));
}

TEST(PendingFile, CommitAsGivesTheFinalNameAndReplacesAnOldFile) {
  ScratchFolder scratch;
  const fs::path final = scratch.path() / "Track.MP3";
  WriteWholeFile(final, "old");
  fs::path pendingPath;
  {
    PendingFile pending(scratch.path());
    ASSERT_TRUE(pending.ok());
    pendingPath = pending.path();
    WriteWholeFile(pendingPath, "new");
    ASSERT_TRUE(pending.CommitAs(final));
    EXPECT_TRUE(pending.path().empty());
    EXPECT_FALSE(pending.CommitAs(scratch.path() / "Again.MP3"));
  }
  EXPECT_EQ(ReadWholeFile(final), "new");
  EXPECT_FALSE(fs::exists(pendingPath));
}

TEST(PendingFile, AFailedCommitKeepsNothing) {
  ScratchFolder scratch;
  fs::path pendingPath;
  {
    PendingFile pending(scratch.path());
    ASSERT_TRUE(pending.ok());
    pendingPath = pending.path();
    EXPECT_FALSE(pending.CommitAs(scratch.path() / "missing" / "Track.MP3"));
    EXPECT_FALSE(pending.CommitAs(fs::path()));
    EXPECT_EQ(pending.path(), pendingPath);
  }
  EXPECT_FALSE(fs::exists(pendingPath));
}

TEST(PendingFile, AMissingFolderGivesNoFile) {
  ScratchFolder scratch;
  PendingFile pending(scratch.path() / "missing");
  EXPECT_FALSE(pending.ok());
  EXPECT_TRUE(pending.path().empty());
  EXPECT_FALSE(pending.CommitAs(scratch.path() / "Track.MP3"));
  EXPECT_FALSE(PendingFile(fs::path()).ok());
}

TEST(PendingFile, MovingHandsOverTheFile) {
  ScratchFolder scratch;
  PendingFile first(scratch.path());
  ASSERT_TRUE(first.ok());
  const fs::path path = first.path();
  PendingFile second(std::move(first));
  EXPECT_EQ(second.path(), path);
  PendingFile third(scratch.path());
  const fs::path replaced = third.path();
  third = std::move(second);
  EXPECT_FALSE(fs::exists(replaced));  // the file third held before is removed
  EXPECT_TRUE(fs::exists(path));
  EXPECT_TRUE(third.CommitAs(scratch.path() / "Track.MP3"));
  EXPECT_TRUE(fs::exists(scratch.path() / "Track.MP3"));
}

}  // namespace
}  // namespace quellora
