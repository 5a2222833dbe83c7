// DownloadTracks: per track, its JSON description, then its audio saved in the
// album folder; DownloadJobs tracks at a time, on a pool of worker threads.
//
// A track counts as saved only when its audio answered 2xx and arrived whole;
// the audio streams into a pending file in the album folder that takes its
// final name only then, so a failed download leaves an earlier file of that
// name as it was. A failed track's line says why.
//
// Workers finish in any order; the calling thread (the owner) takes them in
// track order. It writes "正在下载：" + title as soon as the next track in
// order has its description, and the rest of the line once that track is done;
// it gives the final file name (TrackNames) and commits the pending file at
// that point, so lines, names and files are those of a one-at-a-time run. With
// one worker the requests are exactly those of such a run, in the same order.
//
// After SIGINT or SIGTERM no further track is started, the tracks in flight
// fail with "interrupted" (their transfers stop and their pending files go),
// the lines of every track that finished are written in order, and the
// closing line is written as usual. Workers block both signals, so the main
// thread receives them.
#include "app/track_download.h"

#include <pthread.h>
#include <signal.h>

#include <chrono>
#include <cstddef>
#include <mutex>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "app/control_characters.h"
#include "app/globals.h"
#include "app/page_source.h"
#include "app/program_text.h"
#include "app/safe_name.h"
#include "app/track_names.h"
#include "app/workflow.h"
#include "runtime/codepage.h"
#include "runtime/console.h"
#include "runtime/download.h"
#include "runtime/interrupt.h"
#include "runtime/ordered_results.h"
#include "runtime/pending_file.h"
#include "runtime/worker_pool.h"
#include "script/json_object.h"

namespace quellora {
namespace {

// The failure reason of a track in flight when the run is stopped by a signal.
constexpr const char* kInterrupted = "interrupted";

// How often the owner looks for a heading to write and for an interrupt while it waits.
constexpr std::chrono::milliseconds kOwnerPoll{20};

// What a worker hands to the owner for one track.
struct TrackOutcome {
  Text trackId;
  Text title;
  /// Empty when the audio arrived whole; then audio and folder are set.
  Text failure;
  std::filesystem::path folder;
  std::optional<PendingFile> audio;
};

// The titles of the tracks whose description has arrived, for the owner's headings.
class Headings {
 public:
  explicit Headings(std::size_t count) : titles_(count) {}
  void Set(std::size_t index, const Text& title) {
    std::lock_guard lock(mutex_);
    titles_[index] = title;
  }
  std::optional<Text> Get(std::size_t index) const {
    std::lock_guard lock(mutex_);
    return titles_[index];
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::optional<Text>> titles_;
};

// Blocks SIGINT and SIGTERM in the calling thread while it lives, so that threads started
// meanwhile inherit the blocked mask and the signals go to the main thread.
class InterruptsBlocked {
 public:
  InterruptsBlocked() {
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGINT);
    sigaddset(&blocked, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &blocked, &previous_);
  }
  InterruptsBlocked(const InterruptsBlocked&) = delete;
  InterruptsBlocked& operator=(const InterruptsBlocked&) = delete;
  ~InterruptsBlocked() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

 private:
  sigset_t previous_;
};

// Makes the album folder (one level, under the output folder) unless it is
// there already. Safe when several workers make the same folder at once.
bool EnsureFolder(const std::filesystem::path& folder) {
  std::error_code error;
  if (std::filesystem::is_directory(folder, error)) return true;
  std::filesystem::create_directory(folder, error);
  return std::filesystem::is_directory(folder, error);
}

// Downloads one track's audio into a pending file of its album folder; the empty text when it
// arrived whole (outcome.audio and outcome.folder are then set), else a short reason.
Text FetchAudio(const Text& playPath, const Text& albumTitle, TrackOutcome& outcome) {
  if (playPath.empty()) return "no audio address";
  const std::filesystem::path folder = AlbumFolder(albumTitle);
  if (!EnsureFolder(folder)) return "cannot create the album folder";
  if (Interrupted()) return kInterrupted;
  // The path goes to the download as it is: a folder name that is no valid UTF-8 still works.
  PendingFile pending(folder);
  if (!pending.ok()) return "cannot create file";
  const DownloadResult result = HttpDownloadInto(playPath, pending.path());
  if (!result.ok && Interrupted()) return kInterrupted;
  if (!result.ok) return result.failure.empty() ? Text("download failed") : result.failure;
  outcome.folder = folder;
  outcome.audio.emplace(std::move(pending));
  return Text();
}

// A worker's whole job for one track: description, then audio.
TrackOutcome FetchTrack(const Text& trackId, Headings& headings, std::size_t index) {
  TrackOutcome outcome;
  outcome.trackId = trackId;
  const Text response = FetchPage(TextConcat({ServiceOrigin, "/tracks/", trackId, ".json"}));
  JsonObject json;
  const bool described = json.Parse(response);
  const Text playPath = json.GetText("play_path");
  const Text albumTitle = json.GetText("album_title");
  outcome.title = json.GetText("title");
  headings.Set(index, outcome.title);
  if (Interrupted()) {
    outcome.failure = kInterrupted;
  } else if (!described) {
    outcome.failure = response.empty() ? "no track description" : "track description is not JSON";
  } else {
    outcome.failure = FetchAudio(playPath, albumTitle, outcome);
  }
  return outcome;
}

void WriteHeading(const Text& title) {
  // Titles and reasons come from the network: no control character reaches the console.
  ConsoleWrite(TextConcat({ProgramText("正在下载："), ReplaceControlCharacters(title)}));
  // The line shows while the audio arrives, also when stdout is a pipe.
  StandardConsole().Flush();
}

// The owner's side: in track order, heading, final name, commit and the rest of the line.
class TrackLines {
 public:
  explicit TrackLines(OrderedResults<TrackOutcome>& results, const Headings& headings)
      : results_(results), headings_(headings) {}

  // Writes the next track's heading when its description is there and it is not written yet.
  void HeadNext() {
    const std::size_t next = results_.NextIndex();
    if (next >= results_.Count() || headed_ == next) return;
    if (const std::optional<Text> title = headings_.Get(next)) {
      WriteHeading(*title);
      headed_ = next;
    }
  }

  void Finish(std::size_t index, TrackOutcome outcome) {
    if (headed_ != index) WriteHeading(outcome.title);
    headed_ = index;
    Text failure = std::move(outcome.failure);
    if (failure.empty()) {
      const std::filesystem::path file =
          names_.Assign(outcome.folder, outcome.title, outcome.trackId);
      if (outcome.audio && outcome.audio->CommitAs(file)) {
        names_.Saved(file);
      } else {
        failure = "cannot write file";
      }
    }
    if (failure.empty()) {
      ++DownloadOutcome.saved;
      ConsoleWrite(ProgramText("    完成\r\n"));
    } else {
      ++DownloadOutcome.failed;
      ConsoleWrite(
          TextConcat({ProgramText("    失败："), ReplaceControlCharacters(failure), "\r\n"}));
    }
    StandardConsole().Flush();
  }

 private:
  OrderedResults<TrackOutcome>& results_;
  const Headings& headings_;
  TrackNames names_;
  std::size_t headed_ = static_cast<std::size_t>(-1);
};

}  // namespace

std::filesystem::path OutputFolder() {
  if (!OutputDirectory.empty()) return OutputDirectory;
  std::error_code error;
  return std::filesystem::current_path(error);
}

std::filesystem::path AlbumFolder(const Text& albumTitle) {
  return OutputFolder() / SafeName(ToUtf8(albumTitle));
}

void DownloadTracks() {
  const int count = ArrayElementCount(TrackIds);
  if (count <= 0) return;  // no track: no worker, no closing line
  // The workers read their own copies of the ids.
  std::vector<Text> ids;
  for (int i = 1; i <= count; ++i) ids.push_back(TrackIds.At(i));
  OrderedResults<TrackOutcome> results(ids.size());
  Headings headings(ids.size());
  TrackLines lines(results, headings);
  {
    std::optional<WorkerPool> pool;
    {
      const InterruptsBlocked blocked;
      pool.emplace(DownloadJobs);
    }
    for (std::size_t index = 0; index < ids.size(); ++index) {
      const bool queued = pool->Submit([&results, &headings, &ids, index] {
        results.Finish(index, FetchTrack(ids[index], headings, index));
      });
      if (!queued) break;  // interrupted: no further track starts
    }
    pool->Close();
    while (!results.AllTaken()) {
      lines.HeadNext();
      if (std::optional<TrackOutcome> outcome =
              results.TakeNext(std::chrono::steady_clock::now() + kOwnerPoll)) {
        lines.Finish(results.NextIndex() - 1, std::move(*outcome));
      } else if (Interrupted()) {
        break;
      }
    }
    // Tracks in flight end soon after an interrupt; queued ones are dropped unrun. Every track
    // that started has finished once the pool is joined, and those form a prefix in track order.
    pool->Join();
    results.TakeReady([&lines](std::size_t index, TrackOutcome outcome) {
      lines.Finish(index, std::move(outcome));
    });
  }
  ConsoleWrite(TextConcat({ProgramText("\r\n提示信息：已保存"), ToText(DownloadOutcome.saved),
                           ProgramText("条声音，失败"), ToText(DownloadOutcome.failed),
                           ProgramText("条\r\n")}));
}

}  // namespace quellora
