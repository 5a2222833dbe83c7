#include "runtime/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>

namespace quellora {
namespace {

// A name no other writer is likely to pick; O_EXCL makes a clash harmless (we try again).
std::filesystem::path TempName(const std::filesystem::path& folder) {
  static std::atomic<unsigned> counter{0};
  static const unsigned seed = std::random_device{}();
  char suffix[48];
  std::snprintf(suffix, sizeof suffix, ".quellora-%ld-%08x-%u.part", static_cast<long>(getpid()),
                seed, counter.fetch_add(1));
  return folder / suffix;
}

}  // namespace

bool FileDescriptor::Close() noexcept {
  if (fd_ < 0) return true;
  // After close fails the descriptor is gone all the same; never close it twice.
  const int result = ::close(std::exchange(fd_, -1));
  return result == 0;
}

void FileDescriptor::Reset() noexcept {
  if (fd_ >= 0) ::close(std::exchange(fd_, -1));
}

AtomicFileWriter::AtomicFileWriter(std::filesystem::path path) : path_(std::move(path)) {
  if (path_.empty() || !path_.has_filename()) return;
  // The temporary file sits in the same folder (the working folder for a bare name).
  const std::filesystem::path folder = path_.parent_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path candidate = TempName(folder);
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      fd_ = FileDescriptor(fd);
      tempPath_ = std::move(candidate);
      return;
    }
    if (errno != EEXIST) return;
  }
}

AtomicFileWriter::~AtomicFileWriter() {
  if (!committed_) Discard();
}

bool WriteAll(int fd, const void* data, std::size_t size) noexcept {
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t written = ::write(fd, bytes, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

bool AtomicFileWriter::Write(const void* data, std::size_t size) noexcept {
  if (!fd_ || failed_) return false;
  if (WriteAll(fd_.get(), data, size)) return true;
  failed_ = true;
  return false;
}

bool AtomicFileWriter::Commit() noexcept {
  if (!fd_ || failed_ || committed_) {
    Discard();
    return false;
  }
  if (!fd_.Close() || ::rename(tempPath_.c_str(), path_.c_str()) != 0) {
    Discard();
    return false;
  }
  committed_ = true;
  return true;
}

void AtomicFileWriter::Discard() noexcept {
  fd_.Close();
  if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
  tempPath_.clear();
  failed_ = true;
}

}  // namespace quellora
