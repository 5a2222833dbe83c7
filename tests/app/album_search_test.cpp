#include <gtest/gtest.h>

#include "app/globals.h"
#include "app/workflow.h"
#include "runtime/codepage.h"
#include "workflow_fixture.h"

namespace quellora {
namespace {

using AlbumSearchTest = WorkflowTest;

const char* const kAddress = "http://origin.test/search/x";
const char* const kSeparator = "\r\n*********************\r\n";

TEST_F(AlbumSearchTest, FillsTheTableAndListsEveryAlbum) {
  SearchAddress = kAddress;
  Serve(kAddress,
        "<div class=\"info title\"><a href=\"/u1/album/7\" hashlink>《My Album》</a></div>"
        "<div class=\"info last\"><a href=\"/u1\" hashlink> Some One <i class=\"x\"></i></div>"
        "<DIV CLASS=\"INFO TITLE\"><a href=\"/u 2/album/8\" hashlink>三国　演义</a></DIV>"
        "<div class=\"info last\"><a hashlink>出版 人<i></i></div>");
  const std::string out = Output(SearchAlbums);

  EXPECT_EQ(requested, (std::vector<std::string>{kAddress, kAddress}));
  ASSERT_EQ(AlbumTable.DimensionCount(), 2);
  ASSERT_EQ(AlbumTable.DimensionSize(1), 2);
  EXPECT_EQ(ToUtf8(AlbumTable.At(1, 1)), "MyAlbum");
  EXPECT_EQ(ToUtf8(AlbumTable.At(1, 2)), "/u1/album/7");
  EXPECT_EQ(ToUtf8(AlbumTable.At(1, 3)), "SomeOne");
  // Upper-case block markers delimit blocks; blanks (full-width too) are removed everywhere.
  EXPECT_EQ(ToUtf8(AlbumTable.At(2, 1)), "三国演义");
  EXPECT_EQ(ToUtf8(AlbumTable.At(2, 2)), "/u2/album/8");
  EXPECT_EQ(ToUtf8(AlbumTable.At(2, 3)), "出版人");
  EXPECT_EQ(out, std::string(kSeparator) + "\r\n序号：1\r\n\r\n专辑名：MyAlbum\r\n发布人：SomeOne" +
                     kSeparator + "\r\n序号：2\r\n\r\n专辑名：三国演义\r\n发布人：出版人" +
                     kSeparator);
}

TEST_F(AlbumSearchTest, PublishersComeFromTheSecondAnswer) {
  SearchAddress = kAddress;
  int calls = 0;
  SetPageFetcher([&](std::string_view) {
    ++calls;
    return Text(calls == 1 ? "<div class=\"info title\"><a href=\"/a/album/1\" hashlink>A</a></div>"
                           : "<div class=\"info last\"><a hashlink>Second<i></div>");
  });
  Output(SearchAlbums);
  EXPECT_EQ(calls, 2);
  ASSERT_EQ(AlbumTable.DimensionCount(), 2);
  EXPECT_EQ(AlbumTable.At(1, 1), "A");
  EXPECT_EQ(AlbumTable.At(1, 3), "Second");
}

TEST_F(AlbumSearchTest, MissingMarkersGiveEmptyFieldsButTheAlbumIsListed) {
  SearchAddress = kAddress;
  Serve(kAddress,
        "<div class=\"info title\"><a href=\"/u1/album/7\" HASHLINK>Name</a></div>"
        "<div class=\"info last\">nobody</div>");
  const std::string out = Output(SearchAlbums);
  ASSERT_EQ(AlbumTable.DimensionCount(), 2);
  EXPECT_EQ(AlbumTable.At(1, 1), "");
  EXPECT_EQ(AlbumTable.At(1, 2), "");
  EXPECT_EQ(AlbumTable.At(1, 3), "");
  EXPECT_EQ(out, std::string(kSeparator) + "\r\n序号：1\r\n\r\n专辑名：\r\n发布人：" + kSeparator);
}

TEST_F(AlbumSearchTest, DifferingBlockCountsPrintOnlyTheSeparator) {
  SearchAddress = kAddress;
  Serve(kAddress,
        "<div class=\"info title\"><a href=\"/u/album/1\" hashlink>A</a></div>"
        "<div class=\"info title\"><a href=\"/u/album/2\" hashlink>B</a></div>"
        "<div class=\"info last\"><a hashlink>P<i></div>");
  EXPECT_EQ(Output(SearchAlbums), kSeparator);
  EXPECT_EQ(AlbumTable.DimensionCount(), 1);
  EXPECT_EQ(AlbumTable.ElementCount(), 0);
}

TEST_F(AlbumSearchTest, NoAlbumOrAFailedRequestLeavesTheTableEmpty) {
  SearchAddress = kAddress;  // nothing served: the fetch gives the empty text
  EXPECT_EQ(Output(SearchAlbums), kSeparator);
  EXPECT_EQ(AlbumTable.DimensionCount(), 1);
  EXPECT_EQ(AlbumTable.ElementCount(), 0);
  EXPECT_EQ(requested.size(), 2u);
}

}  // namespace
}  // namespace quellora
