// How the built program saves tracks when the service or the titles misbehave: a track is saved
// only whole, a failed one says so, and every file stays inside its album folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/album_site.h"
#include "support/quellora_dl.h"
#include "support/scratch_folder.h"

namespace quellora::testing {
namespace {

namespace fs = std::filesystem;

class DownloadFailure : public ::testing::Test {
 protected:
  // One album, one page, the given track ids.
  void ServeAlbum(const std::vector<std::string>& ids) {
    site.Set("/search/a", SearchPage({{"/u1/album/7", "A", "P"}}));
    std::vector<std::string> hrefs;
    for (const auto& id : ids) hrefs.push_back("/u1/sound/" + id);
    site.Set("/u1/album/7?page=1", AlbumPage("", hrefs));
  }
  void ServeJson(const std::string& id, const std::string& album, const std::string& title) {
    site.Set("/tracks/" + id + ".json",
             TrackJson(site.Origin() + "/audio/" + id + ".mp3", album, title),
             "application/json; charset=utf-8");
  }
  void ServeTrack(const std::string& id, const std::string& album, const std::string& title,
                  const std::string& audio) {
    ServeJson(id, album, title);
    site.Set("/audio/" + id + ".mp3", audio, "audio/mpeg");
  }
  ProgramResult Run(const std::string& jobs = "4") {
    return RunQuelloraDl(
        {"--origin", site.Origin(), "--output-dir", out.path().string(), "--jobs", jobs},
        "a\n1\n1\n");
  }
  // The progress lines and closing line: everything after the mode prompt.
  static std::string Progress(const ProgramResult& run) {
    const std::string prompt = "\r\n请选择下载方式：";
    const auto at = run.out.find(prompt);
    return at == std::string::npos ? std::string() : run.out.substr(at + prompt.size());
  }
  // Every regular file under the output folder, relative to it.
  std::vector<std::string> Files() const {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(out.path())) {
      if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), out.path()).string());
    }
    std::sort(files.begin(), files.end());
    return files;
  }

  AlbumSite site;
  ScratchFolder out;
};

TEST_F(DownloadFailure, NotFoundAudioIsAFailedTrackAndWritesNothing) {
  ServeAlbum({"1", "2"});
  ServeJson("1", "Album", "Lost");
  SiteAnswer notFound;
  notFound.status = 404;
  notFound.body = "<html>404 page</html>";
  site.Set("/audio/1.mp3", notFound);
  ServeTrack("2", "Album", "Kept", AudioBytes(500, 2));
  const ProgramResult run = Run();
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(Progress(run),
            FailedLineStart("Lost") + "：HTTP 404\r\n" + SavedLine("Kept") + ClosingLine(1, 1));
  EXPECT_EQ(Files(), (std::vector<std::string>{"Album/Kept.MP3"}));
}

TEST_F(DownloadFailure, BodyCutShortIsAFailedTrackAndLeavesNoFile) {
  ServeAlbum({"1"});
  ServeJson("1", "Album", "Short");
  SiteAnswer cut;
  cut.body = AudioBytes(3000, 1);
  cut.announcedLength = 100000;
  cut.contentType = "audio/mpeg";
  site.Set("/audio/1.mp3", cut);
  const ProgramResult run = Run();
  EXPECT_EQ(run.exitCode, 1);
  const std::string progress = Progress(run);
  EXPECT_EQ(progress.rfind(FailedLineStart("Short"), 0), 0u) << progress;
  EXPECT_NE(progress.find(ClosingLine(0, 1)), std::string::npos);
  EXPECT_EQ(Files(), std::vector<std::string>{});
}

TEST_F(DownloadFailure, ServerGoneMidAlbumFailsTheRestAndKeepsWhatWasSaved) {
  ServeAlbum({"1", "2", "3"});
  ServeTrack("1", "Album", "One", AudioBytes(800, 1));
  ServeTrack("2", "Album", "Two", AudioBytes(800, 2));
  ServeTrack("3", "Album", "Three", AudioBytes(800, 3));
  SiteAnswer last;
  last.body = TrackJson(site.Origin() + "/audio/2.mp3", "Album", "Two");
  last.contentType = "application/json; charset=utf-8";
  last.before = [this] { site.server().Stop(); };
  site.Set("/tracks/2.json", last);
  // One job: track 2's description, which stops the server, comes after track 1's audio.
  const ProgramResult run = Run("1");
  EXPECT_EQ(run.exitCode, 1);
  const std::string progress = Progress(run);
  EXPECT_EQ(progress.rfind(SavedLine("One"), 0), 0u) << progress;
  EXPECT_NE(progress.find(ClosingLine(1, 2)), std::string::npos) << progress;
  EXPECT_EQ(progress.find("完成", SavedLine("One").size()), std::string::npos) << progress;
  EXPECT_EQ(Files(), (std::vector<std::string>{"Album/One.MP3"}));
  EXPECT_EQ(ReadWholeFile(out.path() / "Album" / "One.MP3"), AudioBytes(800, 1));
}

TEST_F(DownloadFailure, DescriptionThatIsNotJsonIsAFailedTrack) {
  ServeAlbum({"1"});
  site.Set("/tracks/1.json", "<html>not json</html>");
  const ProgramResult run = Run();
  EXPECT_EQ(run.exitCode, 1);
  const std::string progress = Progress(run);
  EXPECT_EQ(progress,
            FailedLineStart("") + "：track description is not JSON\r\n" + ClosingLine(0, 1));
  EXPECT_EQ(Files(), std::vector<std::string>{});
  // No audio request was made for it.
  for (const auto& target : site.Targets()) EXPECT_FALSE(target.starts_with("/audio/")) << target;
}

TEST_F(DownloadFailure, TitlesWithPathCharactersStayInsideTheAlbumFolder) {
  ServeAlbum({"1", "2", "3", "4"});
  ServeTrack("1", "../up", "../evil", AudioBytes(10, 1));
  ServeTrack("2", "../up", "a/b", AudioBytes(20, 2));
  ServeTrack("3", "..", "..", AudioBytes(30, 3));
  ServeTrack("4", "x:y", "", AudioBytes(40, 4));
  const ProgramResult run = Run();
  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_EQ(Progress(run), SavedLine("../evil") + SavedLine("a/b") + SavedLine("..") +
                               SavedLine("") + ClosingLine(4, 0));
  EXPECT_EQ(Files(), (std::vector<std::string>{".._up/.._evil.MP3", ".._up/a_b.MP3", "_/3.MP3",
                                               "x_y/4.MP3"}));
  EXPECT_FALSE(fs::exists(out.path().parent_path() / "evil.MP3"));
  EXPECT_FALSE(fs::exists(out.path().parent_path() / "up"));
  EXPECT_EQ(ReadWholeFile(out.path() / ".._up" / "a_b.MP3"), AudioBytes(20, 2));
}

TEST_F(DownloadFailure, SameTitleTwiceInOneRunKeepsBothFiles) {
  ServeAlbum({"1", "2", "3"});
  ServeTrack("1", "Album", "Same", AudioBytes(100, 1));
  ServeTrack("2", "Album", "Same", AudioBytes(200, 2));
  ServeTrack("3", "Album", "Same", AudioBytes(300, 3));
  const ProgramResult run = Run();
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(ReadWholeFile(out.path() / "Album" / "Same.MP3"), AudioBytes(100, 1));
  EXPECT_EQ(ReadWholeFile(out.path() / "Album" / "Same (2).MP3"), AudioBytes(200, 2));
  EXPECT_EQ(ReadWholeFile(out.path() / "Album" / "Same (3).MP3"), AudioBytes(300, 3));
}

TEST_F(DownloadFailure, GoodFileSurvivesAFailedRedownload) {
  ServeAlbum({"1"});
  ServeJson("1", "Album", "Track");
  SiteAnswer broken;
  broken.status = 500;
  broken.body = "server error";
  site.Set("/audio/1.mp3", broken);
  fs::create_directories(out.path() / "Album");
  WriteWholeFile(out.path() / "Album" / "Track.MP3", "GOOD AUDIO");
  const ProgramResult run = Run();
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(Progress(run), FailedLineStart("Track") + "：HTTP 500\r\n" + ClosingLine(0, 1));
  EXPECT_EQ(ReadWholeFile(out.path() / "Album" / "Track.MP3"), "GOOD AUDIO");
  EXPECT_EQ(Files(), (std::vector<std::string>{"Album/Track.MP3"}));
}

TEST_F(DownloadFailure, FileFromAnEarlierRunIsOverwritten) {
  ServeAlbum({"1"});
  ServeTrack("1", "Album", "Track", AudioBytes(1000, 7));
  fs::create_directories(out.path() / "Album");
  WriteWholeFile(out.path() / "Album" / "Track.MP3", "OLD");
  const ProgramResult run = Run();
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(ReadWholeFile(out.path() / "Album" / "Track.MP3"), AudioBytes(1000, 7));
  EXPECT_EQ(Files(), (std::vector<std::string>{"Album/Track.MP3"}));
}

TEST_F(DownloadFailure, OverLongTitlesAreShortenedToWholeCharacters) {
  std::string title;
  for (int i = 0; i < 100; ++i) title += "长";  // 300 bytes in UTF-8
  ServeAlbum({"1", "2"});
  ServeTrack("1", title, title, AudioBytes(64, 1));
  ServeTrack("2", title, title, AudioBytes(64, 2));
  const ProgramResult run = Run();
  EXPECT_EQ(run.exitCode, 0) << run.out;
  const auto files = Files();
  ASSERT_EQ(files.size(), 2u);
  for (const auto& file : files) {
    const fs::path path(file);
    EXPECT_LE(path.parent_path().string().size(), 255u);
    EXPECT_LE(path.filename().string().size(), 255u);
    EXPECT_EQ(path.parent_path().string().size() % 3, 0u);  // no character cut in two
    EXPECT_TRUE(path.filename().string().ends_with(".MP3"));
  }
  EXPECT_NE(files[0], files[1]);  // the second copy is numbered, not lost
}

TEST_F(DownloadFailure, EmptyAudioBodyWithSuccessIsSavedAsAnEmptyFile) {
  ServeAlbum({"1"});
  ServeTrack("1", "Album", "Silence", "");
  const ProgramResult run = Run();
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(fs::exists(out.path() / "Album" / "Silence.MP3"));
  EXPECT_EQ(fs::file_size(out.path() / "Album" / "Silence.MP3"), 0u);
}

}  // namespace
}  // namespace quellora::testing
