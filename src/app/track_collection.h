// The pieces of the track-list collection that read an album page.
#pragma once

#include "runtime/text.h"

namespace quellora {

/// The most pages one album's track list is read from.
inline constexpr int kMaxAlbumPages = 1000;

/// The counted pages of an album's track list: the count of data-page='d' attributes with a
/// single digit d in the page's paging bar (repeated digits count), 1 when there are none.
/// CollectTracks reads all of them (at most kMaxAlbumPages).
int CountAlbumPages(const Text& albumPage);

/// The highest number N of the data-page='N' attributes (any number of digits) in the page's
/// paging bar; 0 when there is none; kMaxAlbumPages + 1 for any number above kMaxAlbumPages.
/// Pages past the counted ones, up to this number, are read while each adds a track anchor.
int HighestPageNumber(const Text& albumPage);

/// The owner segment of an album link: the text between its first and second "/".
Text LinkOwner(const Text& albumLink);

/// Appends to ids one element per track anchor on the page: the id when the anchor links to
/// owner's sound, the empty text otherwise.
void AppendTrackIds(const Text& page, const Text& owner, TextArray& ids);

/// The number of rows of AlbumTable; 0 when no search has filled it.
int AlbumRowCount();

}  // namespace quellora
