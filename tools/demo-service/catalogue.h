// The sample catalogue the demo service serves: a few albums with their tracks.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quellora::demo {

/// One track: its id (unique across the catalogue) and its title (UTF-8).
struct Track {
  std::string id;
  std::string title;
};

/// One album. Texts are UTF-8; the album's pages are sent in `charset`.
struct Album {
  std::string owner;      ///< first segment of the album link, e.g. "u1001"
  std::string id;         ///< last segment of the album link
  std::string name;       ///< as listed on the search page, with 《》 and blanks
  std::string title;      ///< the "album_title" of its tracks
  std::string publisher;  ///< as listed on the search page, with blanks
  std::string charset;    ///< "utf-8" or "gbk"
  bool pagingBar = true;  ///< false: the album page has no paging bar at all
  std::vector<Track> tracks;
  int tracksPerPage = 10;  ///< track anchors on one album page

  /// "/" + owner + "/album/" + id.
  std::string Link() const;
};

/// The whole catalogue, in search-result order.
const std::vector<Album>& Catalogue();

/// Albums whose name contains query, or whose name without blanks and 《》 contains query
/// without blanks; every album for the empty query.
std::vector<const Album*> FindAlbums(std::string_view query);

/// The album with this owner and id; nullptr when none.
const Album* FindAlbum(std::string_view owner, std::string_view id);

/// The album holding the track; nullptr when none. track receives the track.
const Album* FindTrack(std::string_view trackId, const Track** track);

}  // namespace quellora::demo
