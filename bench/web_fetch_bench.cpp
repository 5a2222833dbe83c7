// WebFetch of a 50 MB body from a loopback server next to `curl -s -o /dev/null` of the same
// address: wall time of each, their ratio, and peak memory. The server runs in a child process so
// the figures of this process are WebFetch's own. Run a Release build:
//   build/<dir>/bench/web_fetch_bench [--benchmark_repetitions=5]
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "http/web_fetch.h"

namespace {

constexpr std::size_t kBodySize = 50u << 20;

std::string g_address;

// Answers every request on the socket with the same 50 MB page; never returns.
[[noreturn]] void ServeForever(int listenFd) {
  std::string body(kBodySize, '\0');
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>('a' + i % 26);
  const std::string head =
      "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
      "Content-Length: " +
      std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
  for (;;) {
    const int fd = accept(listenFd, nullptr, nullptr);
    if (fd < 0) continue;
    std::string request;
    char chunk[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
      const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
      if (n <= 0) break;
      request.append(chunk, static_cast<std::size_t>(n));
    }
    for (const std::string* part : {&head, static_cast<const std::string*>(&body)}) {
      std::size_t sent = 0;
      while (sent < part->size()) {
        const ssize_t n = send(fd, part->data() + sent, part->size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
      }
    }
    close(fd);
  }
}

// Starts the server in a child process; returns its pid and sets g_address.
pid_t StartServer() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 8) != 0) {
    std::perror("web_fetch_bench: listen");
    std::exit(1);
  }
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  g_address = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/body";
  const pid_t pid = fork();
  if (pid == 0) ServeForever(fd);
  close(fd);
  return pid;
}

// The program's own callers' form: the address alone, the decoded text back.
void BM_WebFetchText50MB(benchmark::State& state) {
  for (auto _ : state) {
    const quellora::Text text = quellora::WebFetch(g_address);
    if (text.size() != kBodySize) {
      state.SkipWithError("short body");
      return;
    }
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBodySize));
}
BENCHMARK(BM_WebFetchText50MB)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// The full form: the decoded text and the response bytes (two copies of the body).
void BM_WebFetch50MB(benchmark::State& state) {
  for (auto _ : state) {
    quellora::WebResponse response;
    const quellora::Text text = quellora::WebFetch(g_address, response);
    if (response.responseBytes.size() != kBodySize || text.size() != kBodySize) {
      state.SkipWithError("short body");
      return;
    }
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBodySize));
}
BENCHMARK(BM_WebFetch50MB)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// The floor of any fetch that holds the whole body: 50 MB of fresh memory, written once.
void BM_FreshMemory50MB(benchmark::State& state) {
  for (auto _ : state) {
    std::string buffer;
    buffer.reserve(kBodySize);
    buffer.append(kBodySize, 'x');
    benchmark::DoNotOptimize(buffer.data());
  }
}
BENCHMARK(BM_FreshMemory50MB)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

void BM_Curl50MB(benchmark::State& state) {
  const std::string command = "curl -s -o /dev/null '" + g_address + "'";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("curl failed");
      return;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBodySize));
}
BENCHMARK(BM_Curl50MB)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// Keeps the mean wall time per iteration of each benchmark for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
      seconds_[run.run_name.function_name] +=
          run.real_accumulated_time / static_cast<double>(run.iterations);
      ++count_[run.run_name.function_name];
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double Mean(const std::string& name) const {
    const auto found = seconds_.find(name);
    return found == seconds_.end() ? 0 : found->second / count_.at(name);
  }

 private:
  std::map<std::string, double> seconds_;
  std::map<std::string, int> count_;
};

double PeakMegabytes(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
  const pid_t server = StartServer();
  benchmark::Initialize(&argc, argv);

  // Peak memory first, while this process is small: a child made by fork starts out with the
  // parent's resident size, which would hide curl's own figure.
  const std::string command = "curl -s -o /dev/null '" + g_address + "'";
  if (std::system(command.c_str()) != 0) std::fprintf(stderr, "curl failed\n");
  const double curlPeak = PeakMegabytes(RUSAGE_CHILDREN);
  const double baseline = PeakMegabytes(RUSAGE_SELF);
  std::size_t got = quellora::WebFetch(g_address).size();
  const double textPeak = PeakMegabytes(RUSAGE_SELF);
  quellora::WebResponse response;
  got += quellora::WebFetch(g_address, response).size();
  response = quellora::WebResponse();
  const double fullPeak = PeakMegabytes(RUSAGE_SELF);
  if (got != 2 * kBodySize) std::fprintf(stderr, "short body\n");

  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  const double text = reporter.Mean("BM_WebFetchText50MB");
  const double full = reporter.Mean("BM_WebFetch50MB");
  const double curl = reporter.Mean("BM_Curl50MB");
  const double floor = reporter.Mean("BM_FreshMemory50MB");
  std::printf(
      "\nper 50 MB body: WebFetch(address) %.1f ms, WebFetch with responseBytes %.1f ms, "
      "curl %.1f ms\n",
      text * 1e3, full * 1e3, curl * 1e3);
  std::printf(
      "fresh 50 MB buffer alone: %.1f ms; WebFetch(address) beyond that floor vs curl: "
      "%.2f\n",
      floor * 1e3, curl > 0 ? (text - floor) / curl : 0.0);
  std::printf("wall-time ratio to curl: %.2f (text only), %.2f (with bytes); goal <= 1.30\n",
              curl > 0 ? text / curl : 0.0, curl > 0 ? full / curl : 0.0);
  std::printf(
      "peak resident memory: process before fetching %.1f MB, after WebFetch(address) "
      "%.1f MB, after WebFetch with responseBytes %.1f MB; curl %.1f MB\n",
      baseline, textPeak, fullPeak, curlPeak);

  kill(server, SIGTERM);
  waitpid(server, nullptr, 0);
  benchmark::Shutdown();
  return 0;
}
