#include "runtime/worker_pool.h"

#include <algorithm>
#include <utility>

#include "runtime/interrupt.h"

namespace quellora {

WorkerPool::WorkerPool(int threads) {
  const int count = std::clamp(threads, kMinWorkers, kMaxWorkers);
  threads_.reserve(static_cast<std::size_t>(count));
  try {
    for (int i = 0; i < count; ++i) threads_.emplace_back([this] { Work(); });
  } catch (...) {
    Join();
    throw;
  }
}

WorkerPool::~WorkerPool() {
  Join();
}

bool WorkerPool::Submit(Task task) {
  {
    std::lock_guard lock(mutex_);
    if (closed_ || Interrupted()) return false;
    queue_.push_back(std::move(task));
  }
  changed_.notify_one();
  return true;
}

void WorkerPool::Close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
  }
  changed_.notify_all();
}

void WorkerPool::Join() {
  Close();
  std::lock_guard lock(joinMutex_);
  for (std::thread& thread : threads_) {
    if (thread.joinable()) thread.join();
  }
}

void WorkerPool::Work() {
  for (;;) {
    Task task;
    std::deque<Task> dropped;  // destroyed after the lock is released
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return closed_ || !queue_.empty(); });
      if (Interrupted()) dropped.swap(queue_);
      if (queue_.empty()) {
        if (closed_) return;
        continue;
      }
      task = std::move(queue_.front());
      queue_.pop_front();
    }
    task();
  }
}

}  // namespace quellora
