#include "app/globals.h"

#include "app/build_config.h"

namespace quellora {

Text SearchAddress;
Text AlbumIndexAnswer;
Text DownloadModeAnswer;
TextArray TrackIds;
Array<Text> AlbumTable;
Text ServiceOrigin = kBuiltInOrigin;
std::filesystem::path OutputDirectory;
int DownloadJobs = 4;
DownloadTally DownloadOutcome;

void InitGlobals() {
  TrackIds = TextArray();
  AlbumTable = Array<Text>();
  DownloadOutcome = DownloadTally();
}

void ReleaseGlobals() {
  SearchAddress = Text();
  AlbumIndexAnswer = Text();
  TrackIds = TextArray();
  DownloadModeAnswer = Text();
  AlbumTable = Array<Text>();
}

}  // namespace quellora
