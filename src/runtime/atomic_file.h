// Writing a file so that readers see either the old content or the complete new one.
#pragma once

#include <cstddef>
#include <filesystem>
#include <utility>

namespace quellora {

/// Owns a POSIX file descriptor; closes it on destruction.
class FileDescriptor {
 public:
  FileDescriptor() noexcept = default;
  explicit FileDescriptor(int fd) noexcept : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
      Reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  ~FileDescriptor() { Reset(); }

  int get() const noexcept { return fd_; }
  explicit operator bool() const noexcept { return fd_ >= 0; }
  /// Closes the descriptor now; false when close reported an error (the data may be lost).
  bool Close() noexcept;

 private:
  void Reset() noexcept;
  int fd_ = -1;
};

/// Writes all of data to fd, continuing after short writes and EINTR; false on any other error.
bool WriteAll(int fd, const void* data, std::size_t size) noexcept;

/// Collects a file's new content in a temporary file beside it (same folder, so the final
/// rename stays on one file system) and puts it in place with Commit. Until Commit succeeds
/// the named file is untouched; a writer destroyed without a successful Commit removes its
/// temporary file.
class AtomicFileWriter {
 public:
  /// Opens the temporary file for path; check IsOpen. The path's bytes go to the file system as
  /// they are (no code-page conversion), so any name the system accepts works.
  explicit AtomicFileWriter(std::filesystem::path path);
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
  ~AtomicFileWriter();

  /// False when the folder is missing or not writable, or the path names no file (empty, or
  /// ending with "/").
  bool IsOpen() const noexcept { return static_cast<bool>(fd_); }
  /// Appends all of data; false (and every later Commit fails) when the write fails.
  bool Write(const void* data, std::size_t size) noexcept;
  /// Closes the temporary file and renames it over the final name; false on any failure
  /// so far, and then the temporary file is removed.
  bool Commit() noexcept;
  /// The temporary file's name (for tests and messages); empty when none was opened.
  const std::filesystem::path& TempPath() const noexcept { return tempPath_; }

 private:
  void Discard() noexcept;

  std::filesystem::path path_;
  std::filesystem::path tempPath_;
  FileDescriptor fd_;
  bool failed_ = false;
  bool committed_ = false;
};

}  // namespace quellora
