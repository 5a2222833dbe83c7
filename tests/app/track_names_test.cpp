#include "app/track_names.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "runtime/codepage.h"
#include "runtime/ordered_results.h"
#include "runtime/pending_file.h"
#include "runtime/worker_pool.h"
#include "support/scratch_folder.h"

namespace quellora {
namespace {

namespace fs = std::filesystem;

const fs::path kFolder = "/music/Album";

TEST(TrackNames, DuplicatesAreNumberedInTheOrderTheyAreSaved) {
  TrackNames names;
  std::vector<fs::path> given;
  for (int i = 0; i < 3; ++i) {
    given.push_back(names.Assign(kFolder, "Intro", "7"));
    names.Saved(given.back());
  }
  EXPECT_EQ(given, (std::vector<fs::path>{kFolder / "Intro.MP3", kFolder / "Intro (2).MP3",
                                          kFolder / "Intro (3).MP3"}));
}

TEST(TrackNames, AFailedTrackTakesNoName) {
  TrackNames names;
  names.Saved(names.Assign(kFolder, "Intro", "1"));
  // The second "Intro" fails: it is given a name but never saved.
  EXPECT_EQ(names.Assign(kFolder, "Intro", "2"), kFolder / "Intro (2).MP3");
  EXPECT_EQ(names.Assign(kFolder, "Intro", "3"), kFolder / "Intro (2).MP3");
}

TEST(TrackNames, TheNameIsTheSafeTitleOrTheId) {
  TrackNames names;
  EXPECT_EQ(names.Assign(kFolder, "", "42"), kFolder / "42.MP3");
  EXPECT_EQ(names.Assign(kFolder, "a/b", "42"), kFolder / "a_b.MP3");
  EXPECT_EQ(names.Assign(kFolder, FromUtf8("三国"), "1"), kFolder / "三国.MP3");
}

TEST(TrackNames, NumberingIsPerPath) {
  TrackNames names;
  names.Saved(names.Assign(kFolder, "Intro", "1"));
  EXPECT_EQ(names.Assign("/music/Other", "Intro", "2"), fs::path("/music/Other/Intro.MP3"));
  EXPECT_EQ(names.Assign(kFolder, "Outro", "3"), kFolder / "Outro.MP3");
  // An empty title uses the id, which can meet a title of the same text.
  names.Saved(names.Assign(kFolder, "", "Outro"));
  EXPECT_EQ(names.Assign(kFolder, "Outro", "4"), kFolder / "Outro (2).MP3");
}

// The pieces together as the concurrent download will use them: workers fill pending files in
// any order, the owner names and commits them in track order. The files must be those of a
// sequential run.
struct Finished {
  std::optional<PendingFile> file;  // none when the track failed
};

TEST(TrackNames, CommittingInTrackOrderGivesTheSequentialNames) {
  testing::ScratchFolder scratch;
  const std::vector<std::string> titles = {"A", "B", "A", "A", "A", ""};
  const std::vector<bool> fails = {false, false, false, true, false, false};
  OrderedResults<Finished> results(titles.size());
  {
    WorkerPool pool(4);
    // Later tracks finish first: each waits a little less than the one before.
    for (std::size_t i = 0; i < titles.size(); ++i) {
      ASSERT_TRUE(pool.Submit([&, i] {
        std::this_thread::sleep_for(std::chrono::milliseconds(10 * (titles.size() - i)));
        Finished done;
        if (!fails[i]) {
          done.file.emplace(scratch.path());
          testing::WriteWholeFile(done.file->path(), "track " + std::to_string(i));
        }
        results.Finish(i, std::move(done));
      }));
    }
    TrackNames names;
    while (!results.AllTaken()) {
      const std::size_t index = results.NextIndex();
      std::optional<Finished> done =
          results.TakeNext(std::chrono::steady_clock::now() + std::chrono::seconds(20));
      ASSERT_TRUE(done) << "track " << index << " never finished";
      if (!done->file) continue;
      const fs::path name = names.Assign(scratch.path(), titles[index], std::to_string(index));
      ASSERT_TRUE(done->file->CommitAs(name));
      names.Saved(name);
    }
  }
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(scratch.path())) {
    files.push_back(entry.path().filename().string() + "=" + testing::ReadWholeFile(entry.path()));
  }
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files,
            (std::vector<std::string>{"5.MP3=track 5", "A (2).MP3=track 2", "A (3).MP3=track 4",
                                      "A.MP3=track 0", "B.MP3=track 1"}));
}

}  // namespace
}  // namespace quellora
