// Runs a built program of this project as a child process: feeds its standard input, captures
// its standard output and error, and reports its exit code.
#pragma once

#include <string>
#include <vector>

namespace quellora::testing {

/// How to run the program.
struct ProgramOptions {
  std::vector<std::string> arguments;
  /// Written to the child's standard input, which is then closed (end of input).
  std::string input;
  /// When true, standard input stays open after input is written (the child waits for more
  /// instead of meeting the end of input) until the child ends.
  bool keepInputOpen = false;
  /// Extra "NAME=value" entries added to (or replacing those of) the test's own environment.
  std::vector<std::string> environment;
  /// The child's working directory; empty: the test's own.
  std::string workingDirectory;
  /// When not 0: this signal is sent to the child once, as soon as its standard output holds
  /// signalWhenOutputHas (at once when that is empty), .
  int signal = 0;
  std::string signalWhenOutputHas;
  /// How long to wait after the trigger text appears before sending the signal.
  int signalDelayMs = 0;
};

/// What the run produced.
struct ProgramResult {
  /// The exit code; 128 + signal number when the child was killed by a signal; -1 when it could
  /// not be started.
  int exitCode = -1;
  std::string out;
  std::string err;
  /// The child's peak resident set size in KiB (its ru_maxrss); 0 when unknown.
  long peakRssKb = 0;
  /// Whether options.signal was sent.
  bool signalSent = false;
};

/// The folder of the built programs (the environment variable QUELLORA_BIN_DIR); empty if unset.
std::string BinDir();

/// Runs the program at path and waits for it to end. A child still running after
/// safetyLimitSeconds is killed, so a hung program fails its test instead of blocking the suite.
ProgramResult RunProgram(const std::string& path, const ProgramOptions& options,
                         int safetyLimitSeconds = 300);

}  // namespace quellora::testing
