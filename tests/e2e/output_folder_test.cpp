// The output folder of the built program: one that cannot be examined is a clear usage error, and
// a folder name that is no valid UTF-8 is used byte for byte.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "support/album_site.h"
#include "support/quellora_dl.h"
#include "support/scratch_folder.h"

namespace quellora::testing {
namespace {

namespace fs = std::filesystem;

void ExpectUsageErrorAboutTheFolder(const fs::path& folder) {
  const ProgramResult run = RunQuelloraDl({"--output-dir", folder.string()}, "\n\n\n");
  EXPECT_EQ(run.exitCode, 2) << folder << "\n" << run.err;
  EXPECT_EQ(run.out, "") << folder;
  EXPECT_NE(run.err.find("output folder"), std::string::npos) << run.err;
}

TEST(OutputFolder, ParentThatIsASymlinkLoopIsAUsageError) {
  ScratchFolder scratch;
  fs::create_directory_symlink(scratch.path() / "loop", scratch.path() / "loop");
  ExpectUsageErrorAboutTheFolder(scratch.path() / "loop" / "albums");
  ExpectUsageErrorAboutTheFolder(scratch.path() / "loop");
}

TEST(OutputFolder, OverLongNameIsAUsageError) {
  ScratchFolder scratch;
  ExpectUsageErrorAboutTheFolder(scratch.path() / std::string(300, 'n'));
  ExpectUsageErrorAboutTheFolder(scratch.path() / std::string(300, 'n') / "albums");
}

TEST(OutputFolder, UnreadableParentIsAUsageError) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
  ScratchFolder scratch;
  fs::create_directory(scratch.path() / "closed");
  fs::create_directory(scratch.path() / "closed" / "inner");
  fs::permissions(scratch.path() / "closed", fs::perms::none);
  ExpectUsageErrorAboutTheFolder(scratch.path() / "closed" / "inner");
  ExpectUsageErrorAboutTheFolder(scratch.path() / "closed" / "new");
  std::error_code error;
  fs::permissions(scratch.path() / "closed", fs::perms::owner_all, error);
}

TEST(OutputFolder, NameThatIsNoValidUtf8SavesEveryTrack) {
  AlbumSite site;
  site.Set("/search/a", SearchPage({{"/u1/album/7", "A", "P"}}));
  site.Set("/u1/album/7?page=1", AlbumPage("", {"/u1/sound/1", "/u1/sound/2"}));
  for (unsigned n = 1; n <= 2; ++n) {
    const std::string id = std::to_string(n);
    site.Set("/tracks/" + id + ".json",
             TrackJson(site.Origin() + "/audio/" + id + ".mp3", "专辑", "曲 " + id),
             "application/json; charset=utf-8");
    site.Set("/audio/" + id + ".mp3", AudioBytes(1000 * n, n), "audio/mpeg");
  }
  ScratchFolder scratch;
  const fs::path folder = scratch.path() / "out\xFF\xFE";
  const ProgramResult run =
      RunQuelloraDl({"--origin", site.Origin(), "--output-dir", folder.string()}, "a\n1\n1\n");
  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_NE(run.out.find(SavedLine("曲 1") + SavedLine("曲 2") + ClosingLine(2, 0)),
            std::string::npos)
      << run.out;
  EXPECT_EQ(ReadWholeFile(folder / "专辑" / "曲 1.MP3"), AudioBytes(1000, 1));
  EXPECT_EQ(ReadWholeFile(folder / "专辑" / "曲 2.MP3"), AudioBytes(2000, 2));
  // Nothing went anywhere else.
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(scratch.path())) ++entries;
  EXPECT_EQ(entries, 1);
}

}  // namespace
}  // namespace quellora::testing
