#include "app/track_names.h"

#include "app/safe_name.h"
#include "runtime/codepage.h"

namespace quellora {

std::filesystem::path TrackNames::Assign(const std::filesystem::path& folder, const Text& title,
                                         const Text& trackId) const {
  const std::string utf8Title = ToUtf8(title);
  const std::string utf8Id = ToUtf8(trackId);
  for (int copy = 1;; ++copy) {
    std::filesystem::path file = folder / SafeTrackFileName(utf8Title, utf8Id, copy);
    if (saved_.count(file.string()) == 0) return file;
  }
}

void TrackNames::Saved(const std::filesystem::path& file) {
  saved_.insert(file.string());
}

}  // namespace quellora
