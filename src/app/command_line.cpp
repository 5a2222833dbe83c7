#include "app/command_line.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>
#include <system_error>

#include "app/build_config.h"
#include "runtime/curl_handle.h"
#include "runtime/process.h"

namespace quellora {
namespace {

constexpr const char* kExitCodeHelp =
    "Exit codes:\n"
    "  0    every chosen track was saved (or there was nothing to download)\n"
    "  1    at least one track could not be saved\n"
    "  2    bad command line, an output folder that cannot be made or examined (or an\n"
    "       impossible internal state)\n"
    "  130  stopped by SIGINT (Ctrl+C): the track in flight failed, finished tracks are kept\n"
    "  143  stopped by SIGTERM, likewise\n";

bool UrlPart(CURLU* url, CURLUPart part, std::string& value) {
  CurlString text;
  if (curl_url_get(url, part, text.out(), 0) != CURLUE_OK || text.get() == nullptr) return false;
  value = text.get();
  return true;
}

CommandLine UsageError(const std::string& message) {
  std::fprintf(stderr, "quellora-dl: %s\n", message.c_str());
  CommandLine result;
  result.exitCode = kExitUsage;
  return result;
}

}  // namespace

std::optional<std::string> NormalizeOrigin(const std::string& address) {
  CurlGlobalInit();
  CurlUrl url;
  if (!url) return std::nullopt;
  // Without a scheme libcurl would guess one; an origin must name it.
  if (curl_url_set(url.get(), CURLUPART_URL, address.c_str(), 0) != CURLUE_OK) return std::nullopt;
  std::string scheme;
  std::string host;
  std::string ignored;
  if (!UrlPart(url.get(), CURLUPART_SCHEME, scheme)) return std::nullopt;
  if (scheme != "http" && scheme != "https") return std::nullopt;
  if (!UrlPart(url.get(), CURLUPART_HOST, host) || host.empty()) return std::nullopt;
  if (UrlPart(url.get(), CURLUPART_QUERY, ignored)) return std::nullopt;
  if (UrlPart(url.get(), CURLUPART_FRAGMENT, ignored)) return std::nullopt;
  if (address.find_first_of(" \t\r\n") != std::string::npos) return std::nullopt;
  std::string origin = address;
  while (!origin.empty() && origin.back() == '/') origin.pop_back();
  return origin;
}

CommandLine ParseCommandLine(int argc, const char* const* argv,
                             const std::filesystem::path& startDirectory) {
  CLI::App app{
      "Downloads whole audio albums: asks for an album name, an album index and the download "
      "mode on the console, then saves every track in a folder named after the album.",
      "quellora-dl"};
  app.footer(kExitCodeHelp);
  std::string origin;
  std::string outputDirectory;
  app.set_version_flag("--version", std::string("quellora-dl ") + kProgramVersion);
  app.add_option("--origin", origin,
                 std::string("service origin, an absolute http or https address (default: ") +
                     kBuiltInOrigin + ")")
      ->type_name("URL");
  app.add_option("--output-dir", outputDirectory,
                 "folder the album folders go into, created when missing (default: the program's "
                 "own folder)")
      ->type_name("DIR");
  int jobs = kDefaultJobs;
  app.add_option("--jobs", jobs,
                 "how many tracks download at the same time, " + std::to_string(kMinJobs) + " to " +
                     std::to_string(kMaxJobs) + " (default: " + std::to_string(kDefaultJobs) +
                     "); lines and file names come out in track order whatever the number")
      ->type_name("N")
      ->check(CLI::Range(kMinJobs, kMaxJobs));
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int code = app.exit(error);
    CommandLine result;
    result.exitCode = code == 0 ? kExitOk : kExitUsage;
    return result;
  }

  CommandLine result;
  result.origin = kBuiltInOrigin;
  result.jobs = jobs;
  if (app.count("--origin") > 0) {
    auto normalized = NormalizeOrigin(origin);
    if (!normalized) {
      return UsageError("--origin needs an absolute http:// or https:// address, got \"" + origin +
                        "\"");
    }
    result.origin = *normalized;
  }
  if (app.count("--output-dir") > 0) {
    if (outputDirectory.empty()) return UsageError("--output-dir needs a folder name");
    std::filesystem::path folder = startDirectory / std::filesystem::path(outputDirectory);
    folder = folder.lexically_normal();
    // Every file-system call here reports through an error_code: a folder that cannot even be
    // examined (a symlink loop, an over-long name, no permission) is a usage error, not a crash.
    std::error_code createError;
    std::filesystem::create_directories(folder, createError);
    std::error_code examineError;
    const std::filesystem::file_status status = std::filesystem::status(folder, examineError);
    if (!std::filesystem::is_directory(status)) {
      if (examineError && status.type() != std::filesystem::file_type::not_found) {
        return UsageError("cannot examine the output folder \"" + folder.string() +
                          "\": " + examineError.message());
      }
      return UsageError("cannot create the output folder \"" + folder.string() +
                        "\": " + (createError ? createError.message() : "not a folder"));
    }
    result.outputDirectory = folder;
  }
  return result;
}

}  // namespace quellora
