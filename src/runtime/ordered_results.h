// Results that workers finish in any order, handed to one owner in index order: the value at
// index i comes out once it and every value before it are finished, each exactly once.
//
// Thread-safe. Finish is called from any thread; the owner (one thread) takes values with
// TakeNext or TakeReady. The object owns a value from Finish until it is taken. Typical owner
// loop, which also ends when an interrupt means some indices will never be finished:
//
//   while (!results.AllTaken()) {
//     if (auto value = results.TakeNext(std::chrono::steady_clock::now() + kInterruptPoll)) {
//       Commit(*value);
//     } else if (Interrupted()) {
//       break;
//     }
//   }
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace quellora {

template <typename T>
class OrderedResults {
 public:
  /// Expects the indices 0 .. count-1.
  explicit OrderedResults(std::size_t count) : slots_(count) {}
  OrderedResults(const OrderedResults&) = delete;
  OrderedResults& operator=(const OrderedResults&) = delete;

  /// Stores the value for index. False (and the value is dropped) when index is out of range or
  /// was finished before.
  bool Finish(std::size_t index, T value) {
    {
      std::lock_guard lock(mutex_);
      if (index >= slots_.size() || slots_[index].finished) return false;
      slots_[index].value.emplace(std::move(value));
      slots_[index].finished = true;
    }
    ready_.notify_all();
    return true;
  }

  /// Waits until the value at NextIndex() is finished, then moves it out and moves on to the
  /// next index. std::nullopt when the deadline passed first or every value has been taken.
  std::optional<T> TakeNext(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    ready_.wait_until(lock, deadline, [this] { return next_ == slots_.size() || NextReady(); });
    if (!NextReady()) return std::nullopt;
    return TakeLocked();
  }

  /// Hands every value that is ready now, in order, to handle(index, value), without waiting;
  /// returns how many. handle runs without the lock held, so it may call Finish.
  template <typename Handle>
  std::size_t TakeReady(Handle&& handle) {
    std::size_t taken = 0;
    for (;;) {
      std::size_t index = 0;
      std::optional<T> value;
      {
        std::lock_guard lock(mutex_);
        if (!NextReady()) return taken;
        index = next_;
        value = TakeLocked();
      }
      handle(index, std::move(*value));
      ++taken;
    }
  }

  /// The index the next value taken will have; Count() once all are taken.
  std::size_t NextIndex() const {
    std::lock_guard lock(mutex_);
    return next_;
  }
  std::size_t Count() const { return slots_.size(); }
  bool AllTaken() const { return NextIndex() == Count(); }

 private:
  struct Slot {
    std::optional<T> value;
    bool finished = false;
  };

  bool NextReady() const { return next_ < slots_.size() && slots_[next_].value.has_value(); }

  std::optional<T> TakeLocked() {
    std::optional<T> value = std::move(slots_[next_].value);
    slots_[next_].value.reset();
    ++next_;
    return value;
  }

  mutable std::mutex mutex_;
  std::condition_variable ready_;
  std::vector<Slot> slots_;
  std::size_t next_ = 0;
};

}  // namespace quellora
