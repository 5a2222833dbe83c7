#include "http/connection_share.h"

#include <array>
#include <atomic>
#include <mutex>

#include "runtime/curl_handle.h"

namespace quellora {
namespace {

constexpr long kDefaultKeptConnections = 4;

std::atomic<long> keptConnections{kDefaultKeptConnections};

// Owns the share handle and the mutexes its lock callbacks use.
class ConnectionShare {
 public:
  ConnectionShare() {
    CurlGlobalInit();
    share_ = curl_share_init();
    if (share_ == nullptr) return;
    if (curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &Lock) != CURLSHE_OK ||
        curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &Unlock) != CURLSHE_OK ||
        curl_share_setopt(share_, CURLSHOPT_USERDATA, this) != CURLSHE_OK ||
        curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT) != CURLSHE_OK) {
      curl_share_cleanup(share_);
      share_ = nullptr;
    }
  }
  ConnectionShare(const ConnectionShare&) = delete;
  ConnectionShare& operator=(const ConnectionShare&) = delete;
  ~ConnectionShare() {
    if (share_ != nullptr) curl_share_cleanup(share_);
  }

  CURLSH* get() const noexcept { return share_; }

 private:
  std::mutex& MutexFor(curl_lock_data data) {
    const auto index = static_cast<std::size_t>(data);
    return mutexes_[index < mutexes_.size() ? index : 0];
  }
  static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* user) {
    static_cast<ConnectionShare*>(user)->MutexFor(data).lock();
  }
  static void Unlock(CURL*, curl_lock_data data, void* user) {
    static_cast<ConnectionShare*>(user)->MutexFor(data).unlock();
  }

  CURLSH* share_ = nullptr;
  std::array<std::mutex, CURL_LOCK_DATA_LAST> mutexes_;
};

}  // namespace

CURLSH* SharedConnectionCache() {
  static ConnectionShare share;
  return share.get();
}

long KeptConnections() noexcept {
  return keptConnections.load(std::memory_order_relaxed);
}

void SetKeptConnections(long count) noexcept {
  keptConnections.store(count < 1 ? 1 : count, std::memory_order_relaxed);
}

}  // namespace quellora
