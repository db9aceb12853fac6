// A small pool of worker threads for long computations over independent items (wells,
// channels): the calling thread works too, and alone it behaves exactly like a plain loop.
// Results must not depend on which thread computes an item; callers keep per-thread scratch
// indexed by the worker number.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
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

  // Runs task(worker) once on every thread (worker 0 is the caller) and returns when all have
  // returned. An exception thrown by a task is rethrown here after every thread has finished.
  void RunOnAll(const std::function<void(int worker)>& task);

  // Calls work(item, worker) for every item in [0, count), each exactly once, items handed out
  // in order. `progress(done)`, when given, is called on the calling thread only, after items it
  // finished itself, with the number of items finished so far.
  void ForEach(size_t count, const std::function<void(size_t item, int worker)>& work,
               const std::function<void(size_t done)>& progress = {});

 private:
  void Loop(int worker);

  int threads_ = 1;
  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable start_;
  std::condition_variable finished_;
  const std::function<void(int)>* task_ = nullptr;
  uint64_t generation_ = 0;
  int running_ = 0;
  bool stopping_ = false;
  std::exception_ptr failure_;
};

}  // namespace movexa
