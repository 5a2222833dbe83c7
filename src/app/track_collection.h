// The pieces of the track-list collection that read an album page.
#pragma once

#include "runtime/text.h"

namespace quellora {

/// The number of pages of an album's track list: the count of data-page='d' attributes with a
/// single digit d in the page's paging bar (repeated digits count), 1 when there are none.
int CountAlbumPages(const Text& albumPage);

/// The owner segment of an album link: the text between its first and second "/".
Text LinkOwner(const Text& albumLink);

/// Appends to ids one element per track anchor on the page: the id when the anchor links to
/// owner's sound, the empty text otherwise.
void AppendTrackIds(const Text& page, const Text& owner, TextArray& ids);

/// The number of rows of AlbumTable; 0 when no search has filled it.
int AlbumRowCount();

}  // namespace quellora
