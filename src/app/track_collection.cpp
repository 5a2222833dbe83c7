// CollectTracks: the chosen album's pages, read for their paging bar and track
// anchors.
#include "app/track_collection.h"

#include "app/globals.h"
#include "app/page_source.h"
#include "app/workflow.h"
#include "runtime/markers.h"
#include "script/regex_object.h"

namespace quellora {

int CountAlbumPages(const Text& albumPage) {
  RegexObject regex;
  const Text bar = TextBetween(albumPage, "<div class=\"pagingBar_wrapper\"", "</div>");
  regex.Search("data-page='(\\d)'", bar);
  const int matches = regex.MatchCount();
  return TextToInt(matches == 0 ? Text("1") : ToText(matches));
}

Text LinkOwner(const Text& albumLink) {
  return TextBetween(albumLink, "/", "/", 1);
}

void AppendTrackIds(const Text& page, const Text& owner, TextArray& ids) {
  TextArray blocks;
  TextBetweenAll(page, "<a class=\"title\"", ">", blocks);
  const Text marker = TextConcat({"href=\"/", owner, "/sound/"});
  for (const Text& block : blocks.Elements()) ids.Append(TextBetween(block, marker, "\""));
}

int AlbumRowCount() {
  if (AlbumTable.DimensionCount() != 2) return 0;
  return AlbumTable.DimensionSize(1);
}

void CollectTracks() {
  // An index outside the listed rows (or with nothing listed) selects no album.
  const int k = TextToInt(AlbumIndexAnswer);
  if (k < 1 || k > AlbumRowCount()) return;
  const Text link = AlbumTable.At(k, 2);
  const Text owner = LinkOwner(link);

  // The first answer only tells the page count; page 1 is requested again
  // below.
  const Text firstPage = FetchPage(TextConcat({ServiceOrigin, link}));
  const int pages = CountAlbumPages(firstPage);
  for (int p = 1; p <= pages; ++p) {
    const Text address = TextConcat({ServiceOrigin, link, "?page=", ToText(p)});
    AppendTrackIds(FetchPage(address), owner, TrackIds);
  }
}

}  // namespace quellora
