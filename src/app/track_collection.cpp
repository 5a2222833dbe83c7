// CollectTracks: the chosen album's pages, read for their paging bar and track
// anchors.
#include "app/track_collection.h"

#include <algorithm>

#include "app/globals.h"
#include "app/page_source.h"
#include "app/workflow.h"
#include "runtime/interrupt.h"
#include "runtime/markers.h"
#include "script/regex_object.h"

namespace quellora {
namespace {

Text PagingBar(const Text& albumPage) {
  return TextBetween(albumPage, "<div class=\"pagingBar_wrapper\"", "</div>");
}

// The page number written in digits, kMaxAlbumPages + 1 for any larger number (however many
// digits it has).
int PageNumber(std::string_view digits) {
  const std::size_t first = std::min(digits.find_first_not_of('0'), digits.size());
  digits.remove_prefix(first);
  int number = 0;
  for (const char digit : digits) {
    number = number * 10 + (digit - '0');
    if (number > kMaxAlbumPages) return kMaxAlbumPages + 1;
  }
  return number;
}

}  // namespace

int CountAlbumPages(const Text& albumPage) {
  RegexObject regex;
  regex.Search("data-page='(\\d)'", PagingBar(albumPage));
  const int matches = regex.MatchCount();
  return TextToInt(matches == 0 ? Text("1") : ToText(matches));
}

int HighestPageNumber(const Text& albumPage) {
  RegexObject regex;
  regex.Search("data-page='([0-9]+)'", PagingBar(albumPage));
  int highest = 0;
  for (int n = 1; n <= regex.MatchCount(); ++n) {
    highest = std::max(highest, PageNumber(regex.SubMatchText(n, 1)));
  }
  return highest;
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
  // The pages the bar's attributes count are all read; a higher page number in the bar (one of
  // two or more digits) says more pages may follow, and those are read while each still adds a
  // track anchor.
  const int counted = std::min(CountAlbumPages(firstPage), kMaxAlbumPages);
  const int pages = std::max(counted, std::min(HighestPageNumber(firstPage), kMaxAlbumPages));
  for (int p = 1; p <= pages && !Interrupted(); ++p) {
    const Text address = TextConcat({ServiceOrigin, link, "?page=", ToText(p)});
    const int before = ArrayElementCount(TrackIds);
    AppendTrackIds(FetchPage(address), owner, TrackIds);
    if (p > counted && ArrayElementCount(TrackIds) == before) break;
  }
}

}  // namespace quellora
