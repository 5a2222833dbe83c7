#include "support/program_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>

extern char** environ;

namespace quellora::testing {
namespace {

// Owns the two ends of a pipe.
class Pipe {
 public:
  Pipe() {
    if (pipe2(fds_.data(), O_CLOEXEC) != 0) fds_ = {-1, -1};
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  ~Pipe() {
    CloseRead();
    CloseWrite();
  }
  bool ok() const { return fds_[0] >= 0; }
  int read_end() const { return fds_[0]; }
  int write_end() const { return fds_[1]; }
  void CloseRead() { Close(fds_[0]); }
  void CloseWrite() { Close(fds_[1]); }

 private:
  static void Close(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
  std::array<int, 2> fds_{-1, -1};
};

std::vector<std::string> MergedEnvironment(const std::vector<std::string>& extra) {
  std::map<std::string, std::string> entries;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    std::string text = *entry;
    entries[text.substr(0, text.find('='))] = text;
  }
  for (const auto& text : extra) entries[text.substr(0, text.find('='))] = text;
  std::vector<std::string> result;
  for (auto& [name, text] : entries) result.push_back(text);
  return result;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> result;
  for (auto& text : texts) result.push_back(text.data());
  result.push_back(nullptr);
  return result;
}

}  // namespace

std::string BinDir() {
  const char* dir = std::getenv("QUELLORA_BIN_DIR");
  return dir == nullptr ? std::string() : std::string(dir);
}

ProgramResult RunProgram(const std::string& path, const ProgramOptions& options,
                         int safetyLimitSeconds) {
  ProgramResult result;
  Pipe in;
  Pipe out;
  Pipe err;
  if (!in.ok() || !out.ok() || !err.ok()) return result;

  std::vector<std::string> argv_texts{path};
  argv_texts.insert(argv_texts.end(), options.arguments.begin(), options.arguments.end());
  std::vector<std::string> env_texts = MergedEnvironment(options.environment);
  std::vector<char*> argv = Pointers(argv_texts);
  std::vector<char*> envp = Pointers(env_texts);
  const char* dir = options.workingDirectory.empty() ? nullptr : options.workingDirectory.c_str();

  const pid_t pid = fork();
  if (pid < 0) return result;
  if (pid == 0) {
    // Only async-signal-safe calls between fork and exec.
    if (dup2(in.read_end(), 0) < 0 || dup2(out.write_end(), 1) < 0 ||
        dup2(err.write_end(), 2) < 0) {
      _exit(127);
    }
    if (dir != nullptr && chdir(dir) != 0) _exit(127);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  in.CloseRead();
  out.CloseWrite();
  err.CloseWrite();

  // Writing stdin and draining stdout and stderr together keeps either side from blocking.
  signal(SIGPIPE, SIG_IGN);
  std::size_t written = 0;
  fcntl(in.write_end(), F_SETFL, fcntl(in.write_end(), F_GETFL) | O_NONBLOCK);
  if (options.input.empty() && !options.keepInputOpen) in.CloseWrite();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(safetyLimitSeconds);
  bool killed = false;
  std::optional<std::chrono::steady_clock::time_point> signalAt;
  while (out.read_end() >= 0 || err.read_end() >= 0) {
    std::array<pollfd, 3> fds{};
    fds[0] = {out.read_end(), POLLIN, 0};
    fds[1] = {err.read_end(), POLLIN, 0};
    // Nothing left to write: stdin is closed, or kept open without being polled.
    fds[2] = {written < options.input.size() ? in.write_end() : -1, POLLOUT, 0};
    const int ready = poll(fds.data(), fds.size(), 200);
    if (ready < 0 && errno != EINTR) break;
    if (!killed && std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      killed = true;
    }
    if (options.signal != 0 && !result.signalSent) {
      const auto now = std::chrono::steady_clock::now();
      if (!signalAt && result.out.find(options.signalWhenOutputHas) != std::string::npos) {
        signalAt = now + std::chrono::milliseconds(options.signalDelayMs);
      }
      if (signalAt && now >= *signalAt) {
        kill(pid, options.signal);
        result.signalSent = true;
      }
    }
    if (ready <= 0) continue;
    std::array<char, 65536> buffer;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
      const ssize_t n = read(fds[i].fd, buffer.data(), buffer.size());
      if (n > 0) {
        (i == 0 ? result.out : result.err).append(buffer.data(), static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        (i == 0 ? out : err).CloseRead();
      }
    }
    if (fds[2].fd >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP)) != 0) {
      const ssize_t n =
          write(in.write_end(), options.input.data() + written, options.input.size() - written);
      if (n > 0) written += static_cast<std::size_t>(n);
      if (n < 0 && errno != EINTR && errno != EAGAIN) in.CloseWrite();
      if (written == options.input.size() && !options.keepInputOpen) in.CloseWrite();
    }
  }
  in.CloseWrite();
  int status = 0;
  rusage usage{};
  while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  result.peakRssKb = usage.ru_maxrss;
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.exitCode = 128 + WTERMSIG(status);
  return result;
}

}  // namespace quellora::testing
