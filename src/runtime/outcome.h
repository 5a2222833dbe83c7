// What became of one piece of work the program does itself (a track, a request): saved, or
// failed with a short ASCII reason that is either transient (worth another try) or permanent.
// Replaces the mix of bool results, "empty text means success" and bare reason strings.
//
// A plain value: copy it, keep it, compare it; no locking needed.
#pragma once

#include <string>
#include <utility>

namespace quellora {

struct Outcome {
  enum class State { kSaved, kTransient, kPermanent };

  State state = State::kPermanent;
  /// Short ASCII text for the console line, e.g. "HTTP 503, 4 tries"; empty when saved.
  std::string reason;
  /// Tries made, counting the first one (1 when nothing was retried).
  int tries = 1;

  static Outcome Saved(int tries = 1) { return {State::kSaved, std::string(), tries}; }
  static Outcome Transient(std::string reason, int tries = 1) {
    return {State::kTransient, std::move(reason), tries};
  }
  static Outcome Permanent(std::string reason, int tries = 1) {
    return {State::kPermanent, std::move(reason), tries};
  }

  bool saved() const noexcept { return state == State::kSaved; }
  bool failed() const noexcept { return state != State::kSaved; }
  bool transient() const noexcept { return state == State::kTransient; }

  friend bool operator==(const Outcome&, const Outcome&) = default;
};

}  // namespace quellora
