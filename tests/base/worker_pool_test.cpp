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

TEST(WorkerPool, ExceptionOfAnyThreadReachesTheCallerAndThePoolStaysUsable) {
  WorkerPool pool(2);
  EXPECT_THROW(pool.RunOnAll([](int worker) {
    if (worker == 1) throw std::runtime_error("worker");
  }),
               std::runtime_error);
  EXPECT_THROW(pool.ForEach(100,
                            [](size_t item, int) {
                              if (item == 37) throw std::runtime_error("item");
                            }),
               std::runtime_error);
  std::atomic<int> runs{0};
  pool.RunOnAll([&](int) { ++runs; });
  EXPECT_EQ(runs.load(), 2);
}

}  // namespace
}  // namespace movexa
