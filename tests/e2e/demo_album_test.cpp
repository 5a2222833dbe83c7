// The whole job against the bundled demo service: search, pick, download every track.
#include <gtest/gtest.h>
#include <httplib.h>

#include <filesystem>

#include "support/demo_service.h"
#include "support/quellora_dl.h"
#include "support/scratch_folder.h"

namespace quellora::testing {
namespace {

namespace fs = std::filesystem;

TEST(DemoAlbum, SavesEveryTrackOfTheChosenAlbum) {
  DemoService demo({"--audio-bytes", "4096"});
  ASSERT_TRUE(demo.Started());
  ScratchFolder out;
  const ProgramResult run = RunQuelloraDl(
      {"--origin", demo.Origin(), "--output-dir", out.path().string()}, "三国\n1\n1\n");
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("\r\n专辑名：三国演义评书全集"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\r\n专辑名：三国志白话精读"), std::string::npos);
  EXPECT_NE(run.out.find(CountsAndModePrompt(25)), std::string::npos);
  EXPECT_NE(run.out.find(ClosingLine(25, 0)), std::string::npos);
  EXPECT_EQ(run.out.find("    失败"), std::string::npos);

  // Every track is there with the bytes the service sends; the "/" and ":" of one title are made
  // safe, the characters outside GBK survive.
  httplib::Client client(demo.Origin());
  const auto audio = client.Get("/audio/10001.mp3");
  ASSERT_TRUE(audio);
  ASSERT_EQ(audio->body.size(), 4096u);
  const fs::path album = out.path() / "三国演义";
  int files = 0;
  for (const auto& entry : fs::directory_iterator(album)) {
    ++files;
    EXPECT_EQ(ReadWholeFile(entry.path()), audio->body) << entry.path();
  }
  EXPECT_EQ(files, 25);
  EXPECT_TRUE(fs::exists(album / "第01回 宴桃园豪杰三结义.MP3"));
  EXPECT_TRUE(fs::exists(album / "第03回 吕布_貂蝉_ 连环计.MP3"));
  EXPECT_TRUE(fs::exists(album / "第05回 千里走单骑 🐎.MP3"));
  EXPECT_TRUE(fs::exists(album / "第25回 秋风五丈原.MP3"));
}

TEST(DemoAlbum, GbkAlbumWithoutSurprises) {
  DemoService demo({"--audio-bytes", "1000"});
  ASSERT_TRUE(demo.Started());
  ScratchFolder out;
  const ProgramResult run = RunQuelloraDl(
      {"--origin", demo.Origin(), "--output-dir", out.path().string()}, "三国\n2\n1\n");
  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_NE(run.out.find(CountsAndModePrompt(12)), std::string::npos) << run.out;
  EXPECT_TRUE(fs::exists(out.path() / "三国志" / "魏书 武帝纪.MP3"));
}

}  // namespace
}  // namespace quellora::testing
