// The demo service as a peer for a concurrent downloader: single byte ranges with validators
// (ETag, Last-Modified, If-Range), injected faults (503 answers, answers cut short), many
// connections at once and many requests on one kept-alive connection. Requests go through a
// small socket client of this file, so a test sees exactly which connection carried what and
// where an answer stopped.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "runtime/ascii.h"
#include "support/demo_service.h"

namespace quellora {
namespace {

using testing::DemoService;
using Clock = std::chrono::steady_clock;

// No wait in this file lasts longer; every one ends there at the latest.
constexpr auto kSafetyLimit = std::chrono::seconds(20);
constexpr std::size_t kAudioBytes = 5000;

// An owned socket descriptor.
class Socket {
 public:
  Socket() = default;
  explicit Socket(int fd) : fd_(fd) {}
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  ~Socket() {
    if (fd_ >= 0) close(fd_);
  }
  int Get() const { return fd_; }

 private:
  int fd_ = -1;
};

// One HTTP answer as it arrived.
struct Answer {
  int status = 0;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  std::size_t contentLength = 0;
  bool whole = false;  ///< the body holds Content-Length bytes
  bool ended = false;  ///< the server closed the connection before the body was whole

  bool Has(const std::string& name) const {
    for (const auto& [key, value] : headers) {
      if (EqualsIgnoringAsciiCase(key, name)) return true;
    }
    return false;
  }
  std::string Header(const std::string& name) const {
    for (const auto& [key, value] : headers) {
      if (EqualsIgnoringAsciiCase(key, name)) return value;
    }
    return {};
  }
};

// One client connection to 127.0.0.1: sends request heads and reads answers with a deadline.
class Connection {
 public:
  explicit Connection(const std::string& origin)
      : socket_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(std::stoi(origin.substr(17))));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ =
        socket_.Get() >= 0 &&
        connect(socket_.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  }

  bool Connected() const { return connected_; }

  // Sends "GET target HTTP/1.1" with Host and the extra header lines (each without CRLF).
  bool SendGet(const std::string& target, const std::vector<std::string>& headers = {}) {
    std::string head = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    for (const std::string& line : headers) head += line + "\r\n";
    head += "\r\n";
    std::size_t at = 0;
    while (at < head.size()) {
      const ssize_t n = send(socket_.Get(), head.data() + at, head.size() - at, MSG_NOSIGNAL);
      if (n <= 0) return false;
      at += static_cast<std::size_t>(n);
    }
    return true;
  }

  // Reads the answer head, then up to bodyWanted body bytes (Content-Length when not given).
  // nullopt when no complete head arrives before the deadline or the end of the connection.
  std::optional<Answer> Read(std::optional<std::size_t> bodyWanted = std::nullopt) {
    const auto deadline = Clock::now() + kSafetyLimit;
    std::size_t headEnd;
    while ((headEnd = buffer_.find("\r\n\r\n")) == std::string::npos) {
      if (!Fill(deadline)) return std::nullopt;
    }
    Answer answer;
    if (!ParseHead(buffer_.substr(0, headEnd + 2), answer)) return std::nullopt;
    buffer_.erase(0, headEnd + 4);
    const std::size_t wanted = bodyWanted ? *bodyWanted : answer.contentLength;
    while (buffer_.size() < wanted && !ended_) {
      if (!Fill(deadline) && !ended_) return std::nullopt;
    }
    const std::size_t taken = std::min({buffer_.size(), wanted, answer.contentLength});
    answer.body = buffer_.substr(0, taken);
    buffer_.erase(0, taken);
    answer.whole = answer.body.size() == answer.contentLength;
    answer.ended = !answer.whole && ended_;
    return answer;
  }

  // Reads on until n bytes past the last answer taken have arrived; false when they do not
  // before the deadline.
  bool ReadOn(std::size_t n) {
    const auto deadline = Clock::now() + kSafetyLimit;
    while (buffer_.size() < n) {
      if (!Fill(deadline)) return false;
    }
    return true;
  }

  // Reads on until the server closes the connection; true when it does before the deadline.
  bool WaitForEnd() {
    const auto deadline = Clock::now() + kSafetyLimit;
    while (!ended_) {
      buffer_.clear();
      if (!Fill(deadline) && !ended_) return false;
    }
    return true;
  }

 private:
  // Appends what arrives; false at the deadline, on an error or at the end (ended_ set).
  bool Fill(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (!connected_ || ended_ || left.count() <= 0) return false;
    pollfd ready{socket_.Get(), POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(left.count())) <= 0) return false;
    char chunk[16384];
    const ssize_t n = recv(socket_.Get(), chunk, sizeof chunk, 0);
    if (n <= 0) {
      ended_ = true;
      return false;
    }
    buffer_.append(chunk, static_cast<std::size_t>(n));
    return true;
  }

  static bool ParseHead(const std::string& head, Answer& answer) {
    static const std::regex statusLine(R"(HTTP/1\.[01] ([0-9]{3})[^\r]*\r\n)");
    std::smatch match;
    if (!std::regex_search(head, match, statusLine) || match.position(0) != 0) return false;
    answer.status = std::stoi(match[1]);
    std::size_t at = static_cast<std::size_t>(match.length(0));
    while (at < head.size()) {
      const std::size_t end = head.find("\r\n", at);
      const std::string line = head.substr(at, end - at);
      at = end + 2;
      const std::size_t colon = line.find(':');
      if (colon == std::string::npos) return false;
      std::string value = line.substr(colon + 1);
      value.erase(0, value.find_first_not_of(' '));
      answer.headers.emplace_back(line.substr(0, colon), value);
    }
    const std::string length = answer.Header("Content-Length");
    answer.contentLength = length.empty() ? 0 : std::stoull(length);
    return true;
  }

  Socket socket_;
  bool connected_ = false;
  bool ended_ = false;
  std::string buffer_;
};

// GET on a new connection.
std::optional<Answer> Fetch(const DemoService& service, const std::string& target,
                            const std::vector<std::string>& headers = {}) {
  Connection connection(service.Origin());
  if (!connection.Connected() || !connection.SendGet(target, headers)) return std::nullopt;
  return connection.Read();
}

class AudioRangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(service_.Started()) << "QUELLORA_BIN_DIR set?";
    const auto whole = Fetch(service_, kTrack);
    ASSERT_TRUE(whole);
    ASSERT_EQ(whole->status, 200);
    ASSERT_TRUE(whole->whole);
    ASSERT_EQ(whole->body.size(), kAudioBytes);
    whole_ = *whole;
  }

  static constexpr const char* kTrack = "/audio/10003.mp3";
  DemoService service_{{"--audio-bytes", std::to_string(kAudioBytes)}};
  Answer whole_;
};

TEST_F(AudioRangeTest, WholeFileCarriesStrongValidators) {
  EXPECT_EQ(whole_.Header("Content-Type"), "audio/mpeg");
  EXPECT_EQ(whole_.Header("Accept-Ranges"), "bytes");
  EXPECT_FALSE(whole_.Has("Content-Range"));
  EXPECT_TRUE(std::regex_match(whole_.Header("ETag"), std::regex(R"("[!#-~]+")")))
      << "strong tag: " << whole_.Header("ETag");
  EXPECT_EQ(whole_.Header("Last-Modified"), "Mon, 01 Jan 2024 00:00:00 GMT");
  // Stable per track and size: asked again, the same; another track, another tag.
  EXPECT_EQ(Fetch(service_, kTrack).value_or(Answer{}).Header("ETag"), whole_.Header("ETag"));
  const std::string other = Fetch(service_, "/audio/10004.mp3").value_or(Answer{}).Header("ETag");
  EXPECT_FALSE(other.empty());
  EXPECT_NE(other, whole_.Header("ETag"));
}

struct RangeCase {
  const char* range;
  int status;
  const char* contentRange;  ///< "" when the answer must have none
  std::size_t first;         ///< the body is whole[first, first + length)
  std::size_t length;
};

TEST_F(AudioRangeTest, SingleRangesAnswerTheExactSliceOfTheWholeFile) {
  const RangeCase cases[] = {
      {"bytes=0-", 206, "bytes 0-4999/5000", 0, 5000},
      {"bytes=1234-", 206, "bytes 1234-4999/5000", 1234, 3766},
      {"bytes=4999-", 206, "bytes 4999-4999/5000", 4999, 1},
      {"bytes=417-833", 206, "bytes 417-833/5000", 417, 417},
      {"bytes=0-0", 206, "bytes 0-0/5000", 0, 1},
      {"bytes=4990-9999", 206, "bytes 4990-4999/5000", 4990, 10},
      {"bytes=-100", 206, "bytes 4900-4999/5000", 4900, 100},
      {"bytes=-99999", 206, "bytes 0-4999/5000", 0, 5000},
      {"bytes=5000-", 416, "bytes */5000", 0, 0},
      {"bytes=7000-8000", 416, "bytes */5000", 0, 0},
      {"bytes=-0", 416, "bytes */5000", 0, 0},
      {"bytes=99999999999999999999-", 416, "bytes */5000", 0, 0},
      {"bytes=abc", 416, "bytes */5000", 0, 0},
      // Several ranges at once are not served: the whole file instead.
      {"bytes=0-1,5-6", 200, "", 0, 5000},
  };
  for (const RangeCase& c : cases) {
    SCOPED_TRACE(c.range);
    const auto answer = Fetch(service_, kTrack, {std::string("Range: ") + c.range});
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, c.status);
    EXPECT_EQ(answer->Header("Content-Range"), c.contentRange);
    EXPECT_EQ(answer->Has("Content-Range"), c.contentRange[0] != '\0');
    EXPECT_EQ(answer->contentLength, c.length);
    EXPECT_TRUE(answer->whole);
    EXPECT_TRUE(answer->body == whole_.body.substr(c.first, c.length)) << "bytes differ";
    if (c.status != 416) {
      EXPECT_EQ(answer->Header("ETag"), whole_.Header("ETag"));
    }
  }
}

TEST_F(AudioRangeTest, IfRangeServesThePartOnlyForTheCurrentValidator) {
  const std::string tag = whole_.Header("ETag");
  const std::string date = whole_.Header("Last-Modified");
  ASSERT_FALSE(tag.empty());
  const struct {
    std::string ifRange;
    bool part;
  } cases[] = {
      {tag, true},
      {date, true},
      {"\"10003-4999\"", false},
      {"\"other\"", false},
      {"W/" + tag, false},  // a weak tag never matches
      {"Tue, 02 Jan 2024 00:00:00 GMT", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ifRange);
    const auto answer = Fetch(service_, kTrack, {"Range: bytes=1000-", "If-Range: " + c.ifRange});
    ASSERT_TRUE(answer);
    ASSERT_TRUE(answer->whole);
    if (c.part) {
      EXPECT_EQ(answer->status, 206);
      EXPECT_EQ(answer->Header("Content-Range"), "bytes 1000-4999/5000");
      EXPECT_TRUE(answer->body == whole_.body.substr(1000));
    } else {
      EXPECT_EQ(answer->status, 200);
      EXPECT_FALSE(answer->Has("Content-Range"));
      EXPECT_TRUE(answer->body == whole_.body);
    }
  }
}

TEST_F(AudioRangeTest, AnUnknownTrackIsNotFoundEvenWithARange) {
  const auto answer = Fetch(service_, "/audio/nope.mp3", {"Range: bytes=0-3"});
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->status, 404);
  EXPECT_FALSE(answer->Has("Content-Range"));
  EXPECT_NE(answer->body.find("404"), std::string::npos);
}

TEST(AudioValidatorTest, ASaltMakesEveryFileANewVersion) {
  const std::vector<std::string> size = {"--audio-bytes", std::to_string(kAudioBytes)};
  DemoService plain(size);
  std::vector<std::string> salted = size;
  salted.insert(salted.end(), {"--etag-salt", "second edition"});
  DemoService first(salted);
  DemoService again(salted);
  ASSERT_TRUE(plain.Started() && first.Started() && again.Started());

  const auto before = Fetch(plain, "/audio/10001.mp3");
  const auto after = Fetch(first, "/audio/10001.mp3");
  const auto restarted = Fetch(again, "/audio/10001.mp3");
  ASSERT_TRUE(before && after && restarted);
  EXPECT_NE(after->Header("ETag"), before->Header("ETag"));
  EXPECT_NE(after->Header("Last-Modified"), before->Header("Last-Modified"));
  EXPECT_TRUE(std::regex_match(after->Header("Last-Modified"),
                               std::regex(R"((Mon|Tue|Wed|Thu|Fri|Sat|Sun), [0-9]{2} )"
                                          R"((Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) )"
                                          R"(20[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} GMT)")))
      << after->Header("Last-Modified");
  EXPECT_EQ(restarted->Header("ETag"), after->Header("ETag"));
  EXPECT_EQ(restarted->Header("Last-Modified"), after->Header("Last-Modified"));
  EXPECT_TRUE(after->body == before->body) << "the bytes themselves stay the same";

  // A client resuming with the old validators gets the whole new version.
  for (const std::string& old : {before->Header("ETag"), before->Header("Last-Modified")}) {
    SCOPED_TRACE(old);
    const auto resumed = Fetch(first, "/audio/10001.mp3", {"Range: bytes=10-", "If-Range: " + old});
    ASSERT_TRUE(resumed);
    EXPECT_EQ(resumed->status, 200);
    EXPECT_EQ(resumed->body.size(), kAudioBytes);
  }
  const auto current =
      Fetch(first, "/audio/10001.mp3", {"Range: bytes=10-", "If-Range: " + after->Header("ETag")});
  ASSERT_TRUE(current);
  EXPECT_EQ(current->status, 206);
}

TEST(AudioPacingTest, PacedRangesAreExactSlices) {
  DemoService service({"--audio-bytes", "100000", "--rate", "8192"});
  ASSERT_TRUE(service.Started());
  const auto whole = Fetch(service, "/audio/10001.mp3");
  const auto part = Fetch(service, "/audio/10001.mp3", {"Range: bytes=20000-70000"});
  ASSERT_TRUE(whole && part);
  ASSERT_TRUE(whole->whole && part->whole);
  EXPECT_EQ(part->status, 206);
  EXPECT_EQ(part->Header("Content-Range"), "bytes 20000-70000/100000");
  EXPECT_TRUE(part->body == whole->body.substr(20000, 50001));
}

TEST(AudioFaultTest, EveryThirdAudioRequestIsBusy) {
  DemoService service({"--audio-bytes", std::to_string(kAudioBytes), "--fail-every", "3"});
  ASSERT_TRUE(service.Started());
  for (int request = 1; request <= 9; ++request) {
    SCOPED_TRACE(request);
    const auto answer = Fetch(service, "/audio/1000" + std::to_string(request) + ".mp3");
    ASSERT_TRUE(answer);
    ASSERT_TRUE(answer->whole);
    if (request % 3 == 0) {
      EXPECT_EQ(answer->status, 503);
      EXPECT_EQ(answer->Header("Retry-After"), "1");
      EXPECT_FALSE(answer->body.empty());
      EXPECT_LT(answer->body.size(), 200u);
    } else {
      EXPECT_EQ(answer->status, 200);
      EXPECT_EQ(answer->body.size(), kAudioBytes);
      EXPECT_FALSE(answer->Has("Retry-After"));
    }
    // Other routes neither fail nor count.
    const auto page = Fetch(service, "/tracks/10001.json");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
  }
}

TEST(AudioFaultTest, EverySecondAudioAnswerStopsHalfway) {
  DemoService service({"--audio-bytes", std::to_string(kAudioBytes), "--cut-every", "2"});
  ASSERT_TRUE(service.Started());
  std::string reference;
  for (int request = 1; request <= 6; ++request) {
    SCOPED_TRACE(request);
    Connection connection(service.Origin());
    ASSERT_TRUE(connection.Connected());
    // The fourth asks for a range: a cut ranged answer stops halfway through its own length.
    const bool ranged = request == 4;
    ASSERT_TRUE(connection.SendGet(
        "/audio/10001.mp3",
        ranged ? std::vector<std::string>{"Range: bytes=1000-"} : std::vector<std::string>{}));
    const auto answer = connection.Read();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, ranged ? 206 : 200);
    const std::size_t announced = ranged ? kAudioBytes - 1000 : kAudioBytes;
    EXPECT_EQ(answer->contentLength, announced);
    if (request % 2 == 1) {
      EXPECT_TRUE(answer->whole);
      if (reference.empty()) reference = answer->body;
      EXPECT_TRUE(answer->body == reference);
      continue;
    }
    EXPECT_FALSE(answer->whole);
    EXPECT_TRUE(answer->ended) << "the connection closes";
    EXPECT_EQ(answer->body.size(), announced / 2);
    EXPECT_TRUE(answer->body == reference.substr(ranged ? 1000 : 0, announced / 2));
  }
}

TEST(AudioConcurrencyTest, SixteenSlowDownloadsAreServedAtOnce) {
  // At 64 KiB/s a file of 4 MiB takes a minute: a server that served fewer connections at once
  // would hold back the rest long past the safety limit, since no download here ends by itself.
  DemoService service({"--audio-bytes", std::to_string(4 << 20), "--rate", "64"});
  ASSERT_TRUE(service.Started());
  constexpr int kDownloads = 16;
  std::mutex mutex;
  std::condition_variable changed;
  int started = 0;
  std::atomic<int> sawAllStarted{0};
  std::atomic<int> movedOn{0};

  std::vector<std::thread> threads;
  for (int i = 0; i < kDownloads; ++i) {
    threads.emplace_back([&, i] {
      Connection connection(service.Origin());
      if (!connection.Connected() ||
          !connection.SendGet("/audio/1000" + std::to_string(1 + i % 9) + ".mp3")) {
        return;
      }
      const auto first = connection.Read(1);
      if (!first || first->status != 200 || first->contentLength != (4u << 20) ||
          first->body.empty()) {
        return;
      }
      std::unique_lock lock(mutex);
      ++started;
      changed.notify_all();
      if (!changed.wait_until(lock, Clock::now() + kSafetyLimit,
                              [&] { return started == kDownloads; })) {
        return;
      }
      ++sawAllStarted;
      lock.unlock();
      // With every download open, each goes on: the next paced chunk arrives too.
      if (connection.ReadOn(32 * 1024)) ++movedOn;
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(started, kDownloads);
  EXPECT_EQ(sawAllStarted.load(), kDownloads);
  EXPECT_EQ(movedOn.load(), kDownloads);
}

TEST(KeepAliveTest, TwentyRequestsShareOneConnection) {
  DemoService service({"--audio-bytes", std::to_string(kAudioBytes)});
  ASSERT_TRUE(service.Started());
  Connection connection(service.Origin());
  ASSERT_TRUE(connection.Connected());
  const std::string targets[] = {"/tracks/10001.json", "/u1001/album/7?page=2", "/audio/10002.mp3",
                                 "/search/%E4%B8%89%E5%9B%BD"};
  for (int i = 0; i < 20; ++i) {
    SCOPED_TRACE(i);
    const std::string& target = targets[i % 4];
    const bool ranged = i == 18;
    ASSERT_TRUE(connection.SendGet(target, ranged ? std::vector<std::string>{"Range: bytes=-10"}
                                                  : std::vector<std::string>{}));
    const auto answer = connection.Read();
    ASSERT_TRUE(answer);
    ASSERT_TRUE(answer->whole);
    EXPECT_EQ(answer->status, ranged ? 206 : 200);
    EXPECT_NE(answer->Header("Connection"), "close");
    EXPECT_FALSE(answer->body.empty());
  }
  // The connection is still open: a request with "Connection: close" is answered, then closed.
  ASSERT_TRUE(connection.SendGet("/tracks/10002.json", {"Connection: close"}));
  const auto last = connection.Read();
  ASSERT_TRUE(last);
  EXPECT_EQ(last->status, 200);
  EXPECT_TRUE(connection.WaitForEnd());
}

}  // namespace
}  // namespace quellora
