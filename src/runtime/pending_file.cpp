#include "runtime/pending_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <random>
#include <utility>

namespace quellora {
namespace {

// A name no other pending file is likely to have; O_EXCL makes a clash harmless (we try again).
std::filesystem::path PendingName(const std::filesystem::path& folder) {
  static std::atomic<unsigned> counter{0};
  static const unsigned seed = std::random_device{}();
  char name[64];
  std::snprintf(name, sizeof name, ".quellora-pending-%ld-%08x-%u", static_cast<long>(getpid()),
                seed, counter.fetch_add(1));
  return folder / name;
}

}  // namespace

PendingFile::PendingFile(const std::filesystem::path& folder) {
  if (folder.empty()) return;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path candidate = PendingName(folder);
    // 0666 less the umask, as for every file the program writes, so that a file filled in place
    // ends up with the same mode as one written under its final name.
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      path_ = std::move(candidate);
      return;
    }
    if (errno != EEXIST) return;
  }
}

PendingFile::PendingFile(PendingFile&& other) noexcept : path_(std::exchange(other.path_, {})) {}

PendingFile& PendingFile::operator=(PendingFile&& other) noexcept {
  if (this != &other) {
    Remove();
    path_ = std::exchange(other.path_, {});
  }
  return *this;
}

PendingFile::~PendingFile() {
  Remove();
}

bool PendingFile::CommitAs(const std::filesystem::path& finalPath) noexcept {
  if (path_.empty() || finalPath.empty()) return false;
  if (::rename(path_.c_str(), finalPath.c_str()) != 0) return false;
  path_.clear();
  return true;
}

void PendingFile::Remove() noexcept {
  if (path_.empty()) return;
  ::unlink(path_.c_str());
  path_.clear();
}

}  // namespace quellora
