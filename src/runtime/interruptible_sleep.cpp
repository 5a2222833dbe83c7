#include "runtime/interruptible_sleep.h"

#include <algorithm>
#include <thread>

#include "runtime/interrupt.h"

namespace quellora {

bool SleepUnlessInterrupted(std::chrono::milliseconds wait) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point until = Clock::now() + std::max(wait, std::chrono::milliseconds(0));
  for (;;) {
    if (Interrupted()) return false;
    const Clock::time_point now = Clock::now();
    if (now >= until) return true;
    std::this_thread::sleep_for(std::min<Clock::duration>(until - now, kInterruptPoll));
  }
}

}  // namespace quellora
