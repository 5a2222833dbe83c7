// --jobs: tracks download side by side, yet the transcript, the file names and the files are
// those of a one-at-a-time run; --jobs 1 makes a one-at-a-time run's requests in its order; the
// server sees as many audio requests at once as there are jobs; an interrupt ends the tracks in
// flight and leaves the lines of finished tracks in order.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/album_site.h"
#include "support/quellora_dl.h"
#include "support/raw_http_server.h"
#include "support/scratch_folder.h"

namespace quellora::testing {
namespace {

namespace fs = std::filesystem;

// Bounds every wait of these tests: a run that does not end is killed instead of hanging.
constexpr int kSafetyLimitSeconds = 120;
constexpr auto kGateDeadline = std::chrono::seconds(20);

// One track of a scripted album.
struct Track {
  std::string title;
  std::string audio;
  int status = 200;
  /// How long the server waits before answering the audio request.
  int delayMs = 0;
};

// Every file under folder (hidden ones too), by path relative to it, with its bytes.
std::map<std::string, std::string> FilesUnder(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_directory()) {
      files[fs::relative(entry.path(), folder).string()] = ReadWholeFile(entry.path());
    }
  }
  return files;
}

class ConcurrentDownload : public ::testing::Test {
 protected:
  // An album "a" of tracks 1..n with the given titles and audio answers.
  void ServeAlbum(const std::vector<Track>& tracks) {
    site.Set("/search/a", SearchPage({{"/u1/album/7", "A", "P"}}));
    std::vector<std::string> hrefs;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
      const std::string id = std::to_string(i + 1);
      hrefs.push_back("/u1/sound/" + id);
      site.Set("/tracks/" + id + ".json",
               TrackJson(site.Origin() + "/audio/" + id + ".mp3", "Album", tracks[i].title),
               "application/json; charset=utf-8");
      SiteAnswer audio;
      audio.status = tracks[i].status;
      audio.body = tracks[i].audio;
      audio.contentType = "audio/mpeg";
      const int delayMs = tracks[i].delayMs;
      audio.before = [delayMs] { std::this_thread::sleep_for(std::chrono::milliseconds(delayMs)); };
      site.Set("/audio/" + id + ".mp3", std::move(audio));
    }
    site.Set("/u1/album/7?page=1", AlbumPage("", hrefs));
  }

  ProgramResult Run(const std::string& jobs, const fs::path& folder) {
    ProgramOptions options;
    options.arguments = {"--origin",      site.Origin(), "--output-dir",
                         folder.string(), "--jobs",      jobs};
    options.input = "a\n1\n1\n";
    return RunQuelloraDl(options, kSafetyLimitSeconds);
  }

  AlbumSite site;
};

TEST_F(ConcurrentDownload, FourJobsGiveTheTranscriptAndFilesOfOneJob) {
  // Later tracks answer sooner, so with four jobs they finish out of order. Titles repeat; a
  // failed track ("Same", track 4) takes no name, so the next "Same" is " (2)", not " (3)".
  const std::vector<Track> tracks{
      {"Same", AudioBytes(3000, 1), 200, 160}, {"Other", AudioBytes(70000, 2), 200, 120},
      {"Same", AudioBytes(10, 3), 200, 80},    {"Same", "gone", 404, 40},
      {"Same", AudioBytes(500, 5), 200, 0},    {"Last", AudioBytes(1, 6), 200, 0},
      {"Other", AudioBytes(2000, 7), 200, 30},
  };
  ServeAlbum(tracks);
  ScratchFolder one;
  ScratchFolder four;
  const ProgramResult sequential = Run("1", one.path());
  const ProgramResult parallel = Run("4", four.path());

  EXPECT_EQ(sequential.exitCode, 1) << sequential.err;
  EXPECT_EQ(sequential.out, BannerAndNamePrompt() + ListingAndIndexPrompt({{"A", "P"}}) +
                                CountsAndModePrompt(7) + SavedLine("Same") + SavedLine("Other") +
                                SavedLine("Same") + FailedLineStart("Same") + "：HTTP 404\r\n" +
                                SavedLine("Same") + SavedLine("Last") + SavedLine("Other") +
                                ClosingLine(6, 1));
  const std::map<std::string, std::string> expectedFiles{
      {"Album/Same.MP3", tracks[0].audio},     {"Album/Other.MP3", tracks[1].audio},
      {"Album/Same (2).MP3", tracks[2].audio}, {"Album/Same (3).MP3", tracks[4].audio},
      {"Album/Last.MP3", tracks[5].audio},     {"Album/Other (2).MP3", tracks[6].audio},
  };
  EXPECT_EQ(FilesUnder(one.path()), expectedFiles);

  EXPECT_EQ(parallel.exitCode, sequential.exitCode) << parallel.err;
  EXPECT_EQ(parallel.out, sequential.out);
  EXPECT_EQ(FilesUnder(four.path()), FilesUnder(one.path()));
}

TEST_F(ConcurrentDownload, OneJobMakesTheRequestsOneTrackAfterTheOther) {
  ServeAlbum({{"T1", AudioBytes(100, 1), 200, 0},
              {"T2", AudioBytes(100, 2), 200, 50},
              {"T3", AudioBytes(100, 3), 200, 0}});
  ScratchFolder out;
  const ProgramResult run = Run("1", out.path());
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(site.Targets(),
            (std::vector<std::string>{"/search/a", "/search/a", "/u1/album/7", "/u1/album/7?page=1",
                                      "/tracks/1.json", "/audio/1.mp3", "/tracks/2.json",
                                      "/audio/2.mp3", "/tracks/3.json", "/audio/3.mp3"}));
}

TEST(ConcurrentDownloadOptions, JobsOutsideOneToSixteenIsAUsageErrorBeforeAnyRequest) {
  for (const char* jobs : {"0", "17", "-1", "four", "2.5", ""}) {
    AlbumSite site;
    site.Set("/search/a", SearchPage({{"/u1/album/7", "A", "P"}}));
    const ProgramResult run =
        RunQuelloraDl({"--origin", site.Origin(), "--jobs", jobs}, "a\n1\n1\n");
    EXPECT_EQ(run.exitCode, 2) << jobs;
    EXPECT_NE(run.err.find("--jobs"), std::string::npos) << jobs << ": " << run.err;
    EXPECT_EQ(run.out, "") << jobs;
    EXPECT_TRUE(site.Targets().empty()) << jobs;
  }
}

TEST(ConcurrentDownloadOptions, HelpDescribesJobs) {
  const ProgramResult run = RunQuelloraDl({"--help"}, "");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find("--jobs"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("default: 4"), std::string::npos) << run.out;
}

// Counts audio requests inside the server at once. Each waits (with a deadline) until jobs of
// them have arrived, then a little longer for one too many, so a client that runs more or fewer
// at once shows in the peak.
class AudioGate {
 public:
  explicit AudioGate(int jobs) : jobs_(jobs) {}

  void Enter() {
    std::unique_lock lock(mutex_);
    ++arrived_;
    ++inside_;
    peak_ = std::max(peak_, inside_);
    changed_.notify_all();
    const auto deadline = std::chrono::steady_clock::now() + kGateDeadline;
    changed_.wait_until(lock, deadline, [this] { return arrived_ >= jobs_; });
    // Room for a request beyond the limit to arrive while the others are still inside.
    changed_.wait_for(lock, std::chrono::milliseconds(200), [this] { return inside_ > jobs_; });
    --inside_;
  }
  int Peak() const {
    std::lock_guard lock(mutex_);
    return peak_;
  }

 private:
  const int jobs_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  int arrived_ = 0;
  int inside_ = 0;
  int peak_ = 0;
};

TEST(ConcurrentDownloadPeak, TheServerSeesAsManyAudioRequestsAtOnceAsThereAreJobs) {
  for (const int jobs : {1, 2, 4}) {
    AudioGate gate(jobs);  // outlives the server whose handlers use it
    AlbumSite site;
    site.Set("/search/a", SearchPage({{"/u1/album/7", "A", "P"}}));
    std::vector<std::string> hrefs;
    constexpr int kTracks = 9;
    for (int i = 1; i <= kTracks; ++i) {
      const std::string id = std::to_string(i);
      hrefs.push_back("/u1/sound/" + id);
      site.Set("/tracks/" + id + ".json",
               TrackJson(site.Origin() + "/audio/" + id + ".mp3", "Album", "T" + id),
               "application/json; charset=utf-8");
      SiteAnswer audio;
      audio.body = AudioBytes(1000, static_cast<unsigned>(i));
      audio.contentType = "audio/mpeg";
      audio.before = [&gate] { gate.Enter(); };
      site.Set("/audio/" + id + ".mp3", std::move(audio));
    }
    site.Set("/u1/album/7?page=1", AlbumPage("", hrefs));
    ScratchFolder out;
    ProgramOptions options;
    options.arguments = {"--origin",          site.Origin(), "--output-dir",
                         out.path().string(), "--jobs",      std::to_string(jobs)};
    options.input = "a\n1\n1\n";
    const ProgramResult run = RunQuelloraDl(options, kSafetyLimitSeconds);
    EXPECT_EQ(run.exitCode, 0) << jobs << run.err;
    EXPECT_NE(run.out.find(ClosingLine(kTracks, 0)), std::string::npos) << jobs;
    EXPECT_EQ(gate.Peak(), jobs);
  }
}

TEST(ConcurrentDownloadInterrupt, SigintWithFourJobsEndsTheTracksInFlightAndKeepsTheOrder) {
  // Track 1 is saved; every later track's audio sends its head and part of its body, then
  // nothing, so four tracks are in flight when the signal comes.
  RawHttpServer stalled([](const RawRequest&) {
    RawReply reply;
    reply.bytes = "HTTP/1.1 200 OK\r\nContent-Type: audio/mpeg\r\nContent-Length: 100000\r\n\r\n" +
                  AudioBytes(2000, 2);
    reply.stall = true;
    return reply;
  });
  AlbumSite site;
  ScratchFolder out;
  const std::vector<std::string> titles{"One",  "Two", "Three", "Four",
                                        "Five", "Six", "Seven", "Eight"};
  site.Set("/search/a", SearchPage({{"/u1/album/7", "A", "P"}}));
  std::vector<std::string> hrefs;
  for (std::size_t i = 0; i < titles.size(); ++i) {
    const std::string id = std::to_string(i + 1);
    hrefs.push_back("/u1/sound/" + id);
    const std::string origin = i == 0 ? site.Origin() : stalled.Origin();
    site.Set("/tracks/" + id + ".json",
             TrackJson(origin + "/audio/" + id + ".mp3", "Album", titles[i]),
             "application/json; charset=utf-8");
  }
  site.Set("/u1/album/7?page=1", AlbumPage("", hrefs));
  site.Set("/audio/1.mp3", AudioBytes(5000, 1), "audio/mpeg");

  ProgramOptions options;
  options.arguments = {"--origin",          site.Origin(), "--output-dir",
                       out.path().string(), "--jobs",      "4"};
  options.input = "a\n1\n1\n";
  options.signal = SIGINT;
  options.signalWhenOutputHas = "正在下载：Two";
  options.signalDelayMs = 300;
  const ProgramResult run = RunQuelloraDl(options, kSafetyLimitSeconds);
  ASSERT_TRUE(run.signalSent) << run.out;
  EXPECT_EQ(run.exitCode, 130) << run.err;

  // Track 1's line, then one "interrupted" line per track that was in flight, in track order
  // (a track stopped before its description arrived shows no title), then the closing line.
  const std::string head = BannerAndNamePrompt() + ListingAndIndexPrompt({{"A", "P"}}) +
                           CountsAndModePrompt(8) + SavedLine("One");
  ASSERT_TRUE(run.out.starts_with(head)) << run.out;
  std::string rest = run.out.substr(head.size());
  int interrupted = 0;
  for (std::size_t track = 1; track < titles.size(); ++track) {
    const std::string withTitle = FailedLineStart(titles[track]) + "：interrupted\r\n";
    const std::string untitled = FailedLineStart("") + "：interrupted\r\n";
    if (rest.starts_with(withTitle)) {
      rest.erase(0, withTitle.size());
    } else if (rest.starts_with(untitled)) {
      rest.erase(0, untitled.size());
    } else {
      break;
    }
    ++interrupted;
  }
  EXPECT_GE(interrupted, 1);
  EXPECT_LE(interrupted, 4);  // never more tracks in flight than jobs
  EXPECT_EQ(rest, ClosingLine(1, interrupted)) << run.out;

  // The finished track stays whole; no pending file is left behind.
  EXPECT_EQ(FilesUnder(out.path()),
            (std::map<std::string, std::string>{{"Album/One.MP3", AudioBytes(5000, 1)}}));
  // Tracks beyond the ones in flight were never asked for.
  for (const auto& target : site.Targets()) {
    EXPECT_NE(target, "/tracks/6.json");
    EXPECT_NE(target, "/tracks/7.json");
    EXPECT_NE(target, "/tracks/8.json");
  }
}

}  // namespace
}  // namespace quellora::testing
