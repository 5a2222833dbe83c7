// The names tracks are saved under, given in track order so that " (2)" numbering is the same
// as in a sequential run whichever worker finishes first.
//
// A track's file is folder / SafeTrackFileName(title, id, n) with the smallest n >= 1 whose
// path was not saved before in this run. The name is chosen at commit time, when the track's
// turn comes in order: Assign gives the name, and Saved records it once the file is in place.
// A failed track calls nothing, so it takes no name.
//
// Not thread-safe: used by the one thread that commits tracks in order.
#pragma once

#include <filesystem>
#include <set>
#include <string>

#include "runtime/text.h"

namespace quellora {

class TrackNames {
 public:
  /// The path for a track (title and id in the program's code page; the id stands in for an
  /// empty title). Does not take the name: call Saved once the file is there.
  std::filesystem::path Assign(const std::filesystem::path& folder, const Text& title,
                               const Text& trackId) const;

  /// Records that file was saved in this run; later tracks of the same name get a number.
  void Saved(const std::filesystem::path& file);

 private:
  std::set<std::string> saved_;
};

}  // namespace quellora
