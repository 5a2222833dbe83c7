// A fixed set of threads running tasks from one queue, first in, first out.
//
// Once Interrupted() is set the pool takes no new task and starts no queued one (those are
// dropped unrun); tasks already running finish. The destructor closes the queue, lets the
// queued tasks run (unless interrupted) and joins every thread.
//
// Submit, Close and Join are thread-safe, but Join (and so the destructor) must not be called
// from one of the pool's own tasks. Tasks must not throw.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace quellora {

inline constexpr int kMinWorkers = 1;
inline constexpr int kMaxWorkers = 16;

class WorkerPool {
 public:
  using Task = std::function<void()>;

  /// Starts threads threads, clamped to kMinWorkers..kMaxWorkers.
  explicit WorkerPool(int threads);
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;
  ~WorkerPool();

  /// Queues task; false (task dropped unrun) after Close or once Interrupted() is set.
  bool Submit(Task task);
  /// Takes no more tasks; queued ones still run. Returns at once.
  void Close();
  /// Close, then waits for every queued task to run (or be dropped) and every thread to end.
  void Join();

  int size() const noexcept { return static_cast<int>(threads_.size()); }

 private:
  void Work();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Task> queue_;
  bool closed_ = false;
  std::mutex joinMutex_;  // one Join at a time
  std::vector<std::thread> threads_;
};

}  // namespace quellora
