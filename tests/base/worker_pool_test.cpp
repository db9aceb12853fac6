// The worker pool hands out every item once, reports progress on the calling thread only and
// carries a task's exception back to the caller.
#include "base/worker_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace movexa {
namespace {

TEST(WorkerPool, EveryItemOnceOnAnyNumberOfThreads) {
  for (int threads : {1, 2, 5}) {
    WorkerPool pool(threads);
    EXPECT_EQ(pool.Threads(), threads);
    for (size_t count : {size_t{0}, size_t{1}, size_t{1000}}) {
      std::vector<std::atomic<int>> seen(count);
      std::vector<size_t> progress;
      const auto caller = std::this_thread::get_id();
      bool progressElsewhere = false;
      pool.ForEach(
          count,
          [&](size_t item, int worker) {
            EXPECT_GE(worker, 0);
            EXPECT_LT(worker, threads);
            ++seen[item];
          },
          [&](size_t done) {
            if (std::this_thread::get_id() != caller) progressElsewhere = true;
            progress.push_back(done);
          });
      for (size_t i = 0; i < count; ++i) EXPECT_EQ(seen[i].load(), 1) << i;
      EXPECT_FALSE(progressElsewhere);
      for (size_t i = 1; i < progress.size(); ++i) EXPECT_LT(progress[i - 1], progress[i]);
      if (!progress.empty()) {
        EXPECT_LE(progress.back(), count);
      }
    }
  }
  EXPECT_GE(WorkerPool().Threads(), 1);
}

TEST(WorkerPool, AFailedItemStopsTheHandOutAndReachesTheCallerAfterTheItemsBegun) {
  WorkerPool pool(2);
  for (size_t failing : {size_t{0}, size_t{37}, size_t{99}}) {
    std::atomic<int> running{0}, begun{0}, ended{0};
    EXPECT_THROW(pool.ForEach(100,
                              [&](size_t item, int) {
                                ++begun;
                                ++running;
                                std::this_thread::yield();
                                --running;
                                ++ended;
                                if (item == failing) throw std::runtime_error("item");
                              }),
                 std::runtime_error);
    // Nothing still runs when the failure is reported: every item begun has ended.
    EXPECT_EQ(running.load(), 0);
    EXPECT_EQ(begun.load(), ended.load());
  }
  // A failing progress report (on the caller, which alone takes every item of a one-thread pool).
  WorkerPool alone(1);
  EXPECT_THROW(alone.ForEach(
                   10, [](size_t, int) {}, [](size_t) { throw std::logic_error("progress"); }),
               std::logic_error);
  // The pool stays usable.
  std::atomic<int> items{0};
  pool.ForEach(50, [&](size_t, int) { ++items; });
  EXPECT_EQ(items.load(), 50);
}

TEST(WorkerPool, ManySmallJobsInARowEachFinishWhole) {
  // Jobs that end before a worker wakes: a late worker must take nothing from a finished job.
  WorkerPool pool(3);
  std::vector<int> sums(2000, 0);
  for (size_t job = 0; job < sums.size(); ++job) {
    std::vector<std::atomic<int>> seen(3);
    pool.ForEach(3, [&](size_t item, int) { ++seen[item]; });
    for (auto& s : seen) sums[job] += s.load();
  }
  for (int s : sums) ASSERT_EQ(s, 3);
}

}  // namespace
}  // namespace movexa
