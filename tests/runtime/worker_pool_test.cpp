#include "runtime/worker_pool.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <set>
#include <thread>

#include "interrupt_reset.h"

namespace quellora {
namespace {

constexpr std::chrono::seconds kDeadline{20};

class WorkerPoolTest : public testing::InterruptReset {};

TEST_F(WorkerPoolTest, RunsEveryTask) {
  std::atomic<int> ran{0};
  std::mutex mutex;
  std::set<std::thread::id> threads;
  {
    WorkerPool pool(4);
    EXPECT_EQ(pool.size(), 4);
    for (int i = 0; i < 1000; ++i) {
      ASSERT_TRUE(pool.Submit([&] {
        ++ran;
        std::lock_guard lock(mutex);
        threads.insert(std::this_thread::get_id());
      }));
    }
    pool.Join();
    EXPECT_EQ(ran.load(), 1000);
  }
  EXPECT_LE(threads.size(), 4u);
  EXPECT_EQ(threads.count(std::this_thread::get_id()), 0u);
}

TEST_F(WorkerPoolTest, TheDestructorRunsTheQueuedTasks) {
  std::atomic<int> ran{0};
  {
    WorkerPool pool(2);
    for (int i = 0; i < 200; ++i) pool.Submit([&ran] { ++ran; });
  }
  EXPECT_EQ(ran.load(), 200);
}

TEST_F(WorkerPoolTest, ThreadCountIsClamped) {
  EXPECT_EQ(WorkerPool(0).size(), kMinWorkers);
  EXPECT_EQ(WorkerPool(-3).size(), kMinWorkers);
  EXPECT_EQ(WorkerPool(16).size(), 16);
  EXPECT_EQ(WorkerPool(100).size(), kMaxWorkers);
}

TEST_F(WorkerPoolTest, NoTaskIsTakenAfterClose) {
  WorkerPool pool(2);
  pool.Close();
  bool ran = false;
  EXPECT_FALSE(pool.Submit([&ran] { ran = true; }));
  pool.Join();
  pool.Join();  // a second Join is harmless
  EXPECT_FALSE(ran);
}

TEST_F(WorkerPoolTest, AnInterruptStopsNewWork) {
  std::promise<void> started;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<int> queuedRan{0};
  std::atomic<bool> firstFinished{false};
  WorkerPool pool(1);
  ASSERT_TRUE(pool.Submit([&] {
    started.set_value();
    released.wait_for(kDeadline);
    firstFinished = true;
  }));
  ASSERT_EQ(started.get_future().wait_for(kDeadline), std::future_status::ready);
  // The only worker is busy, so these wait in the queue.
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(pool.Submit([&queuedRan] { ++queuedRan; }));
  SetInterruptSignal(SIGINT);
  EXPECT_FALSE(pool.Submit([&queuedRan] { ++queuedRan; }));
  release.set_value();
  pool.Join();
  EXPECT_TRUE(firstFinished.load());  // the running task was let finish
  EXPECT_EQ(queuedRan.load(), 0);
}

}  // namespace
}  // namespace quellora
