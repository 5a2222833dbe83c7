// The demo service serves the catalogue in the shapes the program cuts its fields from.
#include "support/demo_service.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "runtime/codepage.h"
#include "runtime/download.h"

namespace quellora {
namespace {

using testing::DemoService;

const std::string kSanguo = "/search/%E4%B8%89%E5%9B%BD";  // 三国, UTF-8 percent-encoded

// Every text between left and right, in order (the shape the program's block cutting sees).
std::vector<std::string> AllBetween(const std::string& text, const std::string& left,
                                    const std::string& right) {
  std::vector<std::string> pieces;
  std::size_t at = 0;
  while ((at = text.find(left, at)) != std::string::npos) {
    at += left.size();
    const std::size_t end = text.find(right, at);
    if (end == std::string::npos) break;
    pieces.push_back(text.substr(at, end - at));
    at = end + right.size();
  }
  return pieces;
}

std::string Between(const std::string& text, const std::string& left, const std::string& right) {
  const std::vector<std::string> pieces = AllBetween(text, left, right);
  return pieces.empty() ? std::string() : pieces.front();
}

// Holds a 4-byte UTF-8 sequence (a character beyond the Basic Multilingual Plane).
bool HasFourByteCharacter(const std::string& utf8) {
  for (const char c : utf8) {
    if ((static_cast<unsigned char>(c) & 0xF8) == 0xF0) return true;
  }
  return false;
}

class DemoServiceTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(service_.Started()) << "QUELLORA_BIN_DIR set?"; }

  httplib::Result Get(const std::string& target) {
    httplib::Client client(service_.Origin());
    return client.Get(target.c_str());
  }
  std::string Body(const std::string& target) {
    auto result = Get(target);
    return result ? result->body : std::string();
  }

  DemoService service_{{"--audio-bytes", "5000"}};
};

TEST_F(DemoServiceTest, AnnouncesItsAddressOnTheFirstLine) {
  EXPECT_TRUE(std::regex_match(service_.Origin(), std::regex(R"(http://127\.0\.0\.1:[0-9]+)")))
      << service_.Origin();
}

TEST_F(DemoServiceTest, SearchListsTitleAndPublisherBlocksInPairs) {
  auto result = Get(kSanguo);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 200);
  const std::string& page = result->body;
  const auto titles = AllBetween(page, "<div class=\"info title\">", "</div>");
  const auto publishers = AllBetween(page, "<div class=\"info last\">", "</div>");
  ASSERT_GE(titles.size(), 2u);
  ASSERT_EQ(titles.size(), publishers.size());
  for (std::size_t i = 0; i < titles.size(); ++i) {
    const std::string name = Between(titles[i], "hashlink>", "</a>");
    const std::string link = Between(titles[i], "<a href=\"", "\" hashlink>");
    const std::string publisher = Between(publishers[i], "hashlink>", "<i");
    EXPECT_NE(name.find("三国"), std::string::npos) << name;
    EXPECT_NE(name.find("《"), std::string::npos) << name;
    EXPECT_NE(name.find("》"), std::string::npos) << name;
    EXPECT_NE(name.find(' '), std::string::npos) << name;
    EXPECT_NE(publisher.find(' '), std::string::npos) << publisher;
    EXPECT_TRUE(std::regex_match(link, std::regex("/[^/]+/album/[^/]+"))) << link;
  }
  EXPECT_NE(page.substr(0, 1024).find("charset=utf-8"), std::string::npos);
  EXPECT_EQ(result->get_header_value("Content-Type"), "text/html; charset=utf-8");
}

TEST_F(DemoServiceTest, SearchMatchesOnlyAlbumsHoldingTheName) {
  const std::string page = Body("/search/%E8%A5%BF%E6%B8%B8");  // 西游
  ASSERT_EQ(AllBetween(page, "<div class=\"info title\">", "</div>").size(), 1u);
  const std::string none = Body("/search/%E7%BA%A2%E6%A5%BC%E6%A2%A6");  // 红楼梦
  EXPECT_TRUE(AllBetween(none, "<div class=\"info title\">", "</div>").empty());
  EXPECT_TRUE(AllBetween(none, "<div class=\"info last\">", "</div>").empty());
}

TEST_F(DemoServiceTest, FirstSanguoAlbumHasAPagingBarAndTwentyFiveTracks) {
  const std::string search = Body(kSanguo);
  const std::string link = Between(Between(search, "<div class=\"info title\">", "</div>"),
                                   "<a href=\"", "\" hashlink>");
  ASSERT_FALSE(link.empty());
  const std::string owner = Between(link, "/", "/");

  const std::string first = Body(link);
  const std::string bar = Between(first, "<div class=\"pagingBar_wrapper\"", "</div>");
  std::vector<std::string> digits;
  const std::regex pageLink("data-page='(\\d)'");
  for (auto it = std::sregex_iterator(bar.begin(), bar.end(), pageLink);
       it != std::sregex_iterator(); ++it) {
    digits.push_back((*it)[1]);
  }
  ASSERT_GE(digits.size(), 4u) << bar;
  EXPECT_LT(std::set<std::string>(digits.begin(), digits.end()).size(), digits.size())
      << "the next link repeats a page digit";

  std::vector<std::string> ids;
  int pagesWithTracks = 0;
  for (std::size_t p = 1; p <= digits.size(); ++p) {
    const std::string page = Body(link + "?page=" + std::to_string(p));
    const auto anchors = AllBetween(page, "<a class=\"title\"", ">");
    if (!anchors.empty()) ++pagesWithTracks;
    for (const std::string& anchor : anchors) {
      ids.push_back(Between(anchor, "href=\"/" + owner + "/sound/", "\""));
      EXPECT_FALSE(ids.back().empty()) << anchor;
    }
  }
  EXPECT_GE(pagesWithTracks, 3);
  EXPECT_EQ(ids.size(), 25u);
  EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), ids.size());
}

TEST_F(DemoServiceTest, TrackDescriptionsAreUtf8JsonWithTheThreeMembers) {
  bool unsafeForFileNames = false;
  bool outsideGbk = false;
  for (int id = 10001; id <= 10025; ++id) {
    auto result = Get("/tracks/" + std::to_string(id) + ".json");
    ASSERT_TRUE(result);
    ASSERT_EQ(result->status, 200);
    EXPECT_EQ(result->get_header_value("Content-Type"), "application/json; charset=utf-8");
    const auto json = nlohmann::json::parse(result->body);
    const std::string play = json.at("play_path");
    const std::string title = json.at("title");
    EXPECT_EQ(play.rfind(service_.Origin() + "/", 0), 0u) << play;
    EXPECT_FALSE(std::string(json.at("album_title")).empty());
    EXPECT_FALSE(title.empty());
    if (title.find_first_of("/:") != std::string::npos) unsafeForFileNames = true;
    if (HasFourByteCharacter(title)) {
      outsideGbk = true;
      EXPECT_FALSE(ConvertStrict(title, "UTF-8", "GBK").has_value()) << title;
    }
  }
  EXPECT_TRUE(unsafeForFileNames);
  EXPECT_TRUE(outsideGbk);
  EXPECT_EQ(Get("/tracks/nope.json")->status, 404);
}

TEST_F(DemoServiceTest, AudioIsSilentMp3FramesOfTheRequestedSize) {
  const auto json = nlohmann::json::parse(Body("/tracks/10001.json"));
  const std::string play = json.at("play_path");
  auto result = Get(play.substr(service_.Origin().size()));
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 200);
  EXPECT_EQ(result->get_header_value("Content-Type"), "audio/mpeg");
  const std::string& audio = result->body;
  ASSERT_EQ(audio.size(), 5000u);
  // MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, no padding: a frame every 417 bytes.
  for (std::size_t at = 0; at + 4 <= audio.size(); at += 417) {
    EXPECT_EQ(audio.substr(at, 4), "\xFF\xFB\x90\xC4") << "frame at " << at;
    if (at + 417 <= audio.size()) {
      EXPECT_EQ(audio.substr(at + 4, 413), std::string(413, '\0'));
    }
  }
}

TEST_F(DemoServiceTest, OneAlbumIsServedInGbkAndSaysSo) {
  const auto titles = AllBetween(Body(kSanguo), "<div class=\"info title\">", "</div>");
  ASSERT_GE(titles.size(), 2u);
  const std::string link = Between(titles[1], "<a href=\"", "\" hashlink>");
  auto result = Get(link);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->get_header_value("Content-Type"), "text/html; charset=gbk");
  const std::string& page = result->body;
  EXPECT_NE(page.substr(0, 1024).find("charset=gbk"), std::string::npos);
  EXPECT_FALSE(ConvertStrict(page, "UTF-8", "UTF-16LE").has_value()) << "not UTF-8";
  const auto decoded = ConvertStrict(page, "GBK", "UTF-8");
  ASSERT_TRUE(decoded.has_value());
  EXPECT_NE(decoded->find("三国志"), std::string::npos);
  EXPECT_FALSE(AllBetween(page, "<a class=\"title\"", ">").empty());
}

TEST_F(DemoServiceTest, TheDownloadOperationFetchesAWholeTrack) {
  const auto json = nlohmann::json::parse(Body("/tracks/10005.json"));
  Bytes audio;
  const DownloadResult result =
      HttpReadFileChecked(FromUtf8(json.at("play_path").get<std::string>()), audio);
  EXPECT_TRUE(result.ok) << result.failure;
  EXPECT_EQ(audio.size(), 5000u);
}

TEST(DemoServiceLogTest, LogsMethodTargetAndVersionPerRequest) {
  DemoService service({"--log"});
  ASSERT_TRUE(service.Started());
  httplib::Client client(service.Origin());
  ASSERT_TRUE(client.Get(kSanguo.c_str()));
  EXPECT_EQ(service.ReadLine(), "GET " + kSanguo + " HTTP/1.1");
  HttpReadFile(service.Origin() + "/tracks/10001.json");
  EXPECT_EQ(service.ReadLine(), "GET /tracks/10001.json HTTP/1.0");
}

TEST(DemoServicePacingTest, PacedAnswersStayComplete) {
  DemoService service({"--rate", "4096", "--latency-ms", "5", "--audio-bytes", "100000"});
  ASSERT_TRUE(service.Started());
  Bytes audio;
  const DownloadResult result = HttpReadFileChecked(service.Origin() + "/audio/10001.mp3", audio);
  EXPECT_TRUE(result.ok) << result.failure;
  ASSERT_EQ(audio.size(), 100000u);
  EXPECT_EQ(audio[417], 0xFF);
  Bytes page;
  EXPECT_TRUE(HttpReadFileChecked(service.Origin() + "/u1001/album/7?page=3", page).ok);
  EXPECT_NE(std::string(page.begin(), page.end()).find("/u1001/sound/10025"), std::string::npos);
}

}  // namespace
}  // namespace quellora
