// A fresh, empty folder under the system's temporary folder, removed with everything in it when
// the owner goes away.
#pragma once

#include <filesystem>
#include <string>

namespace quellora::testing {

class ScratchFolder {
 public:
  ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder();

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

/// The whole content of a file as bytes; empty when it cannot be read.
std::string ReadWholeFile(const std::filesystem::path& file);
/// Writes bytes as the whole content of a file.
void WriteWholeFile(const std::filesystem::path& file, const std::string& bytes);

}  // namespace quellora::testing
