// The process frame: start-up, exit hooks, and ending the process on an impossible state.
#pragma once

#include <string_view>

namespace quellora {

/// Process exit codes, in one place. Documented in --help and the README.
enum ExitCode : int {
  kExitOk = 0,           ///< every requested track was saved (or nothing was asked)
  kExitTrackFailed = 1,  ///< at least one track could not be saved
  kExitUsage = 2,        ///< bad command line, or an impossible state (a broken array limit)
};

/// Writes "quellora-dl: <message>" to stderr and ends the process with kExitUsage.
/// Used where the program cannot continue (a broken array limit); never returns.
[[noreturn]] void FatalError(std::string_view message);

/// Registers a routine to run at the normal end, in registration order; a routine already
/// registered is not added again.
void AddExitHook(void (*hook)());
/// Runs the registered exit hooks once, in order. Called by main after ProgramMain returns.
void RunExitHooks();
/// Sets the current directory to the folder that holds the executable.
void RuntimeInit();
/// The program opens no window, so there is no message loop: returns at once.
void RunMessageLoop();

}  // namespace quellora
