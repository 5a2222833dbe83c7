// A file that is filled under a name of its own and gets its final name later, when its turn
// comes: a track downloaded by a worker is renamed in track order, so the names given do not
// depend on which worker finished first.
//
// The pending name is a fresh hidden file in the target folder (same folder, so the final
// rename stays on one file system): ".quellora-pending-<pid>-<random>-<n>", reserved empty with
// O_EXCL (mode 0666 less the umask) so that no two pending files, of this run or another,
// collide. It never ends in ".MP3", so it cannot take a track's name. The owner fills it (e.g.
// HttpDownloadFile onto path()), then calls CommitAs; a pending file destroyed uncommitted is
// removed. Move-only; one object is used by one thread at a time.
#pragma once

#include <filesystem>

namespace quellora {

class PendingFile {
 public:
  /// Reserves the pending file in folder; check ok().
  explicit PendingFile(const std::filesystem::path& folder);
  PendingFile(PendingFile&& other) noexcept;
  PendingFile& operator=(PendingFile&& other) noexcept;
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  ~PendingFile();

  /// False when the folder is missing or not writable.
  bool ok() const noexcept { return !path_.empty(); }
  /// The pending file's path; empty when !ok() or after a successful CommitAs.
  const std::filesystem::path& path() const noexcept { return path_; }

  /// Renames the pending file to finalPath, replacing a file of that name. False when !ok() or
  /// the rename fails; the pending file then stays (and is removed on destruction).
  bool CommitAs(const std::filesystem::path& finalPath) noexcept;

 private:
  void Remove() noexcept;

  std::filesystem::path path_;
};

}  // namespace quellora
