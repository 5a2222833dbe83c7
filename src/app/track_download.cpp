// DownloadTracks: per track, its JSON description, then its audio saved in the
// album folder.
//
// A track counts as saved only when its audio answered 2xx and arrived whole;
// the audio streams into a temporary file that replaces the final name only
// then, so a failed download leaves an earlier file of that name as it was. A
// failed track's line says why.
//
// After SIGINT or SIGTERM the track in flight fails with "interrupted" (its
// transfer stops and its temporary file goes), no further track is started,
// and the closing line is written as usual.
#include "app/track_download.h"

#include <system_error>

#include "app/control_characters.h"
#include "app/globals.h"
#include "app/page_source.h"
#include "app/program_text.h"
#include "app/safe_name.h"
#include "app/workflow.h"
#include "runtime/codepage.h"
#include "runtime/console.h"
#include "runtime/download.h"
#include "runtime/interrupt.h"
#include "script/json_object.h"

namespace quellora {
namespace {

// The failure reason of the track in flight when the run is stopped by a signal.
constexpr const char* kInterrupted = "interrupted";

// Makes the album folder (one level, under the output folder) unless it is
// there already.
bool EnsureFolder(const std::filesystem::path& folder) {
  std::error_code error;
  if (std::filesystem::is_directory(folder, error)) return true;
  std::filesystem::create_directory(folder, error);
  return std::filesystem::is_directory(folder, error);
}

// Saves one track; the empty text when it was saved, else a short reason.
Text SaveTrack(const Text& trackId, const Text& playPath, const Text& albumTitle, const Text& title,
               std::set<std::string>& savedThisRun) {
  if (playPath.empty()) return "no audio address";
  const std::filesystem::path folder = AlbumFolder(albumTitle);
  if (!EnsureFolder(folder)) return "cannot create the album folder";
  const std::filesystem::path file = TrackFile(folder, title, trackId, savedThisRun);
  if (Interrupted()) return kInterrupted;
  // The path goes to the download as it is: a folder name that is no valid UTF-8 still works.
  const DownloadResult result = HttpDownloadFile(playPath, file);
  if (!result.ok && Interrupted()) return kInterrupted;
  if (!result.ok) return result.failure.empty() ? Text("download failed") : result.failure;
  savedThisRun.insert(file.string());
  return Text();
}

}  // namespace

std::filesystem::path OutputFolder() {
  if (!OutputDirectory.empty()) return OutputDirectory;
  std::error_code error;
  return std::filesystem::current_path(error);
}

std::filesystem::path AlbumFolder(const Text& albumTitle) {
  return OutputFolder() / SafeName(ToUtf8(albumTitle));
}

std::filesystem::path TrackFile(const std::filesystem::path& folder, const Text& title,
                                const Text& trackId, const std::set<std::string>& savedThisRun) {
  const std::string utf8Title = ToUtf8(title);
  const std::string utf8Id = ToUtf8(trackId);
  for (int copy = 1;; ++copy) {
    std::filesystem::path file = folder / SafeTrackFileName(utf8Title, utf8Id, copy);
    if (savedThisRun.count(file.string()) == 0) return file;
  }
}

void DownloadTracks() {
  JsonObject json;
  std::set<std::string> savedThisRun;
  const int count = ArrayElementCount(TrackIds);
  for (int i = 1; i <= count && !Interrupted(); ++i) {
    const Text& trackId = TrackIds.At(i);
    const Text response = FetchPage(TextConcat({ServiceOrigin, "/tracks/", trackId, ".json"}));
    const bool described = json.Parse(response);
    const Text playPath = json.GetText("play_path");
    const Text albumTitle = json.GetText("album_title");
    const Text title = json.GetText("title");
    // Titles and reasons come from the network: no control character reaches the console.
    ConsoleWrite(TextConcat({ProgramText("正在下载："), ReplaceControlCharacters(title)}));
    // The line shows while the audio arrives, also when stdout is a pipe.
    StandardConsole().Flush();

    Text failure;
    if (Interrupted()) {
      failure = kInterrupted;
    } else if (!described) {
      failure = response.empty() ? "no track description" : "track description is not JSON";
    } else {
      failure = SaveTrack(trackId, playPath, albumTitle, title, savedThisRun);
    }
    if (failure.empty()) {
      ++DownloadOutcome.saved;
      ConsoleWrite(ProgramText("    完成\r\n"));
    } else {
      ++DownloadOutcome.failed;
      ConsoleWrite(
          TextConcat({ProgramText("    失败："), ReplaceControlCharacters(failure), "\r\n"}));
    }
  }
  if (count > 0) {
    ConsoleWrite(TextConcat({ProgramText("\r\n提示信息：已保存"), ToText(DownloadOutcome.saved),
                             ProgramText("条声音，失败"), ToText(DownloadOutcome.failed),
                             ProgramText("条\r\n")}));
  }
}

}  // namespace quellora
