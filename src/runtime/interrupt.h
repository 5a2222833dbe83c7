// Stopping a run on SIGINT or SIGTERM without leaving anything half done.
//
// The handler only records the signal. Transfers look at it in their progress callbacks (called
// at least once a second, also while a server is silent) and end with an "interrupted" failure;
// their temporary files go with them. The workflow starts nothing new once it is set, and main
// ends the process with 128 + the signal number. A second signal of either kind ends the process
// at once (the default action).
#pragma once

namespace quellora {

/// Exit code of a run stopped by signal: 128 + the signal number (130 for SIGINT, 143 for
/// SIGTERM).
int InterruptExitCode(int signal) noexcept;

/// Installs the handlers for SIGINT and SIGTERM. Blocking reads are not restarted after a
/// signal, so a prompt waiting for input returns.
void InstallInterruptHandlers();

/// The first signal received since start (or the last ClearInterrupt), 0 when none. Safe from
/// any thread.
int InterruptSignal() noexcept;

/// InterruptSignal() != 0.
inline bool Interrupted() noexcept {
  return InterruptSignal() != 0;
}

/// Records signal as if it had arrived (tests), or forgets it with 0.
void SetInterruptSignal(int signal) noexcept;

}  // namespace quellora
