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

struct HighestCase {
  const char* bar;  // nullptr: no paging bar at all
  int highest;
};

class HighestPage : public ::testing::TestWithParam<HighestCase> {};

TEST_P(HighestPage, ReadsPageNumbersOfAnyLength) {
  const auto& c = GetParam();
  Text page = "<html>";
  if (c.bar != nullptr)
    page += std::string("<div class=\"pagingBar_wrapper\" x>") + c.bar + "</div>";
  EXPECT_EQ(HighestPageNumber(page), c.highest) << (c.bar ? c.bar : "(no bar)");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HighestPage,
    ::testing::Values(
        HighestCase{nullptr, 0}, HighestCase{"", 0}, HighestCase{"<a data-page='0'></a>", 0},
        HighestCase{"<a data-page='1'></a><a data-page='12'></a><a data-page='2'>", 12},
        HighestCase{"<a DATA-PAGE='007'></a>", 7}, HighestCase{"<a data-page='1000'></a>", 1000},
        HighestCase{"<a data-page='1001'></a>", kMaxAlbumPages + 1},
        // Absurd numbers neither overflow nor count as small ones.
        HighestCase{"<a data-page='99999999999999999999999999'></a>", kMaxAlbumPages + 1},
        HighestCase{"<a data-page='4294967297'></a>", kMaxAlbumPages + 1},
        HighestCase{"<a data-page='000000000000000000000000003'></a>", 3},
        // Only the quoted digits form counts.
        HighestCase{"<a data-page=\"40\"></a><a data-page='x9'></a>"
                    "<a data-page='-5'></a><a data-page=''></a>",
                    0}));

TEST(HighestPage, OnlyTheBarIsSearched) {
  const Text page =
      "<a data-page='30'></a><div class=\"pagingBar_wrapper\"><a data-page='12'></a></div>"
      "<a data-page='40'></a>";
  EXPECT_EQ(HighestPageNumber(page), 12);
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

// A bar of n links: data-page='1' .. data-page='n', then a "next" link to page 2.
std::string NumberedBar(int n) {
  std::string bar;
  for (int page = 1; page <= n; ++page) {
    bar += "<a data-page='" + std::to_string(page) + "'>" + std::to_string(page) + "</a>";
  }
  return bar + "<a data-page='2'>next</a>";
}

std::string Anchor(int id) {
  return "<a class=\"title\" href=\"/u1/sound/" + std::to_string(id) + "\">";
}

std::vector<std::string> PageAddresses(int first, int last) {
  std::vector<std::string> addresses;
  for (int page = first; page <= last; ++page) {
    addresses.push_back("http://origin.test/u1/album/7?page=" + std::to_string(page));
  }
  return addresses;
}

TEST_F(CollectTracksTest, TwelvePagesAreAllRead) {
  FillTable();
  AlbumIndexAnswer = "1";
  const std::string bar = NumberedBar(12);
  Serve("http://origin.test/u1/album/7", "<div class=\"pagingBar_wrapper\">" + bar + "</div>");
  std::vector<Text> expectedIds;
  for (int page = 1; page <= 12; ++page) {
    Serve(PageAddresses(page, page)[0], Anchor(page * 10) + Anchor(page * 10 + 1));
    expectedIds.push_back(std::to_string(page * 10));
    expectedIds.push_back(std::to_string(page * 10 + 1));
  }
  // Page 13 would add tracks, but the bar names no page past 12.
  Serve(PageAddresses(13, 13)[0], Anchor(999));
  CollectTracks();
  std::vector<std::string> expected{"http://origin.test/u1/album/7"};
  for (const auto& address : PageAddresses(1, 12)) expected.push_back(address);
  EXPECT_EQ(requested, expected);
  EXPECT_EQ(TrackIds.Elements(), expectedIds);
}

TEST_F(CollectTracksTest, PagesPastTheCountedOnesStopAtTheFirstThatAddsNoTrack) {
  FillTable();
  AlbumIndexAnswer = "1";
  // Three counted pages; the bar claims 50.
  Serve("http://origin.test/u1/album/7",
        "<div class=\"pagingBar_wrapper\"><a data-page='1'></a><a data-page='2'></a>"
        "<a data-page='3'></a><a data-page='50'></a></div>");
  // Counted pages are read even when empty (page 2); past them, page 6 adds nothing.
  for (int page : {1, 3, 4, 5, 7, 8}) Serve(PageAddresses(page, page)[0], Anchor(page));
  Serve(PageAddresses(6, 6)[0], "<html>no tracks</html>");
  CollectTracks();
  std::vector<std::string> expected{"http://origin.test/u1/album/7"};
  for (const auto& address : PageAddresses(1, 6)) expected.push_back(address);
  EXPECT_EQ(requested, expected);
  EXPECT_EQ(TrackIds.Elements(), (std::vector<Text>{"1", "3", "4", "5"}));
}

TEST_F(CollectTracksTest, AnAnchorOfAnotherOwnerStillCountsAsAddingATrack) {
  FillTable();
  AlbumIndexAnswer = "1";
  Serve("http://origin.test/u1/album/7",
        "<div class=\"pagingBar_wrapper\"><a data-page='1'></a><a data-page='10'></a></div>");
  Serve(PageAddresses(1, 1)[0], Anchor(1));
  Serve(PageAddresses(2, 2)[0], "<a class=\"title\" href=\"/u9/sound/5\">");
  CollectTracks();
  EXPECT_EQ(requested.size(), 4u);  // the album, pages 1 and 2, and the empty page 3
  EXPECT_EQ(TrackIds.Elements(), (std::vector<Text>{"1", ""}));
}

TEST_F(CollectTracksTest, NeverMoreThanAThousandPages) {
  struct Case {
    const char* name;
    std::string bar;
  };
  std::string ones1000;
  for (int i = 0; i < 1000; ++i) ones1000 += "<a data-page='1'></a>";
  std::string ones1500;
  for (int i = 0; i < 1500; ++i) ones1500 += "<a data-page='1'></a>";
  const std::vector<Case> cases{{"1000 single digits", ones1000},
                                {"1500 single digits", ones1500},
                                {"a huge page number",
                                 "<a data-page='1'></a><a data-page='"
                                 "123456789012345678901234567890'></a>"}};
  for (const auto& c : cases) {
    InitGlobals();
    FillTable();
    requested.clear();
    AlbumIndexAnswer = "1";
    // Every page adds a track.
    SetPageFetcher([&](std::string_view address) {
      requested.emplace_back(address);
      if (address == "http://origin.test/u1/album/7") {
        return Text("<div class=\"pagingBar_wrapper\">" + c.bar + "</div>");
      }
      return Text(Anchor(1));
    });
    CollectTracks();
    ASSERT_EQ(requested.size(), 1u + kMaxAlbumPages) << c.name;
    EXPECT_EQ(requested.back(), PageAddresses(1000, 1000)[0]) << c.name;
    EXPECT_EQ(TrackIds.ElementCount(), kMaxAlbumPages) << c.name;
  }
}

TEST_F(CollectTracksTest, AThousandCountedPagesAreReadEvenWhenEmpty) {
  FillTable();
  AlbumIndexAnswer = "1";
  std::string bar;
  for (int i = 0; i < 1000; ++i) bar += "<a data-page='1'></a>";
  Serve("http://origin.test/u1/album/7", "<div class=\"pagingBar_wrapper\">" + bar + "</div>");
  CollectTracks();
  std::vector<std::string> expected{"http://origin.test/u1/album/7"};
  for (const auto& address : PageAddresses(1, 1000)) expected.push_back(address);
  EXPECT_EQ(requested, expected);
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
