#include "runtime/pending_file.h"

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <utility>

namespace quellora {

PendingFile::PendingFile(const std::filesystem::path& folder) {
  if (folder.empty()) return;
  std::string name = (folder / ".quellora-pending-XXXXXX").string();
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return;
  ::close(fd);
  path_ = std::move(name);
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
