// The program's entry and its three-question console dialogue.
#pragma once

namespace quellora {

/// Asks for the album name, the album index and the download mode, running the workflow steps
/// between the questions. Once Interrupted() it asks nothing further and returns. Returns 0.
int ConsoleDialogue();
/// The whole run: runtime start-up, globals, the dialogue. Returns the process exit code:
/// kExitOk, or kExitTrackFailed when a track could not be saved; after SIGINT or SIGTERM,
/// InterruptExitCode of that signal.
int ProgramMain();

}  // namespace quellora
