// SIGINT and SIGTERM stop the built program in order: the track in flight fails with
// "interrupted", finished tracks keep their files and lines, no temporary file stays behind, the
// closing line is written, and the exit code names the signal. A prompt waiting for input gives
// way at once.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>

#include "support/album_site.h"
#include "support/quellora_dl.h"
#include "support/raw_http_server.h"
#include "support/scratch_folder.h"

namespace quellora::testing {
namespace {

namespace fs = std::filesystem;

// Generous bounds: a run that does not stop is killed (and fails) instead of hanging the suite.
constexpr int kSafetyLimitSeconds = 120;

struct SignalCase {
  int signal;
  int exitCode;
};

class InterruptedDownload : public ::testing::TestWithParam<SignalCase> {
 protected:
  // Track 1 is saved; track 2's audio server sends its headers and part of the body, then
  // nothing; track 3 must never be asked for.
  InterruptedDownload()
      : stalled_([](const RawRequest&) {
          RawReply reply;
          reply.bytes =
              "HTTP/1.1 200 OK\r\nContent-Type: audio/mpeg\r\nContent-Length: 100000\r\n\r\n" +
              AudioBytes(2000, 2);
          reply.stall = true;
          return reply;
        }) {
    site_.Set("/search/a", SearchPage({{"/u1/album/7", "A", "P"}}));
    site_.Set("/u1/album/7?page=1", AlbumPage("", {"/u1/sound/1", "/u1/sound/2", "/u1/sound/3"}));
    ServeJson("1", site_.Origin() + "/audio/1.mp3", "One");
    site_.Set("/audio/1.mp3", AudioBytes(5000, 1), "audio/mpeg");
    ServeJson("2", stalled_.Origin() + "/audio/2.mp3", "Stalled");
    ServeJson("3", site_.Origin() + "/audio/3.mp3", "Three");
    site_.Set("/audio/3.mp3", AudioBytes(10, 3), "audio/mpeg");
  }
  void ServeJson(const std::string& id, const std::string& playPath, const std::string& title) {
    site_.Set("/tracks/" + id + ".json", TrackJson(playPath, "Album", title),
              "application/json; charset=utf-8");
  }
  // Every file under the output folder (hidden ones too), relative to it.
  std::vector<std::string> Files() const {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(out_.path())) {
      if (!entry.is_directory()) files.push_back(fs::relative(entry.path(), out_.path()).string());
    }
    std::sort(files.begin(), files.end());
    return files;
  }

  AlbumSite site_;
  RawHttpServer stalled_;
  ScratchFolder out_;
};

TEST_P(InterruptedDownload, TheTrackInFlightFailsAndTheRunEndsWithTheSignalsCode) {
  ProgramOptions options;
  // One job: track 3 would start beside track 2 otherwise.
  options.arguments = {"--origin",           site_.Origin(), "--output-dir",
                       out_.path().string(), "--jobs",       "1"};
  options.input = "a\n1\n1\n";
  options.signal = GetParam().signal;
  options.signalWhenOutputHas = "正在下载：Stalled";
  // Long enough for the transfer to be under way and stalled.
  options.signalDelayMs = 300;
  const ProgramResult run = RunQuelloraDl(options, kSafetyLimitSeconds);
  ASSERT_TRUE(run.signalSent) << run.out;
  EXPECT_EQ(run.exitCode, GetParam().exitCode) << run.err;
  EXPECT_EQ(run.out, BannerAndNamePrompt() + ListingAndIndexPrompt({{"A", "P"}}) +
                         CountsAndModePrompt(3) + SavedLine("One") + FailedLineStart("Stalled") +
                         "：interrupted\r\n" + ClosingLine(1, 1));
  // The finished track stays whole; the stalled one leaves no file, temporary or final.
  EXPECT_EQ(Files(), (std::vector<std::string>{"Album/One.MP3"}));
  EXPECT_EQ(ReadWholeFile(out_.path() / "Album" / "One.MP3"), AudioBytes(5000, 1));
  for (const auto& target : site_.Targets()) {
    EXPECT_NE(target, "/tracks/3.json");
    EXPECT_NE(target, "/audio/3.mp3");
  }
  EXPECT_LE(stalled_.Requests().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptedDownload,
                         ::testing::Values(SignalCase{SIGINT, 130}, SignalCase{SIGTERM, 143}),
                         [](const ::testing::TestParamInfo<SignalCase>& info) {
                           return info.param.signal == SIGINT ? std::string("Sigint")
                                                              : std::string("Sigterm");
                         });

TEST(InterruptedPrompt, SigintAtTheNamePromptEndsTheRunWithoutAskingMore) {
  AlbumSite site;
  ProgramOptions options;
  options.arguments = {"--origin", site.Origin()};
  options.keepInputOpen = true;  // no end of input: the program waits at the prompt
  options.signal = SIGINT;
  options.signalWhenOutputHas = "请输入专辑名称：";
  options.signalDelayMs = 200;
  const ProgramResult run = RunQuelloraDl(options, kSafetyLimitSeconds);
  ASSERT_TRUE(run.signalSent) << run.out;
  EXPECT_EQ(run.exitCode, 130) << run.err;
  EXPECT_EQ(run.out, BannerAndNamePrompt());
  EXPECT_TRUE(site.Targets().empty());
}

TEST(InterruptedPrompt, SigtermAtTheIndexPromptEndsTheRunWithoutAskingMore) {
  AlbumSite site;
  site.Set("/search/a", SearchPage({{"/u1/album/7", "A", "P"}}));
  ProgramOptions options;
  options.arguments = {"--origin", site.Origin()};
  options.input = "a\n";
  options.keepInputOpen = true;
  options.signal = SIGTERM;
  options.signalWhenOutputHas = "请输入专辑序号：";
  options.signalDelayMs = 200;
  const ProgramResult run = RunQuelloraDl(options, kSafetyLimitSeconds);
  ASSERT_TRUE(run.signalSent) << run.out;
  EXPECT_EQ(run.exitCode, 143) << run.err;
  EXPECT_EQ(run.out, BannerAndNamePrompt() + ListingAndIndexPrompt({{"A", "P"}}));
  EXPECT_EQ(site.Targets(), (std::vector<std::string>{"/search/a", "/search/a"}));
}

}  // namespace
}  // namespace quellora::testing
