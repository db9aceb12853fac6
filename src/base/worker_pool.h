// A small pool of worker threads for long computations over independent items (wells,
// channels): the calling thread works too, and alone it behaves exactly like a plain loop.
// Results must not depend on which thread computes an item; callers keep per-thread scratch
// indexed by the worker number.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace movexa {

// The number of threads to use when the caller does not say: every core the system reports.
int DefaultThreadCount();

class WorkerPool {
 public:
  // `threads` in all, the caller included; 0 means DefaultThreadCount().
  explicit WorkerPool(int threads = 0);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  int Threads() const { return threads_; }

  // Calls work(item, worker) for every item in [0, count), each exactly once, items handed out
  // in order; `worker` is 0 on the calling thread and 1 .. Threads() - 1 on the others, and one
  // worker runs one item at a time. Returns as soon as every item is finished: a busy system
  // that has not yet woken a worker does not hold the caller up, the caller takes the items.
  // `progress(done)`, when given, is called on the calling thread only, after items it
  // finished itself. An exception thrown by `work` stops the hand-out and is rethrown here once
  // the items already begun are finished.
  void ForEach(size_t count, const std::function<void(size_t item, int worker)>& work,
               const std::function<void(size_t done)>& progress = {});

 private:
  struct Job;
  void Loop(int worker);
  static void Work(Job& job, int worker, const std::function<void(size_t)>* progress);

  int threads_ = 1;
  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::shared_ptr<Job> job_;
  uint64_t generation_ = 0;
  bool stopping_ = false;
};

}  // namespace movexa
