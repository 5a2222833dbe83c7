// The limits every network transfer of the program obeys, defined once for both of its HTTP
// paths (WebFetch for pages and JSON, the streaming download for audio files): how much of an
// answer may be held or written, how slow a transfer may become before it is abandoned, and how
// long connecting may take. Tests replace the values with SetTransferPolicy.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace quellora {

struct TransferPolicy {
  /// Most body bytes of an answer held in memory (a page, a JSON text, HttpReadFile). A longer
  /// body, or a Content-Length above it, fails the transfer; no more is read.
  std::int64_t memoryLimit = std::int64_t{64} << 20;
  /// Most body bytes of an audio file streamed to disk; beyond it the download fails.
  std::int64_t fileLimit = std::int64_t{4} << 30;
  /// A transfer that moves fewer than minimumRate bytes per second, averaged over rateWindow,
  /// is stalled and abandoned. Never judged before rateWindow has passed since the start; a
  /// rate or window of 0 switches the rule off.
  std::int64_t minimumRate = 1024;
  std::chrono::milliseconds rateWindow{std::chrono::seconds(60)};
  /// Longest time to establish the audio download's connection (WebFetch bounds its connecting
  /// by its own time-out).
  std::chrono::milliseconds connectTimeout{std::chrono::seconds(30)};
};

/// Replaces the limits for every later transfer (tests shorten them). Thread-safe.
void SetTransferPolicy(const TransferPolicy& policy);
/// The limits in force. Thread-safe.
TransferPolicy GetTransferPolicy();

/// A byte count for messages: "64 MiB", "4 GiB", "1 KiB" for whole multiples, else "1000 bytes".
std::string FormatByteCount(std::int64_t bytes);
/// A duration for messages: "60 s" for whole seconds, else "1500 ms".
std::string FormatDuration(std::chrono::milliseconds duration);

/// The reason a download too large for limit gives: "larger than 4 GiB".
std::string TooLargeReason(std::int64_t limit);
/// The reason a stalled download gives: "stalled: less than 1 KiB/s for 60 s".
std::string StalledReason(const TransferPolicy& policy);

}  // namespace quellora
