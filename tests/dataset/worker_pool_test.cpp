#include "dataset/worker_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <stdexcept>
#include <thread>
#include <vector>

namespace marbleset {
namespace {

// Far more tasks than the pool has threads, each waiting for a group of its own inside it: the
// waiting threads run their own tasks, so nothing deadlocks and every sum is complete.
TEST(WorkerPool, NestedGroupsBeyondThePoolSizeFinishWithEveryTask) {
  const std::size_t outer = 4 * WorkerCount() + 3, inner = 17;
  std::vector<long> sums(outer, 0);
  TaskGroup group;
  for (std::size_t o = 0; o < outer; ++o)
    group.Run([&sums, o, inner] {
      std::vector<long> parts(inner, 0);
      TaskGroup nested;
      for (std::size_t i = 0; i < inner; ++i)
        nested.Run([&parts, i, o] { parts[i] = static_cast<long>(o * 100 + i); });
      nested.Wait();
      sums[o] = std::accumulate(parts.begin(), parts.end(), 0L);
    });
  group.Wait();
  for (std::size_t o = 0; o < outer; ++o)
    EXPECT_EQ(sums[o], static_cast<long>(o * 100 * inner + inner * (inner - 1) / 2)) << o;
}

TEST(WorkerPool, FirstFailureReachesTheWaiterAndTheGroupCanBeUsedAgain) {
  TaskGroup group;
  std::atomic<int> ran{0};
  for (int t = 0; t < 8; ++t)
    group.Run([&ran, t] {
      ++ran;
      if (t == 5) throw std::runtime_error("task 5");
    });
  EXPECT_THROW(group.Wait(), std::runtime_error);
  EXPECT_EQ(ran.load(), 8);
  group.Run([&ran] { ran = 100; });
  group.Wait();
  EXPECT_EQ(ran.load(), 100);
}

// The workers are held inside the first tasks while the group is cancelled: only the tasks
// already started run, however many were waiting.
TEST(WorkerPool, CancelledTasksNeverRun) {
  std::atomic<bool> open{false};
  std::atomic<int> ran{0};
  {
    TaskGroup group;
    for (int t = 0; t < 1000; ++t)
      group.Run([&] {
        while (!open) std::this_thread::yield();
        ++ran;
      });
    group.Cancel();
    open = true;
  }
  TaskGroup later;
  for (std::size_t t = 0; t < 4 * WorkerCount(); ++t) later.Run([] {});
  later.Wait();
  EXPECT_LE(ran.load(), static_cast<int>(WorkerCount()));
}

}  // namespace
}  // namespace marbleset
