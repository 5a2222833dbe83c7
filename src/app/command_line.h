// The command line: no argument runs the dialogue; --origin and --output-dir change where the
// program talks to and where it saves, --jobs how many tracks download at once; --help and
// --version answer and end the run.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace quellora {

inline constexpr int kMinJobs = 1;
inline constexpr int kMaxJobs = 16;
inline constexpr int kDefaultJobs = 4;

/// What the command line asks of this run.
struct CommandLine {
  /// Set when the run ends here (after --help, --version or a usage error): the exit code.
  std::optional<int> exitCode;
  /// The service origin, without a trailing slash (the built-in one when not given).
  std::string origin;
  /// Absolute folder for the album folders; empty: the program's own folder.
  std::filesystem::path outputDirectory;
  /// How many tracks download at the same time (kMinJobs..kMaxJobs).
  int jobs = kDefaultJobs;
};

/// Parses argv. Help and version texts go to stdout, usage errors to stderr (exit code
/// kExitUsage). A relative --output-dir is resolved against startDirectory and created when
/// missing.
CommandLine ParseCommandLine(int argc, const char* const* argv,
                             const std::filesystem::path& startDirectory);

/// The origin without its trailing slashes when it is an absolute http or https address with a
/// host and without query or fragment; std::nullopt otherwise.
std::optional<std::string> NormalizeOrigin(const std::string& address);

}  // namespace quellora
