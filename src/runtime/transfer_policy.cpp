#include "runtime/transfer_policy.h"

#include <mutex>

namespace quellora {
namespace {

std::mutex& PolicyMutex() {
  static std::mutex mutex;
  return mutex;
}

TransferPolicy& Policy() {
  static TransferPolicy policy;
  return policy;
}

}  // namespace

void SetTransferPolicy(const TransferPolicy& policy) {
  std::lock_guard lock(PolicyMutex());
  Policy() = policy;
}

TransferPolicy GetTransferPolicy() {
  std::lock_guard lock(PolicyMutex());
  return Policy();
}

std::string FormatByteCount(std::int64_t bytes) {
  struct Unit {
    int shift;
    const char* name;
  };
  static constexpr Unit kUnits[] = {{40, "TiB"}, {30, "GiB"}, {20, "MiB"}, {10, "KiB"}};
  if (bytes > 0) {
    for (const Unit& unit : kUnits) {
      const std::int64_t size = std::int64_t{1} << unit.shift;
      if (bytes % size == 0) return std::to_string(bytes / size) + " " + unit.name;
    }
  }
  return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

std::string FormatDuration(std::chrono::milliseconds duration) {
  if (duration.count() % 1000 == 0) return std::to_string(duration.count() / 1000) + " s";
  return std::to_string(duration.count()) + " ms";
}

std::string TooLargeReason(std::int64_t limit) {
  return "larger than " + FormatByteCount(limit);
}

std::string StalledReason(const TransferPolicy& policy) {
  return "stalled: less than " + FormatByteCount(policy.minimumRate) + "/s for " +
         FormatDuration(policy.rateWindow);
}

}  // namespace quellora
