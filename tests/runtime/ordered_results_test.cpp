#include "runtime/ordered_results.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace quellora {
namespace {

using Clock = std::chrono::steady_clock;

std::chrono::steady_clock::time_point Soon() {
  return Clock::now() + std::chrono::seconds(20);
}

std::vector<std::size_t> Shuffled(std::size_t count, unsigned seed) {
  std::vector<std::size_t> order(count);
  std::iota(order.begin(), order.end(), 0);
  std::shuffle(order.begin(), order.end(), std::mt19937(seed));
  return order;
}

TEST(OrderedResults, ValuesFinishedInShuffledOrderComeOutInOrderOnce) {
  OrderedResults<std::string> results(50);
  for (const std::size_t i : Shuffled(50, 7)) ASSERT_TRUE(results.Finish(i, std::to_string(i)));
  std::vector<std::string> seen;
  const std::size_t taken = results.TakeReady([&](std::size_t index, std::string value) {
    EXPECT_EQ(value, std::to_string(index));
    seen.push_back(std::move(value));
  });
  EXPECT_EQ(taken, 50u);
  ASSERT_EQ(seen.size(), 50u);
  for (std::size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i], std::to_string(i));
  EXPECT_TRUE(results.AllTaken());
  EXPECT_EQ(results.TakeReady([](std::size_t, std::string) { ADD_FAILURE(); }), 0u);
  EXPECT_EQ(results.TakeNext(Soon()), std::nullopt);
}

TEST(OrderedResults, AValueWaitsForEveryEarlierOne) {
  OrderedResults<int> results(4);
  results.Finish(1, 10);
  results.Finish(2, 20);
  std::vector<std::size_t> order;
  const auto collect = [&order](std::size_t index, int) { order.push_back(index); };
  EXPECT_EQ(results.TakeReady(collect), 0u);
  EXPECT_EQ(results.TakeNext(Clock::now()), std::nullopt);  // index 0 is not finished
  EXPECT_EQ(results.NextIndex(), 0u);
  results.Finish(0, 0);
  EXPECT_EQ(results.TakeReady(collect), 3u);
  EXPECT_EQ(order, (std::vector<std::size_t>{0, 1, 2}));
  EXPECT_EQ(results.NextIndex(), 3u);
  EXPECT_FALSE(results.AllTaken());
  results.Finish(3, 30);
  EXPECT_EQ(results.TakeNext(Soon()), 30);
  EXPECT_TRUE(results.AllTaken());
}

TEST(OrderedResults, RefusesAnIndexTwiceOrOutOfRange) {
  OrderedResults<int> results(2);
  EXPECT_TRUE(results.Finish(0, 1));
  EXPECT_FALSE(results.Finish(0, 2));
  EXPECT_FALSE(results.Finish(2, 3));
  EXPECT_FALSE(results.Finish(static_cast<std::size_t>(-1), 4));
  EXPECT_EQ(results.TakeNext(Soon()), 1);
  EXPECT_FALSE(results.Finish(0, 5));  // taken already: still refused
  EXPECT_EQ(results.NextIndex(), 1u);
}

TEST(OrderedResults, NoValuesMeansAllTaken) {
  OrderedResults<int> results(0);
  EXPECT_TRUE(results.AllTaken());
  EXPECT_EQ(results.TakeNext(Soon()), std::nullopt);
}

TEST(OrderedResults, MoveOnlyValuesAreHandedOver) {
  OrderedResults<std::unique_ptr<int>> results(2);
  results.Finish(1, std::make_unique<int>(11));
  results.Finish(0, std::make_unique<int>(10));
  const std::optional<std::unique_ptr<int>> first = results.TakeNext(Soon());
  ASSERT_TRUE(first && *first);
  EXPECT_EQ(**first, 10);
  const std::optional<std::unique_ptr<int>> second = results.TakeNext(Soon());
  ASSERT_TRUE(second && *second);
  EXPECT_EQ(**second, 11);
}

TEST(OrderedResults, ManyThreadsFinishTheOwnerTakesInOrder) {
  constexpr std::size_t kCount = 2000;
  constexpr int kThreads = 8;
  OrderedResults<std::size_t> results(kCount);
  const std::vector<std::size_t> order = Shuffled(kCount, 42);
  std::vector<std::thread> workers;
  for (int t = 0; t < kThreads; ++t) {
    workers.emplace_back([&, t] {
      for (std::size_t k = static_cast<std::size_t>(t); k < kCount; k += kThreads) {
        EXPECT_TRUE(results.Finish(order[k], order[k] * 3));
        if (k % 64 == 0) std::this_thread::yield();
      }
    });
  }
  std::vector<std::size_t> seen;
  while (!results.AllTaken()) {
    const std::optional<std::size_t> value = results.TakeNext(Soon());
    if (!value) {
      ADD_FAILURE() << "no value for index " << results.NextIndex();
      break;
    }
    seen.push_back(*value);
  }
  for (std::thread& worker : workers) worker.join();
  ASSERT_EQ(seen.size(), kCount);
  for (std::size_t i = 0; i < kCount; ++i) ASSERT_EQ(seen[i], i * 3) << "at " << i;
}

}  // namespace
}  // namespace quellora
