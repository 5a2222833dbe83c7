// The three steps of the album workflow. They take no arguments and communicate through the
// globals of app/globals.h.
#pragma once

namespace quellora {

/// Fetches the search page (twice), lists the albums found and fills AlbumTable.
void SearchAlbums();
/// Fetches the chosen album's pages and appends every track id to TrackIds.
void CollectTracks();
/// Saves every track of TrackIds in its album folder; tallies DownloadOutcome.
void DownloadTracks();

}  // namespace quellora
