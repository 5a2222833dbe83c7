// The program-wide state shared by the steps of the dialogue. It lives from start-up to the end
// of the process; ReleaseGlobals (an exit hook) frees it.
#pragma once

#include <filesystem>

#include "runtime/text.h"

namespace quellora {

/// The album name as typed, then the complete search address built from it.
extern Text SearchAddress;
/// The album index as typed.
extern Text AlbumIndexAnswer;
/// The download mode as typed.
extern Text DownloadModeAnswer;
/// The ids of the chosen album's tracks, in page order; empty ids included.
extern TextArray TrackIds;
/// One row per album found: name, link below the origin, publisher. Empty until a search fills it.
extern Array<Text> AlbumTable;

/// The service origin every address is built from: scheme and host, no trailing slash.
/// Set before ProgramMain runs (the built-in origin or --origin); InitGlobals leaves it alone.
extern Text ServiceOrigin;
/// Where album folders go (absolute); empty means the current directory, read anew per track.
extern std::filesystem::path OutputDirectory;

/// How many tracks download at the same time (--jobs); set before ProgramMain runs.
extern int DownloadJobs;

/// Outcome of the downloads of this run, read for the exit code.
struct DownloadTally {
  int saved = 0;
  int failed = 0;
};
extern DownloadTally DownloadOutcome;

/// Creates TrackIds and AlbumTable as empty one-dimensional arrays.
void InitGlobals();
/// Exit hook: frees SearchAddress, AlbumIndexAnswer, TrackIds, DownloadModeAnswer, AlbumTable.
void ReleaseGlobals();

}  // namespace quellora
