// Worker pool: threads that join the current job, take its items one by one and go back to
// sleep when none is left.
#include "base/worker_pool.h"

#include <algorithm>
#include <exception>

namespace movexa {

// One ForEach call. Shared with the workers that joined it, so a worker that wakes after the
// last item was taken still finds a valid job (and takes nothing). Items are handed out under
// the lock, so "every item begun is finished" is exact when the caller stops waiting.
struct WorkerPool::Job {
  std::function<void(size_t, int)> work;
  size_t count = 0;
  std::mutex mutex;
  std::condition_variable settled;
  size_t next = 0;     // the next item to hand out
  size_t running = 0;  // items handed out and not finished
  size_t finished = 0;
  bool stopped = false;  // an item failed: nothing more is handed out
  std::exception_ptr failure;

  bool Settled() const { return running == 0 && (stopped || next == count); }
};

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
  wake_.notify_all();
  for (auto& t : workers_) t.join();
}

void WorkerPool::Work(Job& job, int worker, const std::function<void(size_t)>* progress) {
  for (;;) {
    size_t item = 0;
    {
      std::lock_guard lock(job.mutex);
      if (job.stopped || job.next == job.count) return;
      item = job.next++;
      ++job.running;
    }
    std::exception_ptr failure;
    try {
      job.work(item, worker);
    } catch (...) {
      failure = std::current_exception();
    }
    size_t finished = 0;
    {
      std::lock_guard lock(job.mutex);
      --job.running;
      finished = ++job.finished;
      if (failure) {
        job.stopped = true;
        if (!job.failure) job.failure = failure;
      }
      if (job.Settled()) job.settled.notify_all();
    }
    if (failure) return;
    if (progress && *progress) (*progress)(finished);
  }
}

void WorkerPool::Loop(int worker) {
  uint64_t seen = 0;
  for (;;) {
    std::shared_ptr<Job> job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
      if (stopping_) return;
      seen = generation_;
      job = job_;
    }
    if (job) Work(*job, worker, nullptr);
  }
}

void WorkerPool::ForEach(size_t count, const std::function<void(size_t item, int worker)>& work,
                         const std::function<void(size_t done)>& progress) {
  if (count == 0) return;
  auto job = std::make_shared<Job>();
  job->work = work;
  job->count = count;
  if (threads_ > 1) {
    {
      std::lock_guard lock(mutex_);
      job_ = job;
      ++generation_;
    }
    wake_.notify_all();
  }
  std::exception_ptr failure;
  try {
    Work(*job, 0, &progress);
  } catch (...) {  // from `progress`: stop the hand-out, let the items begun finish
    failure = std::current_exception();
    std::lock_guard lock(job->mutex);
    job->stopped = true;
  }
  std::unique_lock lock(job->mutex);
  job->settled.wait(lock, [&] { return job->Settled(); });
  if (!failure) failure = job->failure;
  lock.unlock();
  {
    std::lock_guard poolLock(mutex_);
    if (job_ == job) job_.reset();
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace movexa
