// Running the built quellora-dl through its dialogue, and the texts its console writes (UTF-8,
// as a UTF-8 locale sees them).
#pragma once

#include <string>
#include <vector>

#include "support/program_runner.h"

namespace quellora::testing {

/// Runs bin/quellora-dl with the arguments, input on stdin and LANG=C.UTF-8.
ProgramResult RunQuelloraDl(const std::vector<std::string>& arguments, const std::string& input);
/// Runs bin/quellora-dl with options (signal, open stdin ...), in the same environment as above
/// (entries of options.environment win); killed after safetyLimitSeconds.
ProgramResult RunQuelloraDl(ProgramOptions options, int safetyLimitSeconds = 300);

/// The three banner texts and the name prompt.
std::string BannerAndNamePrompt();
/// The search notice, the listing of the albums (name and publisher as printed) and the index
/// prompt.
std::string ListingAndIndexPrompt(const std::vector<std::pair<std::string, std::string>>& albums);
/// The collection notice, the two count lines with n and the mode prompt.
std::string CountsAndModePrompt(int n);
/// One progress line of a saved track.
std::string SavedLine(const std::string& title);
/// The start of a failed track's line, up to and including "    失败".
std::string FailedLineStart(const std::string& title);
/// The closing line after the progress lines.
std::string ClosingLine(int saved, int failed);

}  // namespace quellora::testing
