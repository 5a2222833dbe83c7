// Texts from the network reach the console without their control characters: album names,
// publishers and track titles that carry terminal escape sequences are shown with U+FFFD in
// their place, while the files are named as before.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/album_site.h"
#include "support/quellora_dl.h"
#include "support/scratch_folder.h"

namespace quellora::testing {
namespace {

namespace fs = std::filesystem;

const std::string kFffd = "\uFFFD";

// The control bytes of a UTF-8 transcript other than CR and LF: C0 controls, DEL, and the C1
// controls (C2 80 .. C2 9F).
std::string ControlBytes(const std::string& text) {
  std::string found;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if ((byte < 0x20 && byte != '\r' && byte != '\n') || byte == 0x7F) found += text[i];
    if (byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
        static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      found += text.substr(i, 2);
    }
  }
  return found;
}

TEST(ConsoleText, EscapeSequencesFromTheServiceAreShownAsReplacementCharacters) {
  AlbumSite site;
  ScratchFolder out;
  // Blanks would be removed from names and publishers; these carry none.
  site.Set("/search/esc",
           SearchPage({{"/u1/album/7", "Name\x1b]0;owned\x07\x1b[2J", "Pub\x1b[31m\x7f"}}));
  site.Set("/u1/album/7?page=1", AlbumPage("", {"/u1/sound/1", "/u1/sound/2"}));
  site.Set("/tracks/1.json",
           TrackJson(site.Origin() + "/audio/1.mp3", "Album\x1b[2J", "T\x1b]0;x\x07\x1b[2J"),
           "application/json; charset=utf-8");
  site.Set("/audio/1.mp3", AudioBytes(300, 1), "audio/mpeg");
  // U+009B is the one-character form of ESC [.
  site.Set("/tracks/2.json",
           TrackJson(site.Origin() + "/audio/2.mp3", "Album\x1b[2J", "C1\u009b2J\r\nline"),
           "application/json; charset=utf-8");
  site.Set("/audio/2.mp3", AudioBytes(400, 2), "audio/mpeg");

  const ProgramResult run = RunQuelloraDl(
      {"--origin", site.Origin(), "--output-dir", out.path().string()}, "esc\n1\n1\n");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ControlBytes(run.out), "");
  EXPECT_EQ(run.out,
            BannerAndNamePrompt() +
                ListingAndIndexPrompt({{"Name" + kFffd + "]0;owned" + kFffd + kFffd + "[2J",
                                        "Pub" + kFffd + "[31m" + kFffd}}) +
                CountsAndModePrompt(2) + SavedLine("T" + kFffd + "]0;x" + kFffd + kFffd + "[2J") +
                SavedLine("C1" + kFffd + "2J" + kFffd + kFffd + "line") + ClosingLine(2, 0));
  // File names are made safe on their own rules, unchanged: C0 controls become "_".
  EXPECT_EQ(ReadWholeFile(out.path() / "Album_[2J" / "T_]0;x__[2J.MP3"), AudioBytes(300, 1));
  EXPECT_EQ(ReadWholeFile(out.path() / "Album_[2J" / "C1\u009b2J__line.MP3"), AudioBytes(400, 2));
}

}  // namespace
}  // namespace quellora::testing
