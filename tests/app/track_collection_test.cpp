#include "app/track_collection.h"

#include <gtest/gtest.h>

#include "app/globals.h"
#include "app/workflow.h"
#include "runtime/codepage.h"
#include "workflow_fixture.h"

namespace quellora {
namespace {

struct PagingCase {
  const char* bar;  // nullptr: no paging bar at all
  int pages;
};

class PagingCount : public ::testing::TestWithParam<PagingCase> {};

TEST_P(PagingCount, CountsSingleDigitPageAttributes) {
  const auto& c = GetParam();
  Text page = "<html><a class=\"title\" href=\"/u1/sound/1\">";
  if (c.bar != nullptr)
    page += std::string("<div class=\"pagingBar_wrapper\" x>") + c.bar + "</div>";
  EXPECT_EQ(CountAlbumPages(page), c.pages) << (c.bar ? c.bar : "(no bar)");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PagingCount,
    ::testing::Values(
        PagingCase{nullptr, 1}, PagingCase{"", 1}, PagingCase{"<a data-page='1'>1</a>", 1},
        // Repeated digits count: a "next" link carrying 2 again adds a page.
        PagingCase{"<a data-page='1'></a><a data-page='2'></a><a data-page='3'></a>"
                   "<a data-page='2'>next</a>",
                   4},
        // Two digits do not match at all.
        PagingCase{"<a data-page='1'></a><a data-page='2'></a><a data-page='12'></a>", 2},
        PagingCase{"<a data-page='10'></a><a data-page='11'></a>", 1},
        // Case is ignored by the pattern; double quotes are another form and do not match.
        PagingCase{"<a DATA-PAGE='1'></a><a data-page=\"2\"></a>", 1}));

TEST(PagingCount, OnlyTheBarIsSearched) {
  const Text page =
      "<a data-page='1'></a><a data-page='2'></a>"
      "<div class=\"pagingBar_wrapper\"><a data-page='1'></a></div><a data-page='3'></a>";
  EXPECT_EQ(CountAlbumPages(page), 1);
}

TEST(LinkOwner, IsTheFirstSegment) {
  EXPECT_EQ(LinkOwner("/u1/album/7"), "u1");
  EXPECT_EQ(LinkOwner("u1/album/7"), "album");
  EXPECT_EQ(LinkOwner(""), "");
}

TEST(TrackIds, OneElementPerAnchorEmptyForAnotherOwner) {
  const Text page =
      "<a class=\"title\" href=\"/u1/sound/101\" hashlink title=\"x\">"
      "<A CLASS=\"title\" href=\"/u1/sound/102\">"
      "<a class=\"title\" href=\"/u2/sound/5\">"
      "<a class=\"title\" href=\"/u1/album/9\">"
      "<a class=\"other\" href=\"/u1/sound/7\">";
  TextArray ids;
  ids.Append("0");
  AppendTrackIds(page, "u1", ids);
  EXPECT_EQ(ids.Elements(), (std::vector<Text>{"0", "101", "102", "", ""}));
}

class CollectTracksTest : public WorkflowTest {
 protected:
  void FillTable() {
    AlbumTable.Redim({2, 3});
    AlbumTable.At(1, 2) = "/u1/album/7";
    AlbumTable.At(2, 2) = "/u2/album/8";
  }
};

TEST_F(CollectTracksTest, RequestsTheAlbumThenEveryPage) {
  FillTable();
  AlbumIndexAnswer = "2";
  Serve("http://origin.test/u2/album/8",
        "<div class=\"pagingBar_wrapper\"><a data-page='1'></a><a data-page='2'></a></div>");
  Serve("http://origin.test/u2/album/8?page=1", "<a class=\"title\" href=\"/u2/sound/1\">");
  Serve("http://origin.test/u2/album/8?page=2",
        "<a class=\"title\" href=\"/u2/sound/2\"><a class=\"title\" href=\"/u2/sound/3\">");
  CollectTracks();
  EXPECT_EQ(requested, (std::vector<std::string>{"http://origin.test/u2/album/8",
                                                 "http://origin.test/u2/album/8?page=1",
                                                 "http://origin.test/u2/album/8?page=2"}));
  EXPECT_EQ(TrackIds.Elements(), (std::vector<Text>{"1", "2", "3"}));
}

TEST_F(CollectTracksTest, TheFirstAnswerOnlyGivesThePageCount) {
  FillTable();
  AlbumIndexAnswer = "1";
  Serve("http://origin.test/u1/album/7", "<a class=\"title\" href=\"/u1/sound/99\">");
  CollectTracks();
  EXPECT_EQ(requested, (std::vector<std::string>{"http://origin.test/u1/album/7",
                                                 "http://origin.test/u1/album/7?page=1"}));
  EXPECT_EQ(TrackIds.ElementCount(), 0);
}

TEST_F(CollectTracksTest, IndexIsReadLikeANumber) {
  for (const char* answer : {"2", " 2", "2 ", "２"}) {
    InitGlobals();
    requested.clear();
    FillTable();
    AlbumIndexAnswer = FromUtf8(answer);
    CollectTracks();
    ASSERT_FALSE(requested.empty()) << answer;
    EXPECT_EQ(requested.front(), "http://origin.test/u2/album/8") << answer;
  }
}

TEST_F(CollectTracksTest, IndexOutsideTheTableRequestsNothing) {
  for (const char* answer : {"0", "-1", "3", "abc", "99999999999"}) {
    InitGlobals();
    FillTable();
    AlbumIndexAnswer = answer;
    CollectTracks();
    EXPECT_TRUE(requested.empty()) << answer;
    EXPECT_EQ(TrackIds.ElementCount(), 0) << answer;
  }
}

TEST_F(CollectTracksTest, IndexWithoutAFilledTableRequestsNothing) {
  AlbumIndexAnswer = "1";
  CollectTracks();
  EXPECT_TRUE(requested.empty());
  EXPECT_EQ(TrackIds.ElementCount(), 0);
}

}  // namespace
}  // namespace quellora
