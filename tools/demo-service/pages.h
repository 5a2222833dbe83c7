// Rendering of the demo service's answers: the search page, the album pages and the track JSON,
// in the shapes the client cuts its fields out of.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "catalogue.h"

namespace quellora::demo {

/// The search page (UTF-8): one title block and one publisher block per album, in order.
std::string RenderSearchPage(std::string_view query, const std::vector<const Album*>& albums);

/// Number of album pages holding tracks (at least 1).
int PageCount(const Album& album);

/// Album page `page` (1-based) in the album's own charset: the paging bar (every page number,
/// then a "next" link repeating the following page's number) and the page's track anchors.
/// A page beyond the last lists no tracks.
std::string RenderAlbumPage(const Album& album, int page);

/// The track description: "play_path" (origin + "/audio/" + id + ".mp3"), "album_title",
/// "title" and a few more members, UTF-8 JSON.
std::string RenderTrackJson(const Album& album, const Track& track, std::string_view origin);

/// "text/html; charset=" + charset.
std::string HtmlContentType(const std::string& charset);

}  // namespace quellora::demo
