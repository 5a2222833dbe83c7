// Whole runs of the built program against a scripted service: transcript, requests, files.
#include <gtest/gtest.h>

#include <filesystem>

#include "runtime/codepage.h"
#include "support/album_site.h"
#include "support/quellora_dl.h"
#include "support/scratch_folder.h"

namespace quellora::testing {
namespace {

namespace fs = std::filesystem;

// Converts UTF-8 to GBK for pages served in GBK.
std::string Gbk(const std::string& utf8) {
  return ConvertStrict(utf8, "UTF-8", "GBK").value_or("(not convertible)");
}

class AlbumRun : public ::testing::Test {
 protected:
  // Two albums found for "name"; album 1 (/u1/album/7) has one page with tracks 101 and 102.
  void ServeStandardAlbum() {
    site.Set("/search/name", SearchPage({{"/u1/album/7", "My Album", "Some One"},
                                         {"/u2/album/8", "Other", "Pub Two"}}));
    site.Set("/u1/album/7", AlbumPage("", {}));
    site.Set("/u1/album/7?page=1", AlbumPage("", {"/u1/sound/101", "/u1/sound/102"}));
    ServeTrack("101", "Album", "Track 1", AudioBytes(70000, 1));
    ServeTrack("102", "Album", "第二 曲", AudioBytes(1234, 2));
  }
  void ServeTrack(const std::string& id, const std::string& album, const std::string& title,
                  const std::string& audio) {
    site.Set("/tracks/" + id + ".json",
             TrackJson(site.Origin() + "/audio/" + id + ".mp3", album, title),
             "application/json; charset=utf-8");
    site.Set("/audio/" + id + ".mp3", audio, "audio/mpeg");
  }
  ProgramResult Run(const std::string& input) {
    return RunQuelloraDl({"--origin", site.Origin(), "--output-dir", out.path().string()}, input);
  }

  AlbumSite site;
  ScratchFolder out;
};

TEST_F(AlbumRun, FullRunTranscriptRequestsAndFiles) {
  ServeStandardAlbum();
  // One job: the requests go out one track after the other, in a fixed order.
  const ProgramResult run =
      RunQuelloraDl({"--origin", site.Origin(), "--output-dir", out.path().string(), "--jobs", "1"},
                    "name\n1\n1\n");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, BannerAndNamePrompt() +
                         ListingAndIndexPrompt({{"MyAlbum", "SomeOne"}, {"Other", "PubTwo"}}) +
                         CountsAndModePrompt(2) + SavedLine("Track 1") + SavedLine("第二 曲") +
                         ClosingLine(2, 0));

  const auto requests = site.server().Requests();
  std::vector<std::string> targets;
  for (const auto& request : requests) targets.push_back(request.target);
  EXPECT_EQ(targets,
            (std::vector<std::string>{"/search/name", "/search/name", "/u1/album/7",
                                      "/u1/album/7?page=1", "/tracks/101.json", "/audio/101.mp3",
                                      "/tracks/102.json", "/audio/102.mp3"}));
  for (const auto& request : requests) {
    EXPECT_EQ(request.method, "GET");
    if (request.target.starts_with("/audio/")) {
      EXPECT_EQ(request.version, "HTTP/1.0") << request.target;
      EXPECT_EQ(request.Header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
      EXPECT_EQ(request.Header("Accept"), "*/*");
      continue;
    }
    // The default header block of the program's own HTTP client, no cookie line.
    EXPECT_EQ(request.Header("User-Agent"),
              "Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)")
        << request.target;
    EXPECT_EQ(request.Header("Accept"), "text/html, application/xhtml+xml, */*");
    EXPECT_EQ(request.Header("Accept-Encoding"), "gbk, GB2312");
    EXPECT_EQ(request.Header("Accept-Language"), "zh-cn");
    EXPECT_EQ(request.Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(request.Header("Cache-Control"), "no-cache");
    EXPECT_EQ(request.HeaderCount("Cookie"), 0);
    EXPECT_EQ(request.HeaderCount("User-Agent"), 1);
  }

  EXPECT_EQ(ReadWholeFile(out.path() / "Album" / "Track 1.MP3"), AudioBytes(70000, 1));
  EXPECT_EQ(ReadWholeFile(out.path() / "Album" / "第二 曲.MP3"), AudioBytes(1234, 2));
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(out.path() / "Album")) ++entries;
  EXPECT_EQ(entries, 2);  // no temporary file left behind
}

TEST_F(AlbumRun, ModeOtherThanOneDownloadsNothing) {
  ServeStandardAlbum();
  for (const char* mode : {"1 ", "01", "2", ""}) {
    const ProgramResult run = Run(std::string("name\n1\n") + mode + "\n");
    EXPECT_EQ(run.exitCode, 0) << mode;
    EXPECT_EQ(run.out, BannerAndNamePrompt() +
                           ListingAndIndexPrompt({{"MyAlbum", "SomeOne"}, {"Other", "PubTwo"}}) +
                           CountsAndModePrompt(2))
        << mode;
  }
  EXPECT_FALSE(fs::exists(out.path() / "Album"));
}

TEST_F(AlbumRun, NameWithBlanksAndChineseGoesIntoTheSearchAddress) {
  const std::string name = "三国 演义 全集";
  site.Set("/search/%E4%B8%89%E5%9B%BD%20%E6%BC%94%E4%B9%89%20%E5%85%A8%E9%9B%86",
           SearchPage({{"/u1/album/7", "三国 演义", "老王"}}));
  const ProgramResult run = Run(name + "\n\n\n");
  EXPECT_EQ(run.exitCode, 0);
  const auto requests = site.server().Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].path, "/search/" + name);
  EXPECT_EQ(requests[0].target.find(' '), std::string::npos);
  EXPECT_EQ(run.out, BannerAndNamePrompt() + ListingAndIndexPrompt({{"三国演义", "老王"}}));
}

TEST_F(AlbumRun, GbkPagesAreDecoded) {
  const std::string search =
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\"></head>"
      "<div class=\"info title\"><a href=\"/u2/album/31\" hashlink>《三国志》 白话</a></div>"
      "<div class=\"info last\"><a href=\"/u2\" hashlink>History Club 北京<i></i></div>";
  site.Set("/search/gbk", Gbk(search));
  site.Set("/u2/album/31", Gbk("<meta charset=gbk>"));
  site.Set("/u2/album/31?page=1",
           Gbk("<meta charset=gbk><a class=\"title\" href=\"/u2/sound/5\">武帝纪</a>"));
  ServeTrack("5", "三国志", "魏书 武帝纪", AudioBytes(300, 5));
  const ProgramResult run = Run("gbk\n1\n1\n");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, BannerAndNamePrompt() +
                         ListingAndIndexPrompt({{"三国志白话", "HistoryClub北京"}}) +
                         CountsAndModePrompt(1) + SavedLine("魏书 武帝纪") + ClosingLine(1, 0));
  EXPECT_EQ(ReadWholeFile(out.path() / "三国志" / "魏书 武帝纪.MP3"), AudioBytes(300, 5));
}

TEST_F(AlbumRun, PagingCountRuleDecidesThePagesRequested) {
  site.Set("/search/p", SearchPage({{"/u1/album/7", "A", "P"}}));
  // Digits 1, 2, 3 and a "next" link with 2 again: four counted pages, all read. data-page='12'
  // says more may follow: page 5 is asked for and, adding no track, ends the list.
  site.Set("/u1/album/7",
           AlbumPage("<a data-page='1'>1</a><a data-page='2'>2</a><a data-page='3'>3</a>"
                     "<a data-page='12'>12</a><a data-page='2'>next</a>",
                     {}));
  for (int page = 1; page <= 4; ++page) {
    site.Set("/u1/album/7?page=" + std::to_string(page),
             AlbumPage("", {"/u1/sound/" + std::to_string(page)}));
  }
  const ProgramResult run = Run("p\n1\n\n");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(site.Targets(),
            (std::vector<std::string>{"/search/p", "/search/p", "/u1/album/7", "/u1/album/7?page=1",
                                      "/u1/album/7?page=2", "/u1/album/7?page=3",
                                      "/u1/album/7?page=4", "/u1/album/7?page=5"}));
  EXPECT_NE(run.out.find(CountsAndModePrompt(4)), std::string::npos);
}

TEST_F(AlbumRun, TwelvePageAlbumGivesEveryTrack) {
  site.Set("/search/twelve", SearchPage({{"/u1/album/7", "A", "P"}}));
  std::string bar;
  for (int page = 1; page <= 12; ++page) {
    bar += "<a data-page='" + std::to_string(page) + "'>" + std::to_string(page) + "</a>";
  }
  site.Set("/u1/album/7", AlbumPage(bar + "<a data-page='2'>next</a>", {}));
  std::vector<std::string> expected{"/search/twelve", "/search/twelve", "/u1/album/7"};
  for (int page = 1; page <= 12; ++page) {
    const std::string target = "/u1/album/7?page=" + std::to_string(page);
    site.Set(target, AlbumPage(bar, {"/u1/sound/" + std::to_string(page * 10),
                                     "/u1/sound/" + std::to_string(page * 10 + 1)}));
    expected.push_back(target);
  }
  site.Set("/u1/album/7?page=13", AlbumPage("", {"/u1/sound/999"}));
  const ProgramResult run = Run("twelve\n1\n\n");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(site.Targets(), expected);
  EXPECT_EQ(run.out,
            BannerAndNamePrompt() + ListingAndIndexPrompt({{"A", "P"}}) + CountsAndModePrompt(24));
}

TEST_F(AlbumRun, TypedNameIsOnePathSegment) {
  struct Case {
    std::string name;
    std::string target;
  };
  const std::vector<Case> cases{
      {"C#/1?", "/search/C%23%2F1%3F"},
      {"C# 100%?x=1", "/search/C%23%20100%25%3Fx=1"},
      {"../../admin?x=1", "/search/..%2F..%2Fadmin%3Fx=1"},
      {"a\\b", "/search/a%5Cb"},
      // 乗 is 81 5C in the code page: its trail byte is no "\" on the wire.
      {"乗", "/search/%E4%B9%97"},
  };
  ASSERT_EQ(ConvertStrict("乗", "UTF-8", "GB18030"), "\x81\x5C");
  for (const auto& c : cases) {
    AlbumSite own;
    own.Set(c.target, SearchPage({{"/u1/album/7", "Found", "P"}}));
    const ProgramResult run = RunQuelloraDl({"--origin", own.Origin()}, c.name + "\n\n\n");
    EXPECT_EQ(run.exitCode, 0) << c.name;
    EXPECT_EQ(own.Targets(), (std::vector<std::string>{c.target, c.target})) << c.name;
    EXPECT_EQ(run.out, BannerAndNamePrompt() + ListingAndIndexPrompt({{"Found", "P"}})) << c.name;
  }
}

TEST_F(AlbumRun, AnchorsOfAnotherOwnerGiveEmptyIds) {
  site.Set("/search/o", SearchPage({{"/u1/album/7", "A", "P"}}));
  site.Set("/u1/album/7?page=1", AlbumPage("", {"/u1/sound/101", "/u2/sound/5"}));
  ServeTrack("101", "Album", "Track 1", AudioBytes(10, 1));
  // One job, so the empty id's request comes after track 1's audio.
  const ProgramResult run = RunQuelloraDl(
      {"--origin", site.Origin(), "--output-dir", out.path().string(), "--jobs", "1"}, "o\n1\n1\n");
  // The empty id is counted and requested as "/tracks/.json", which the service does not know.
  EXPECT_NE(run.out.find(CountsAndModePrompt(2) + SavedLine("Track 1") + FailedLineStart("")),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find(ClosingLine(1, 1)), std::string::npos);
  const auto targets = site.Targets();
  ASSERT_GE(targets.size(), 7u);
  EXPECT_EQ(targets[6], "/tracks/.json");
  EXPECT_EQ(run.exitCode, 1);
}

TEST_F(AlbumRun, FullWidthIndexSelectsTheRow) {
  ServeStandardAlbum();
  site.Set("/u2/album/8?page=1", AlbumPage("", {"/u2/sound/9"}));
  const ProgramResult run = Run("name\n２\n\n");
  EXPECT_EQ(run.exitCode, 0);
  const auto targets = site.Targets();
  ASSERT_EQ(targets.size(), 4u);
  EXPECT_EQ(targets[2], "/u2/album/8");
  EXPECT_NE(run.out.find(CountsAndModePrompt(1)), std::string::npos);
}

TEST_F(AlbumRun, IndexBeyondTheListOrWithoutAlbumsRequestsNoAlbum) {
  ServeStandardAlbum();
  for (const char* index : {"3", "0", "-1", "x"}) {
    const ProgramResult run = Run(std::string("name\n") + index + "\n1\n");
    EXPECT_EQ(run.exitCode, 0) << index;
    EXPECT_NE(run.out.find(CountsAndModePrompt(0)), std::string::npos) << index;
  }
  for (const auto& target : site.Targets()) EXPECT_EQ(target, "/search/name");
}

TEST_F(AlbumRun, DifferingBlockCountsListNothingAndSelectNothing) {
  site.Set("/search/d",
           "<div class=\"info title\"><a href=\"/u1/album/7\" hashlink>A</a></div>"
           "<div class=\"info title\"><a href=\"/u1/album/8\" hashlink>B</a></div>"
           "<div class=\"info last\"><a hashlink>P<i></div>");
  const ProgramResult run = Run("d\n1\n1\n");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, BannerAndNamePrompt() + ListingAndIndexPrompt({}) + CountsAndModePrompt(0));
  EXPECT_EQ(site.Targets(), (std::vector<std::string>{"/search/d", "/search/d"}));
}

TEST_F(AlbumRun, UpperCaseBlockMarkersStillDelimitAlbums) {
  site.Set("/search/u",
           "<DIV CLASS=\"INFO TITLE\"><a href=\"/u1/album/7\" hashlink>Upper</a></DIV>"
           "<Div Class=\"Info Last\"><a hashlink>Pub<i></dIV>");
  const ProgramResult run = Run("u\n\n\n");
  EXPECT_EQ(run.out, BannerAndNamePrompt() + ListingAndIndexPrompt({{"Upper", "Pub"}}));
}

TEST(AlbumRunWithoutOutputFolder, AlbumFoldersGoBesideTheProgram) {
  AlbumSite site;
  site.Set("/search/b", SearchPage({{"/u1/album/7", "A", "P"}}));
  site.Set("/u1/album/7?page=1", AlbumPage("", {"/u1/sound/1"}));
  site.Set("/tracks/1.json", TrackJson(site.Origin() + "/audio/1.mp3", "Beside", "Track"),
           "application/json; charset=utf-8");
  site.Set("/audio/1.mp3", AudioBytes(100, 1), "audio/mpeg");
  ScratchFolder scratch;
  fs::create_directories(scratch.path() / "bin");
  fs::create_directories(scratch.path() / "elsewhere");
  fs::copy_file(BinDir() + "/quellora-dl", scratch.path() / "bin" / "quellora-dl");
  fs::permissions(scratch.path() / "bin" / "quellora-dl", fs::perms::owner_all);
  ProgramOptions options;
  options.arguments = {"--origin", site.Origin()};
  options.input = "b\n1\n1\n";
  options.workingDirectory = (scratch.path() / "elsewhere").string();
  options.environment = {"LANG=C.UTF-8"};
  const ProgramResult run = RunProgram((scratch.path() / "bin" / "quellora-dl").string(), options);
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_EQ(ReadWholeFile(scratch.path() / "bin" / "Beside" / "Track.MP3"), AudioBytes(100, 1));
  EXPECT_TRUE(fs::is_empty(scratch.path() / "elsewhere"));
}

}  // namespace
}  // namespace quellora::testing
