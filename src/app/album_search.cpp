// SearchAlbums: the search page, cut into one title block and one publisher
// block per album.
#include "app/control_characters.h"
#include "app/globals.h"
#include "app/page_source.h"
#include "app/program_text.h"
#include "app/workflow.h"
#include "runtime/console.h"
#include "runtime/interrupt.h"
#include "runtime/markers.h"

namespace quellora {

void SearchAlbums() {
  TextArray titleBlocks;
  TextArray publisherBlocks;

  Text page = FetchPage(SearchAddress);
  TextBetweenAll(page, "<div class=\"info title\">", "</div>", titleBlocks);
  // The same address once more: the publishers are cut from the second answer.
  page = FetchPage(SearchAddress);
  TextBetweenAll(page, "<div class=\"info last\">", "</div>", publisherBlocks);
  if (Interrupted()) return;  // the run is being stopped: nothing is listed

  const Text separator = ProgramText("\r\n*********************\r\n");
  ConsoleWrite(separator);
  const int n = ArrayElementCount(titleBlocks);
  if (n != ArrayElementCount(publisherBlocks)) return;
  // No album found: a table of zero rows does not exist, so it stays empty and
  // unfilled.
  if (n == 0) return;

  AlbumTable.Redim({n, 3});
  const Text openTitle = ProgramText("《");
  const Text closeTitle = ProgramText("》");
  for (int i = 1; i <= n; ++i) {
    const Text& titleBlock = titleBlocks.At(i);
    Text name = TextBetween(titleBlock, "hashlink>", "</a>", 1);
    Text link = TextBetween(titleBlock, "<a href=\"", "\" hashlink>");
    Text publisher = TextBetween(publisherBlocks.At(i), "hashlink>", "<i");
    name = ReplaceSeveral(name, std::nullopt, 1, false, openTitle, "", closeTitle, "");
    AlbumTable.At(i, 1) = TextRemoveSpaces(name);
    AlbumTable.At(i, 2) = TextRemoveSpaces(link);
    AlbumTable.At(i, 3) = TextRemoveSpaces(publisher);

    ConsoleWrite(TextConcat({ProgramText("\r\n序号："), ToText(i), "\r\n"}));
    // Names and publishers come from the network: no control character reaches the console.
    ConsoleWrite(
        TextConcat({ProgramText("\r\n专辑名："), ReplaceControlCharacters(AlbumTable.At(i, 1))}));
    ConsoleWrite(
        TextConcat({ProgramText("\r\n发布人："), ReplaceControlCharacters(AlbumTable.At(i, 3))}));
    ConsoleWrite(separator);
  }
}

}  // namespace quellora
