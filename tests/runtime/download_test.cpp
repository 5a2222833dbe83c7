#include "runtime/download.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "runtime/codepage.h"
#include "runtime/interrupt.h"
#include "runtime/transfer_policy.h"
#include "support/memory_probe.h"
#include "support/raw_http_server.h"
#include "support/recording_server.h"
#include "support/scratch_folder.h"
#include "support/socket_servers.h"

namespace quellora {
namespace {

using testing::ResidentBytes;

namespace fs = std::filesystem;
using testing::RawHttpServer;
using testing::RawReply;
using testing::RawRequest;
using testing::ReadWholeFile;
using testing::RecordingServer;
using testing::ScratchFolder;
using testing::ScriptedSocketServer;
using testing::SilentListener;
using testing::WriteWholeFile;

constexpr const char* kProxyVariables[] = {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY",
                                           "all_proxy",  "ALL_PROXY",   "no_proxy",   "NO_PROXY"};

constexpr std::size_t kSize = 200u * 1024 * 1024;
constexpr std::size_t kChunk = 64 * 1024;

std::string AsString(const Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

Text Gb(const fs::path& path) {
  return FromUtf8(path.string());
}

int EntryCount(const fs::path& folder) {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++count;
  return count;
}

// Every test starts without proxy variables and with short limits, and gets back the
// environment and limits it found.
class DownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : kProxyVariables) {
      if (const char* value = std::getenv(name)) saved_[name] = value;
      unsetenv(name);
    }
    savedPolicy_ = GetTransferPolicy();
    TransferPolicy policy = savedPolicy_;
    policy.connectTimeout = std::chrono::milliseconds(3000);
    policy.rateWindow = std::chrono::seconds(2);
    SetTransferPolicy(policy);
  }
  void TearDown() override {
    for (const char* name : kProxyVariables) unsetenv(name);
    for (const auto& [name, value] : saved_) setenv(name.c_str(), value.c_str(), 1);
    SetTransferPolicy(savedPolicy_);
    SetInterruptSignal(0);
  }

 private:
  std::map<std::string, std::string> saved_;
  TransferPolicy savedPolicy_;
};

// A server with a few fixed answers.
RecordingServer MakeSite() {
  return RecordingServer([](const httplib::Request& request, httplib::Response& response) {
    if (request.path == "/ok") {
      response.set_content(std::string("body\0with nul", 13), "audio/mpeg");
    } else if (request.path == "/old") {
      response.set_redirect("/ok");
    } else {
      response.status = 404;
      response.set_content("<html><body>not here</body></html>", "text/html");
    }
  });
}

TEST_F(DownloadTest, ReturnsTheBodyOfA200) {
  RecordingServer site = MakeSite();
  Bytes body;
  const DownloadResult result = HttpReadFileChecked(site.Origin() + "/ok", body);
  EXPECT_TRUE(result.ok) << result.failure;
  EXPECT_EQ(result.status, 200);
  EXPECT_TRUE(result.whole);
  EXPECT_EQ(result.contentLength, 13);
  EXPECT_EQ(AsString(body), std::string("body\0with nul", 13));
  EXPECT_EQ(AsString(HttpReadFile(site.Origin() + "/ok")), std::string("body\0with nul", 13));
}

TEST_F(DownloadTest, A404GivesItsBodyAndItsStatus) {
  RecordingServer site = MakeSite();
  EXPECT_EQ(AsString(HttpReadFile(site.Origin() + "/missing")),
            "<html><body>not here</body></html>");
  Bytes body;
  const DownloadResult result = HttpReadFileChecked(site.Origin() + "/missing", body);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.status, 404);
  EXPECT_TRUE(result.whole);
  EXPECT_EQ(result.failure, "HTTP 404");
}

TEST_F(DownloadTest, RedirectsAreFollowed) {
  RecordingServer site = MakeSite();
  Bytes body;
  const DownloadResult result = HttpReadFileChecked(site.Origin() + "/old", body);
  EXPECT_TRUE(result.ok) << result.failure;
  EXPECT_EQ(result.status, 200);
  EXPECT_EQ(AsString(body), std::string("body\0with nul", 13));
  ASSERT_EQ(site.Requests().size(), 2u);
  EXPECT_EQ(site.Requests()[1].target, "/ok");
}

TEST_F(DownloadTest, TheFragmentIsNotSent) {
  RecordingServer site = MakeSite();
  HttpReadFile(site.Origin() + "/ok?x=1#part-2");
  ASSERT_EQ(site.Requests().size(), 1u);
  EXPECT_EQ(site.Requests()[0].target, "/ok?x=1");
}

TEST_F(DownloadTest, BlanksAndNonAsciiAreSentPercentEncodedUtf8) {
  RecordingServer site = MakeSite();
  HttpReadFile(site.Origin() + FromUtf8("/专辑 一/第1回 🐎.mp3?q=a b"));
  ASSERT_EQ(site.Requests().size(), 1u);
  EXPECT_EQ(site.Requests()[0].target,
            "/%E4%B8%93%E8%BE%91%20%E4%B8%80/%E7%AC%AC1%E5%9B%9E%20%F0%9F%90%8E.mp3?q=a%20b");
}

TEST_F(DownloadTest, TheRequestIsAnHttp10GetWithTheFixedHeaders) {
  ScriptedSocketServer server([](const std::string&) {
    return std::string("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nhi");
  });
  Bytes body;
  const DownloadResult result = HttpReadFileChecked(server.Origin() + "/a/b.mp3?k=v", body);
  EXPECT_TRUE(result.ok) << result.failure;
  ASSERT_EQ(server.Heads().size(), 1u);
  const std::string head = server.Heads()[0];
  EXPECT_EQ(head.rfind("GET /a/b.mp3?k=v HTTP/1.0\r\n", 0), 0u) << head;
  EXPECT_NE(head.find("\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n"),
            std::string::npos)
      << head;
  EXPECT_NE(head.find("\r\nAccept: */*\r\n"), std::string::npos) << head;
  EXPECT_EQ(head.find("Accept:"), head.rfind("Accept:")) << "one Accept header only: " << head;
  EXPECT_NE(head.find("\r\nPragma: no-cache\r\n"), std::string::npos) << head;
  EXPECT_NE(head.find("\r\nHost: 127.0.0.1:"), std::string::npos) << head;
  EXPECT_EQ(head.substr(head.size() - 4), "\r\n\r\n");
}

TEST_F(DownloadTest, ABodyCutShortIsReportedAsNotWhole) {
  ScriptedSocketServer server([](const std::string&) {
    return std::string("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n0123456789");
  });
  Bytes body;
  const DownloadResult result = HttpReadFileChecked(server.Origin() + "/t.mp3", body);
  EXPECT_FALSE(result.ok);
  EXPECT_FALSE(result.whole);
  EXPECT_EQ(result.status, 200);
  EXPECT_EQ(result.received, 10);
  EXPECT_EQ(result.contentLength, 100);
  EXPECT_NE(result.failure.find("cut short"), std::string::npos) << result.failure;
  EXPECT_EQ(AsString(body), "0123456789") << "the bytes received so far are kept";
}

TEST_F(DownloadTest, ABodyEndedByCloseWithoutLengthIsWhole) {
  ScriptedSocketServer server(
      [](const std::string&) { return std::string("HTTP/1.0 200 OK\r\n\r\nuntil close"); });
  Bytes body;
  const DownloadResult result = HttpReadFileChecked(server.Origin() + "/t.mp3", body);
  EXPECT_TRUE(result.ok) << result.failure;
  EXPECT_EQ(result.contentLength, -1);
  EXPECT_EQ(AsString(body), "until close");
}

TEST_F(DownloadTest, AHostThatNeverAnswersGivesEmptyBytes) {
  TransferPolicy policy = GetTransferPolicy();
  policy.connectTimeout = std::chrono::milliseconds(1000);
  policy.rateWindow = std::chrono::seconds(1);
  SetTransferPolicy(policy);
  SilentListener silent;
  Bytes body{1, 2, 3};
  const DownloadResult result = HttpReadFileChecked(silent.Origin() + "/t.mp3", body);
  EXPECT_TRUE(body.empty());
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.status, 0);
  EXPECT_FALSE(result.failure.empty());
  EXPECT_TRUE(HttpReadFile(silent.Origin() + "/t.mp3").empty());
}

TEST_F(DownloadTest, AClosedPortGivesEmptyBytesAndSaysSo) {
  const std::string address = "http://127.0.0.1:" + std::to_string(testing::ClosedPort()) + "/t";
  Bytes body;
  const DownloadResult result = HttpReadFileChecked(address, body);
  EXPECT_TRUE(body.empty());
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.failure.rfind("cannot connect", 0), 0u) << result.failure;
}

TEST_F(DownloadTest, TheEmptyAddressMakesNoRequest) {
  // Any request would have to go through the proxy, which records it.
  RecordingServer proxy = MakeSite();
  setenv("http_proxy", proxy.Origin().c_str(), 1);
  Bytes body;
  const DownloadResult result = HttpReadFileChecked("", body);
  EXPECT_TRUE(body.empty());
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.failure, "empty address");
  EXPECT_TRUE(HttpReadFile("").empty());
  EXPECT_TRUE(proxy.Requests().empty());
}

TEST_F(DownloadTest, OtherSchemesAreRefusedWithoutTouchingThem) {
  ScriptedSocketServer server([](const std::string&) { return std::string(); });
  const std::string hostAndPort = server.Origin().substr(7);
  const std::vector<std::string> addresses = {"ftp://" + hostAndPort + "/t.mp3",
                                              "file:///etc/passwd", "127.0.0.1/no-scheme",
                                              "gopher://" + hostAndPort + "/"};
  for (const std::string& address : addresses) {
    Bytes body;
    const DownloadResult result = HttpReadFileChecked(address, body);
    EXPECT_TRUE(body.empty()) << address;
    EXPECT_FALSE(result.ok) << address;
  }
  EXPECT_TRUE(server.Heads().empty());
}

TEST_F(DownloadTest, TheProxyFromTheEnvironmentCarriesTheRequest) {
  RecordingServer proxy([](const httplib::Request&, httplib::Response& response) {
    response.set_content("via proxy", "text/plain");
  });
  setenv("http_proxy", proxy.Origin().c_str(), 1);
  EXPECT_EQ(AsString(HttpReadFile("http://audio.example.invalid/t.mp3")), "via proxy");
  ASSERT_EQ(proxy.Requests().size(), 1u);
  EXPECT_EQ(proxy.Requests()[0].target, "http://audio.example.invalid/t.mp3");
}

TEST_F(DownloadTest, NoProxyHostsAreReachedDirectly) {
  RecordingServer proxy = MakeSite();
  RecordingServer site = MakeSite();
  setenv("http_proxy", proxy.Origin().c_str(), 1);
  setenv("no_proxy", "127.0.0.1", 1);
  EXPECT_EQ(HttpReadFile(site.Origin() + "/ok").size(), 13u);
  EXPECT_EQ(site.Requests().size(), 1u);
  EXPECT_TRUE(proxy.Requests().empty());
}

// The streaming form.

TEST_F(DownloadTest, StreamingPutsTheFileInPlaceOnSuccess) {
  RecordingServer site = MakeSite();
  ScratchFolder scratch;
  const fs::path file = scratch.path() / "第01回 桃园.MP3";
  WriteWholeFile(file, "old");
  const DownloadResult result = HttpDownloadFile(site.Origin() + "/ok", Gb(file));
  EXPECT_TRUE(result.ok) << result.failure;
  EXPECT_EQ(ReadWholeFile(file), std::string("body\0with nul", 13));
  EXPECT_EQ(EntryCount(scratch.path()), 1);
}

TEST_F(DownloadTest, IntoAnExistingFileReplacesItsBytesInPlace) {
  RecordingServer site = MakeSite();
  ScratchFolder scratch;
  const fs::path file = scratch.path() / ".pending";
  WriteWholeFile(file, "older and longer content");
  const DownloadResult result = HttpDownloadInto(site.Origin() + "/ok", file);
  EXPECT_TRUE(result.ok) << result.failure;
  EXPECT_EQ(ReadWholeFile(file), std::string("body\0with nul", 13));
  EXPECT_EQ(EntryCount(scratch.path()), 1);  // no temporary file beside it
}

TEST_F(DownloadTest, IntoAFileFailsWithoutRemovingIt) {
  RecordingServer site = MakeSite();
  ScratchFolder scratch;
  const fs::path file = scratch.path() / ".pending";
  WriteWholeFile(file, "");
  const DownloadResult notFound = HttpDownloadInto(site.Origin() + "/missing", file);
  EXPECT_FALSE(notFound.ok);
  EXPECT_EQ(notFound.failure, "HTTP 404");
  EXPECT_TRUE(fs::exists(file));  // the caller owns the file and discards it
  const DownloadResult noFile = HttpDownloadInto(site.Origin() + "/ok", scratch.path() / "absent");
  EXPECT_FALSE(noFile.ok);
  EXPECT_EQ(noFile.failure, "cannot create file");
  EXPECT_FALSE(fs::exists(scratch.path() / "absent"));
  EXPECT_EQ(HttpDownloadInto(site.Origin() + "/ok", fs::path()).failure, "no file name");
  EXPECT_EQ(HttpDownloadInto("", file).failure, "empty address");
}

TEST_F(DownloadTest, CallsOnDifferentThreadsRunAtTheSameTime) {
  // Each answer waits (with a deadline) until the other request has arrived too: with calls
  // serialised the first would wait out the deadline and the second would find it passed.
  std::mutex mutex;
  std::condition_variable arrived;
  int inside = 0;
  int peak = 0;
  RecordingServer site([&](const httplib::Request&, httplib::Response& response) {
    std::unique_lock lock(mutex);
    ++inside;
    peak = std::max(peak, inside);
    arrived.notify_all();
    arrived.wait_for(lock, std::chrono::seconds(20), [&] { return peak >= 2; });
    --inside;
    response.set_content("x", "audio/mpeg");
  });
  DownloadResult first;
  DownloadResult second;
  Bytes otherBody;
  std::thread other([&] { second = HttpReadFileChecked(site.Origin() + "/a", otherBody); });
  Bytes body;
  first = HttpReadFileChecked(site.Origin() + "/b", body);
  other.join();
  EXPECT_TRUE(first.ok) << first.failure;
  EXPECT_TRUE(second.ok) << second.failure;
  std::lock_guard lock(mutex);
  EXPECT_EQ(peak, 2);
}

TEST_F(DownloadTest, ThePathFormWritesIntoAFolderWhoseNameIsNoValidUtf8) {
  RecordingServer site = MakeSite();
  ScratchFolder scratch;
  const fs::path folder = scratch.path() / std::string("album \xFF");
  ASSERT_TRUE(fs::create_directory(folder));
  const fs::path file = folder / std::string("\xFF t.MP3");
  WriteWholeFile(file, "old");
  const DownloadResult result = HttpDownloadFile(site.Origin() + "/ok", file);
  EXPECT_TRUE(result.ok) << result.failure;
  EXPECT_EQ(ReadWholeFile(file), std::string("body\0with nul", 13));
  EXPECT_EQ(EntryCount(folder), 1) << "no temporary file beside the track";
  EXPECT_EQ(HttpDownloadFile(site.Origin() + "/ok", fs::path()).failure, "no file name");
}

struct FailedDownload {
  const char* name;
  std::string reply;
  const char* failureStart;
};

class StreamingFailureTest : public DownloadTest,
                             public ::testing::WithParamInterface<FailedDownload> {};

TEST_P(StreamingFailureTest, LeavesAnExistingFileUntouchedAndNoTemporaryFile) {
  ScriptedSocketServer server([](const std::string&) { return GetParam().reply; });
  ScratchFolder scratch;
  const fs::path file = scratch.path() / "t.MP3";
  WriteWholeFile(file, "the good old bytes");
  const DownloadResult result = HttpDownloadFile(server.Origin() + "/t.mp3", Gb(file));
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.failure.rfind(GetParam().failureStart, 0), 0u) << result.failure;
  EXPECT_EQ(ReadWholeFile(file), "the good old bytes");
  EXPECT_EQ(EntryCount(scratch.path()), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, StreamingFailureTest,
    ::testing::Values(FailedDownload{"NotFound",
                                     "HTTP/1.0 404 Not Found\r\nContent-Length: 5\r\n\r\nnope!",
                                     "HTTP 404"},
                      FailedDownload{"ServerError", "HTTP/1.0 500 Oops\r\n\r\nbroken", "HTTP 500"},
                      FailedDownload{"CutShort",
                                     "HTTP/1.0 200 OK\r\nContent-Length: 50\r\n\r\nonly ten..",
                                     "body cut short"},
                      FailedDownload{"NoAnswerAtAll", "", ""}),
    [](const ::testing::TestParamInfo<FailedDownload>& info) { return info.param.name; });

TEST_F(DownloadTest, StreamingWithoutAFileNameDoesNotTouchTheDisk) {
  RecordingServer site = MakeSite();
  EXPECT_FALSE(HttpDownloadFile(site.Origin() + "/ok", "").ok);
  ScratchFolder scratch;
  const DownloadResult result =
      HttpDownloadFile(site.Origin() + "/ok", Gb(scratch.path() / "missing" / "t.MP3"));
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.failure, "cannot create file");
  EXPECT_EQ(EntryCount(scratch.path()), 0);
}

TEST_F(DownloadTest, AFailedWriteWhileStreamingLeavesTheExistingFile) {
  RecordingServer site([](const httplib::Request&, httplib::Response& response) {
    response.set_content(std::string(256 * 1024, 'a'), "audio/mpeg");
  });
  ScratchFolder scratch;
  const fs::path file = scratch.path() / "t.MP3";
  WriteWholeFile(file, "the good old bytes");
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  auto* previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit lowered = saved;
  lowered.rlim_cur = 64 * 1024;
  setrlimit(RLIMIT_FSIZE, &lowered);
  const DownloadResult result = HttpDownloadFile(site.Origin() + "/t.mp3", Gb(file));
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.failure, "cannot write file");
  EXPECT_EQ(ReadWholeFile(file), "the good old bytes");
  EXPECT_EQ(EntryCount(scratch.path()), 1);
}

TEST_F(DownloadTest, Streaming200MegabytesKeepsMemoryFlat) {
  const long before = ResidentBytes();
  std::atomic<long> peak{before};
  // One chunk buffer for the whole body: allocating one per call would make the sanitizer
  // build's quarantine of freed blocks show up as growth.
  auto chunk = std::make_shared<std::string>(kChunk, '\0');
  RecordingServer site([&peak, chunk](const httplib::Request&, httplib::Response& response) {
    response.set_content_provider(
        kSize, "audio/mpeg",
        [&peak, chunk](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
          // The provider runs while the client receives: sample the process's memory here.
          const long now = ResidentBytes();
          long seen = peak.load();
          while (now > seen && !peak.compare_exchange_weak(seen, now)) {
          }
          const std::size_t n = std::min(length, kChunk);
          for (std::size_t i = 0; i < n; ++i) {
            (*chunk)[i] = static_cast<char>((offset + i) % 251);
          }
          return sink.write(chunk->data(), n);
        });
  });
  ScratchFolder scratch;
  const fs::path file = scratch.path() / "big.MP3";
  const DownloadResult result = HttpDownloadFile(site.Origin() + "/big.mp3", Gb(file));
  const long after = ResidentBytes();
  ASSERT_TRUE(result.ok) << result.failure;
  EXPECT_EQ(result.received, static_cast<std::int64_t>(kSize));
  ASSERT_EQ(fs::file_size(file), kSize);
  // Holding the body would add at least its 200 MB; a streaming copy adds a few buffers (the
  // sanitizer build's quarantine of freed blocks adds some tens of MB on its own).
  EXPECT_LT(std::max(peak.load(), after) - before, 100L * 1024 * 1024)
      << "resident memory grew with the body";
  std::ifstream stream(file, std::ios::binary);
  stream.seekg(static_cast<std::streamoff>(kSize - 3));
  char tail[3] = {};
  stream.read(tail, 3);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(static_cast<unsigned char>(tail[i]), (kSize - 3 + i) % 251);
  }
}

// The transfer policy: size limits, the trickle rule, interrupts.

constexpr std::int64_t kSmallLimit = 1 << 20;

// Shortens both size limits to 1 MiB for the test that makes one.
void UseSmallLimits() {
  TransferPolicy policy = GetTransferPolicy();
  policy.memoryLimit = kSmallLimit;
  policy.fileLimit = kSmallLimit;
  SetTransferPolicy(policy);
}

// A server whose every answer is a body without end, written as fast as the client takes it.
RecordingServer MakeEndlessSite() {
  auto chunk = std::make_shared<std::string>(64 * 1024, 'e');
  return RecordingServer([chunk](const httplib::Request&, httplib::Response& response) {
    response.set_content_provider("audio/mpeg", [chunk](std::size_t, httplib::DataSink& sink) {
      return sink.write(chunk->data(), chunk->size());
    });
  });
}

// Waits (at most 10 s) until server has seen a request, then sets the interrupt flag.
std::thread InterruptOnceRequested(const RawHttpServer& server) {
  return std::thread([&server] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (server.Requests().empty() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    SetInterruptSignal(SIGINT);
  });
}

TEST_F(DownloadTest, AnEndlessBodyFailsAtTheFileLimitAndLeavesNoFile) {
  UseSmallLimits();
  RecordingServer site = MakeEndlessSite();
  ScratchFolder scratch;
  const fs::path file = scratch.path() / "t.MP3";
  WriteWholeFile(file, "the good old bytes");
  const DownloadResult result = HttpDownloadFile(site.Origin() + "/t.mp3", file);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.failure, "larger than 1 MiB");
  EXPECT_LE(result.received, kSmallLimit);
  EXPECT_EQ(ReadWholeFile(file), "the good old bytes");
  EXPECT_EQ(EntryCount(scratch.path()), 1) << "no temporary file may stay";
}

TEST_F(DownloadTest, AnEndlessBodyInMemoryStopsAtTheMemoryLimit) {
  UseSmallLimits();
  RecordingServer site = MakeEndlessSite();
  Bytes body;
  const DownloadResult result = HttpReadFileChecked(site.Origin() + "/t.mp3", body);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.failure, "larger than 1 MiB");
  EXPECT_LE(body.size(), static_cast<std::size_t>(kSmallLimit));
}

// Announces one byte more than the small limit, then sends nothing and holds the connection:
// only the announcement can end the transfer soon.
RawReply AnnouncingTooMuch(const RawRequest&) {
  return RawReply{"HTTP/1.0 200 OK\r\nContent-Length: 1048577\r\n\r\n", false, true};
}

TEST_F(DownloadTest, AContentLengthAboveTheLimitFailsBeforeAnyBodyIsRead) {
  UseSmallLimits();
  RawHttpServer server(&AnnouncingTooMuch);
  ScratchFolder scratch;
  const fs::path file = scratch.path() / "t.MP3";
  WriteWholeFile(file, "the good old bytes");
  const DownloadResult result = HttpDownloadFile(server.Origin() + "/t.mp3", file);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.failure, "larger than 1 MiB");
  EXPECT_EQ(result.received, 0);
  EXPECT_EQ(ReadWholeFile(file), "the good old bytes");
  EXPECT_EQ(EntryCount(scratch.path()), 1);
}

TEST_F(DownloadTest, AContentLengthAboveTheLimitFailsBeforeAnyBodyIsReadInMemory) {
  UseSmallLimits();
  RawHttpServer server(&AnnouncingTooMuch);
  Bytes body;
  const DownloadResult result = HttpReadFileChecked(server.Origin() + "/t.mp3", body);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.failure, "larger than 1 MiB");
  EXPECT_TRUE(body.empty());
}

TEST_F(DownloadTest, TheDefaultFileLimitIsFourGibibytes) {
  RawHttpServer server([](const RawRequest&) {
    return RawReply{"HTTP/1.0 200 OK\r\nContent-Length: 4294967297\r\n\r\n", false, true};
  });
  ScratchFolder scratch;
  const DownloadResult result =
      HttpDownloadFile(server.Origin() + "/t.mp3", scratch.path() / "t.MP3");
  EXPECT_EQ(result.failure, "larger than 4 GiB");
  EXPECT_EQ(EntryCount(scratch.path()), 0);
}

TEST_F(DownloadTest, ExactlyTheLimitIsFineOneByteMoreFails) {
  UseSmallLimits();
  struct LimitCase {
    std::int64_t size;
    bool announced;
    bool ok;
  };
  for (const LimitCase& param :
       {LimitCase{kSmallLimit, true, true}, LimitCase{kSmallLimit + 1, true, false},
        LimitCase{kSmallLimit, false, true}, LimitCase{kSmallLimit + 1, false, false}}) {
    SCOPED_TRACE(std::to_string(param.size) + (param.announced ? " bytes announced" : " bytes"));
    const std::string body(static_cast<std::size_t>(param.size), 'b');
    ScriptedSocketServer server([&](const std::string&) {
      const std::string length =
          param.announced ? "Content-Length: " + std::to_string(body.size()) + "\r\n" : "";
      return "HTTP/1.0 200 OK\r\n" + length + "\r\n" + body;
    });
    ScratchFolder scratch;
    const fs::path file = scratch.path() / "t.MP3";
    const DownloadResult result = HttpDownloadFile(server.Origin() + "/t.mp3", file);
    EXPECT_EQ(result.ok, param.ok) << result.failure;
    EXPECT_EQ(result.failure, param.ok ? "" : "larger than 1 MiB");
    EXPECT_EQ(EntryCount(scratch.path()), param.ok ? 1 : 0);
    EXPECT_EQ(ReadWholeFile(file).size(), param.ok ? body.size() : 0u);

    Bytes inMemory;
    const DownloadResult read = HttpReadFileChecked(server.Origin() + "/t.mp3", inMemory);
    EXPECT_EQ(read.ok, param.ok) << read.failure;
    // Without an announcement the bytes before the one too many are kept; with one, none is
    // read.
    if (param.ok || param.announced) {
      EXPECT_EQ(inMemory.size(), param.ok ? body.size() : 0u);
    } else {
      EXPECT_LT(inMemory.size(), body.size());
    }
  }
}

TEST_F(DownloadTest, ATricklingBodyFailsAsStalledAndLeavesNoFile) {
  // Five bytes a second keep moving, far below 1 KiB/s over the fixture's 2 s window.
  RawHttpServer server([](const RawRequest&) {
    RawReply reply{"HTTP/1.0 200 OK\r\n\r\n"};
    reply.pieces.assign(150, "x");
    reply.pause = std::chrono::milliseconds(200);
    reply.close = true;
    return reply;
  });
  ScratchFolder scratch;
  const fs::path file = scratch.path() / "t.MP3";
  WriteWholeFile(file, "the good old bytes");
  const DownloadResult result = HttpDownloadFile(server.Origin() + "/t.mp3", file);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.failure, "stalled: less than 1 KiB/s for 2 s");
  EXPECT_LT(result.received, 150) << "the trickle ran to its end";
  EXPECT_EQ(ReadWholeFile(file), "the good old bytes");
  EXPECT_EQ(EntryCount(scratch.path()), 1);
}

TEST_F(DownloadTest, AnInterruptEndsAStalledDownloadAndLeavesNoFile) {
  // A long window, so that only the interrupt ends the transfer soon.
  TransferPolicy policy = GetTransferPolicy();
  policy.rateWindow = std::chrono::seconds(30);
  SetTransferPolicy(policy);
  RawHttpServer server([](const RawRequest&) {
    return RawReply{"HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nfirst", false, true};
  });
  ScratchFolder scratch;
  const fs::path file = scratch.path() / "t.MP3";
  WriteWholeFile(file, "the good old bytes");
  std::thread interrupter = InterruptOnceRequested(server);
  const DownloadResult result = HttpDownloadFile(server.Origin() + "/t.mp3", file);
  interrupter.join();
  EXPECT_FALSE(result.ok);
  EXPECT_TRUE(result.interrupted);
  EXPECT_EQ(result.failure, "interrupted");
  EXPECT_EQ(ReadWholeFile(file), "the good old bytes");
  EXPECT_EQ(EntryCount(scratch.path()), 1) << "no temporary file may stay";
}

TEST_F(DownloadTest, NoDownloadStartsWhileAnInterruptIsSet) {
  RecordingServer site = MakeSite();
  ScratchFolder scratch;
  SetInterruptSignal(SIGTERM);
  const DownloadResult result = HttpDownloadFile(site.Origin() + "/ok", scratch.path() / "t.MP3");
  Bytes body;
  const DownloadResult read = HttpReadFileChecked(site.Origin() + "/ok", body);
  SetInterruptSignal(0);
  EXPECT_TRUE(result.interrupted);
  EXPECT_EQ(result.failure, "interrupted");
  EXPECT_TRUE(read.interrupted);
  EXPECT_TRUE(site.Requests().empty());
  EXPECT_EQ(EntryCount(scratch.path()), 0);
  EXPECT_TRUE(HttpDownloadFile(site.Origin() + "/ok", scratch.path() / "t.MP3").ok)
      << "a cleared flag lets downloads run again";
}

}  // namespace
}  // namespace quellora
