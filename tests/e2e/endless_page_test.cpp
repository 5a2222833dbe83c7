// The built program against a service whose search page never ends: the memory limit on a page
// stops each fetch, the dialogue goes on as for a page that did not arrive, and the program's
// memory stays bounded.
#include <gtest/gtest.h>
#include <httplib.h>

#include <memory>
#include <string>

#include "support/memory_probe.h"
#include "support/quellora_dl.h"
#include "support/recording_server.h"
#include "support/scratch_folder.h"

namespace quellora::testing {
namespace {

TEST(EndlessPage, TheSearchGoesOnAsForAMissingPageAndMemoryStaysBounded) {
  auto chunk = std::make_shared<std::string>(64 * 1024, 'x');
  RecordingServer site([chunk](const httplib::Request&, httplib::Response& response) {
    response.set_content_provider("text/html", [chunk](std::size_t, httplib::DataSink& sink) {
      return sink.write(chunk->data(), chunk->size());
    });
  });
  ScratchFolder out;
  const ProgramResult run =
      RunQuelloraDl({"--origin", site.Origin(), "--output-dir", out.path().string()}, "a\n1\n1\n");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, BannerAndNamePrompt() + ListingAndIndexPrompt({}) + CountsAndModePrompt(0));
  ASSERT_EQ(site.Requests().size(), 2u);
  EXPECT_EQ(site.Requests()[0].target, "/search/a");
  // One page may fill the 64 MiB limit; the rest of the program needs far less than 32 MiB.
  // AddressSanitizer's shadow memory inflates the figure, so the bound holds only without it.
  EXPECT_GT(run.peakRssKb, 0);
  if (!kAddressSanitizer) {
    EXPECT_LT(run.peakRssKb, (64 + 32) * 1024) << "peak resident memory in KiB";
  }
}

}  // namespace
}  // namespace quellora::testing
