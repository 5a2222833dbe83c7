#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/command_line.h"
#include "app/dialogue.h"
#include "app/globals.h"
#include "app/program_text.h"
#include "http/connection_share.h"
#include "runtime/console.h"
#include "runtime/interrupt.h"
#include "runtime/process.h"

int main(int argc, char** argv) {
  // Start-up moves to the program's own folder, so a relative --output-dir is
  // resolved first.
  std::error_code error;
  const std::filesystem::path startDirectory = std::filesystem::current_path(error);
  const quellora::CommandLine commandLine = quellora::ParseCommandLine(argc, argv, startDirectory);
  if (commandLine.exitCode) {
    std::fflush(stdout);
    return *commandLine.exitCode;
  }
  quellora::ServiceOrigin = quellora::ProgramText(commandLine.origin);
  quellora::OutputDirectory = commandLine.outputDirectory;
  quellora::DownloadJobs = commandLine.jobs;
  // Pages and descriptions keep at most one idle connection per job.
  quellora::SetKeptConnections(commandLine.jobs);

  // SIGINT and SIGTERM stop the run in order: the track in flight fails, temporary files go, the
  // closing line is written, and the exit code says which signal it was.
  quellora::InstallInterruptHandlers();
  const int code = quellora::ProgramMain();
  quellora::RunExitHooks();
  quellora::StandardConsole().Flush();
  std::fflush(stdout);
  return code;
}
