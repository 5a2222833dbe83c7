// WebFetch under the transfer policy: the memory limit on an answer, the trickle rule and
// interrupts, against servers on 127.0.0.1.
#include <gtest/gtest.h>
#include <httplib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "http/fetch_failure.h"
#include "http/web_fetch.h"
#include "runtime/interrupt.h"
#include "runtime/transfer_policy.h"
#include "support/memory_probe.h"
#include "support/raw_http_server.h"
#include "support/recording_server.h"

namespace quellora {
namespace {

using testing::RawHttpServer;
using testing::RawReply;
using testing::RawRequest;
using testing::RecordingServer;
using testing::ResidentBytes;

constexpr std::int64_t kMiB = 1 << 20;
constexpr std::int64_t kSmallLimit = kMiB;

Text Message(FetchFailure failure) {
  return Text(FetchFailureMessage(failure));
}

// Every test gets back the policy it found and a clear interrupt flag.
class WebFetchPolicy : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = GetTransferPolicy();
    SetInterruptSignal(0);
  }
  void TearDown() override {
    SetTransferPolicy(saved_);
    SetInterruptSignal(0);
  }
  static void UseSmallMemoryLimit() {
    TransferPolicy policy = GetTransferPolicy();
    policy.memoryLimit = kSmallLimit;
    SetTransferPolicy(policy);
  }
  static void UseShortRateWindow() {
    TransferPolicy policy = GetTransferPolicy();
    policy.rateWindow = std::chrono::seconds(2);
    SetTransferPolicy(policy);
  }

 private:
  TransferPolicy saved_;
};

TEST_F(WebFetchPolicy, AnEndlessPageFailsWith714AndMemoryStaysBounded) {
  const long before = ResidentBytes();
  std::atomic<long> peak{before};
  auto chunk = std::make_shared<std::string>(64 * 1024, 'p');
  RecordingServer site([&peak, chunk](const httplib::Request&, httplib::Response& response) {
    response.set_content_provider("text/html",
                                  [&peak, chunk](std::size_t, httplib::DataSink& sink) {
                                    // The provider runs while the client receives: sample the
                                    // process's memory here.
                                    const long now = ResidentBytes();
                                    long seen = peak.load();
                                    while (now > seen && !peak.compare_exchange_weak(seen, now)) {
                                    }
                                    return sink.write(chunk->data(), chunk->size());
                                  });
  });
  WebResponse response;
  const Text text = WebFetch(site.Origin() + "/search/endless", response);
  const long after = ResidentBytes();
  EXPECT_EQ(text, "");
  EXPECT_EQ(response.statusText.rfind("714", 0), 0u) << response.statusText;
  EXPECT_EQ(response.statusText, Message(FetchFailure::kTooLarge));
  EXPECT_TRUE(response.responseBytes.empty());
  // The body may fill the 64 MiB limit once; nothing may grow beyond it.
  if (!testing::kAddressSanitizer) {
    EXPECT_LT(std::max(peak.load(), after) - before, 96L * kMiB)
        << "resident memory grew past the limit";
  }
}

// Announces one byte more than the limit, then holds the connection without a body byte: only
// the announcement can end the fetch soon.
RawReply Announcing(std::int64_t length) {
  return RawReply{"HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(length) + "\r\n\r\n",
                  false, true};
}

TEST_F(WebFetchPolicy, AContentLengthAboveTheLimitFailsAtOnce) {
  for (const bool small : {true, false}) {
    SCOPED_TRACE(small ? "1 MiB limit" : "default 64 MiB limit");
    if (small) UseSmallMemoryLimit();
    const std::int64_t limit = GetTransferPolicy().memoryLimit;
    RawHttpServer server([limit](const RawRequest&) { return Announcing(limit + 1); });
    WebRequest request;
    request.address = server.Origin() + "/big";
    request.timeoutSeconds = 60;
    WebResponse response;
    EXPECT_EQ(WebFetch(request, response), "");
    EXPECT_EQ(response.statusText, Message(FetchFailure::kTooLarge));
    EXPECT_TRUE(response.responseBytes.empty());
    SetTransferPolicy(TransferPolicy());
  }
}

TEST_F(WebFetchPolicy, AHeadRequestIsNotHeldToTheAnnouncedLength) {
  UseSmallMemoryLimit();
  RawHttpServer server([](const RawRequest&) {
    return RawReply{"HTTP/1.1 200 OK\r\nContent-Length: 5000000\r\n\r\n"};
  });
  WebRequest request;
  request.address = server.Origin() + "/big";
  request.method = kMethodHead;
  WebResponse response;
  WebFetch(request, response);
  EXPECT_EQ(response.statusText, "200 OK");
}

TEST_F(WebFetchPolicy, ExactlyTheLimitIsFineOneByteMoreFails) {
  UseSmallMemoryLimit();
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
    RawHttpServer server([&](const RawRequest&) {
      const std::string length =
          param.announced ? "Content-Length: " + std::to_string(body.size()) + "\r\n" : "";
      // Without a length the body ends when the connection closes.
      return RawReply{"HTTP/1.1 200 OK\r\n" + length + "\r\n" + body, true};
    });
    WebResponse response;
    const Text text = WebFetch(server.Origin() + "/page", response);
    EXPECT_EQ(text.size(), param.ok ? body.size() : 0u);
    EXPECT_EQ(response.statusText, param.ok ? Text("200 OK") : Message(FetchFailure::kTooLarge));
    EXPECT_EQ(response.responseBytes.size(), param.ok ? body.size() : 0u);
  }
}

TEST_F(WebFetchPolicy, ATricklingBodyEndsLikeABrokenOneKeepingWhatArrived) {
  UseShortRateWindow();
  // Five bytes a second keep moving, so the request's own time-out never fires; the policy's
  // 1 KiB/s over 2 s does.
  RawHttpServer server([](const RawRequest&) {
    RawReply reply{"HTTP/1.1 200 OK\r\nContent-Length: 150\r\n\r\n"};
    reply.pieces.assign(150, "x");
    reply.pause = std::chrono::milliseconds(200);
    return reply;
  });
  WebResponse response;
  const Text text = WebFetch(server.Origin() + "/trickle", response);
  EXPECT_FALSE(response.bodyComplete);
  EXPECT_EQ(response.statusText, "200 OK");
  EXPECT_LT(text.size(), 150u) << "the trickle ran to its end";
  EXPECT_EQ(text, Text(text.size(), 'x'));
}

TEST_F(WebFetchPolicy, AHeadTricklingInFailsAsNoResponse) {
  UseShortRateWindow();
  const std::string head = "HTTP/1.1 200 OK\r\nX-Padding: " + std::string(200, 'a') + "\r\n\r\n";
  RawHttpServer server([&head](const RawRequest&) {
    RawReply reply;
    for (const char c : head) reply.pieces.emplace_back(1, c);
    reply.pause = std::chrono::milliseconds(200);
    return reply;
  });
  WebRequest request;
  request.address = server.Origin() + "/slow-head";
  request.timeoutSeconds = 120;
  WebResponse response;
  EXPECT_EQ(WebFetch(request, response), "");
  EXPECT_EQ(response.statusText, Message(FetchFailure::kNoResponse));
}

TEST_F(WebFetchPolicy, AnInterruptEndsAStalledFetchWith715) {
  RawHttpServer server([](const RawRequest&) {
    return RawReply{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nfirst", false, true};
  });
  std::thread interrupter([&server] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (server.Requests().empty() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    SetInterruptSignal(SIGINT);
  });
  WebRequest request;
  request.address = server.Origin() + "/stalled";
  request.timeoutSeconds = 60;
  WebResponse response;
  const Text text = WebFetch(request, response);
  interrupter.join();
  EXPECT_EQ(text, "");
  EXPECT_EQ(response.statusText, Message(FetchFailure::kInterrupted));
}

TEST_F(WebFetchPolicy, NoFetchStartsWhileAnInterruptIsSet) {
  RawHttpServer server([](const RawRequest&) { return RawReply{"HTTP/1.1 200 OK\r\n\r\n", true}; });
  SetInterruptSignal(SIGTERM);
  WebResponse response;
  EXPECT_EQ(WebFetch(server.Origin() + "/", response), "");
  EXPECT_EQ(response.statusText, Message(FetchFailure::kInterrupted));
  EXPECT_TRUE(server.Requests().empty());
}

}  // namespace
}  // namespace quellora
