// The dialogue and the command line of the built program, driven through stdin.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/album_site.h"
#include "support/quellora_dl.h"
#include "support/scratch_folder.h"

namespace quellora::testing {
namespace {

TEST(Dialogue, ThreeEmptyLinesGiveTheBannerAndTheNamePromptOnly) {
  AlbumSite site;
  const ProgramResult run = RunQuelloraDl({"--origin", site.Origin()}, "\n\n\n");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, BannerAndNamePrompt());
  EXPECT_EQ(run.err, "");
  EXPECT_TRUE(site.Targets().empty());
}

TEST(Dialogue, EndOfInputReadsAsEmptyLines) {
  AlbumSite site;
  for (const char* input : {"", "\n"}) {
    const ProgramResult run = RunQuelloraDl({"--origin", site.Origin()}, input);
    EXPECT_EQ(run.exitCode, 0) << input;
    EXPECT_EQ(run.out, BannerAndNamePrompt()) << input;
  }
  EXPECT_TRUE(site.Targets().empty());
}

TEST(Dialogue, EmptyNameThenIndexAndModeGiveZeroCountsAndNoRequest) {
  AlbumSite site;
  ScratchFolder out;
  const ProgramResult run =
      RunQuelloraDl({"--origin", site.Origin(), "--output-dir", out.path().string()}, "\n1\n1\n");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, BannerAndNamePrompt() + CountsAndModePrompt(0));
  EXPECT_TRUE(site.Targets().empty());
  EXPECT_TRUE(std::filesystem::is_empty(out.path()));
}

TEST(Dialogue, EndOfInputAfterTheIndexStillEndsNormally) {
  AlbumSite site;
  const ProgramResult run = RunQuelloraDl({"--origin", site.Origin()}, "\n1");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, BannerAndNamePrompt() + CountsAndModePrompt(0));
}

TEST(CommandLine, HelpNamesTheOptionsAndExitCodes) {
  const ProgramResult run = RunQuelloraDl({"--help"}, "");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find("--origin"), std::string::npos);
  EXPECT_NE(run.out.find("--output-dir"), std::string::npos);
  EXPECT_NE(run.out.find("Exit codes"), std::string::npos);
  EXPECT_NE(run.out.find("130  stopped by SIGINT"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("143  stopped by SIGTERM"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("软件说明"), std::string::npos);
}

TEST(CommandLine, VersionPrintsTheVersion) {
  const ProgramResult run = RunQuelloraDl({"--version"}, "");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out.rfind("quellora-dl ", 0), 0u) << run.out;
  EXPECT_EQ(run.out.find("软件说明"), std::string::npos);
}

TEST(CommandLine, BadOriginEndsWithUsageCodeBeforeTheDialogue) {
  for (const char* origin :
       {"127.0.0.1:8730", "ftp://127.0.0.1", "http://", "not a url", "http://127.0.0.1/?q=1", ""}) {
    const ProgramResult run = RunQuelloraDl({"--origin", origin}, "x\n1\n1\n");
    EXPECT_EQ(run.exitCode, 2) << origin;
    EXPECT_EQ(run.out, "") << origin;
    EXPECT_NE(run.err.find("--origin"), std::string::npos) << origin;
  }
}

TEST(CommandLine, UnknownOptionOrStrayArgumentIsAUsageError) {
  EXPECT_EQ(RunQuelloraDl({"--bogus"}, "").exitCode, 2);
  EXPECT_EQ(RunQuelloraDl({"stray"}, "").exitCode, 2);
  EXPECT_EQ(RunQuelloraDl({"--origin"}, "").exitCode, 2);
}

TEST(CommandLine, OutputFolderThatCannotBeCreatedEndsWithUsageCode) {
  ScratchFolder scratch;
  WriteWholeFile(scratch.path() / "file", "x");
  for (const auto& folder : {scratch.path() / "file", scratch.path() / "file" / "sub"}) {
    const ProgramResult run = RunQuelloraDl({"--output-dir", folder.string()}, "\n\n\n");
    EXPECT_EQ(run.exitCode, 2) << folder;
    EXPECT_EQ(run.out, "") << folder;
    EXPECT_NE(run.err.find("output folder"), std::string::npos) << run.err;
  }
}

TEST(CommandLine, MissingOutputFolderIsCreatedRelativeToTheStartFolder) {
  ScratchFolder scratch;
  ProgramOptions options;
  options.arguments = {"--output-dir", "made/here"};
  options.input = "\n\n\n";
  options.workingDirectory = scratch.path().string();
  options.environment = {"LANG=C.UTF-8"};
  const ProgramResult run = RunProgram(BinDir() + "/quellora-dl", options);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(std::filesystem::is_directory(scratch.path() / "made" / "here"));
}

}  // namespace
}  // namespace quellora::testing
