#include "runtime/host_gate.h"

#include <algorithm>
#include <utility>

#include "runtime/ascii.h"
#include "runtime/interrupt.h"
#include "runtime/interruptible_sleep.h"

namespace quellora {
namespace {

std::string HostKey(std::string_view host) {
  std::string key(host);
  for (char& c : key) c = AsciiLower(c);
  return key;
}

}  // namespace

HostGate::HostGate(Now now) : now_(std::move(now)) {
  if (!now_) now_ = [] { return Clock::now(); };
}

void HostGate::PauseHost(std::string_view host, Clock::time_point until) {
  {
    std::lock_guard lock(mutex_);
    auto [entry, added] = pauses_.try_emplace(HostKey(host), until);
    if (!added) entry->second = std::max(entry->second, until);
  }
  changed_.notify_all();
}

void HostGate::PauseHostFor(std::string_view host, std::chrono::milliseconds wait) {
  PauseHost(host, now_() + wait);
}

bool HostGate::WaitForHost(std::string_view host, bool interruptible) {
  const std::string key = HostKey(host);
  std::unique_lock lock(mutex_);
  for (;;) {
    if (interruptible && Interrupted()) return false;
    const auto entry = pauses_.find(key);
    if (entry == pauses_.end()) return true;
    const Clock::time_point now = now_();
    if (now >= entry->second) return true;
    changed_.wait_for(lock, std::min<Clock::duration>(entry->second - now, kInterruptPoll));
  }
}

std::optional<HostGate::Clock::time_point> HostGate::PausedUntil(std::string_view host) const {
  std::lock_guard lock(mutex_);
  const auto entry = pauses_.find(HostKey(host));
  if (entry == pauses_.end() || now_() >= entry->second) return std::nullopt;
  return entry->second;
}

}  // namespace quellora
