// Worker pool: threads that wait for a task, run it once and report back.
#include "base/worker_pool.h"

#include <algorithm>
#include <atomic>

namespace movexa {

int DefaultThreadCount() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(std::min(cores, 64u));
}

WorkerPool::WorkerPool(int threads) : threads_(threads > 0 ? threads : DefaultThreadCount()) {
  workers_.reserve(static_cast<size_t>(threads_ - 1));
  for (int w = 1; w < threads_; ++w) workers_.emplace_back([this, w] { Loop(w); });
}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  start_.notify_all();
  for (auto& t : workers_) t.join();
}

void WorkerPool::Loop(int worker) {
  uint64_t seen = 0;
  for (;;) {
    const std::function<void(int)>* task = nullptr;
    {
      std::unique_lock lock(mutex_);
      start_.wait(lock, [&] { return stopping_ || generation_ != seen; });
      if (stopping_) return;
      seen = generation_;
      task = task_;
    }
    std::exception_ptr failure;
    try {
      (*task)(worker);
    } catch (...) {
      failure = std::current_exception();
    }
    std::lock_guard lock(mutex_);
    if (failure && !failure_) failure_ = failure;
    if (--running_ == 0) finished_.notify_one();
  }
}

void WorkerPool::RunOnAll(const std::function<void(int worker)>& task) {
  {
    std::lock_guard lock(mutex_);
    task_ = &task;
    running_ = threads_ - 1;
    failure_ = nullptr;
    ++generation_;
  }
  start_.notify_all();
  std::exception_ptr failure;
  try {
    task(0);
  } catch (...) {
    failure = std::current_exception();
  }
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [&] { return running_ == 0; });
  task_ = nullptr;
  if (!failure) failure = failure_;
  failure_ = nullptr;
  lock.unlock();
  if (failure) std::rethrow_exception(failure);
}

void WorkerPool::ForEach(size_t count, const std::function<void(size_t item, int worker)>& work,
                         const std::function<void(size_t done)>& progress) {
  std::atomic<size_t> next{0};
  std::atomic<size_t> done{0};
  std::atomic<bool> failed{false};
  RunOnAll([&](int worker) {
    try {
      for (size_t item; !failed.load() && (item = next.fetch_add(1)) < count;) {
        work(item, worker);
        const size_t finished = done.fetch_add(1) + 1;
        if (worker == 0 && progress) progress(finished);
      }
    } catch (...) {
      failed = true;  // the other threads stop taking items
      throw;
    }
  });
}

}  // namespace movexa
