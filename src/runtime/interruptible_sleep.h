// Waiting that an interrupt (SIGINT, SIGTERM) cuts short.
#pragma once

#include <chrono>

namespace quellora {

/// How often a wait looks at Interrupted(): a signal ends any wait within about this long.
inline constexpr std::chrono::milliseconds kInterruptPoll{100};

/// Sleeps for wait, looking at Interrupted() at least every kInterruptPoll; false as soon as it
/// is set (also when it is set already), true when the whole wait passed. A wait of 0 or less
/// only looks at the flag.
bool SleepUnlessInterrupted(std::chrono::milliseconds wait);

}  // namespace quellora
