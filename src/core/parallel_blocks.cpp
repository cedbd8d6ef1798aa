#include "core/parallel_blocks.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace quervik {

namespace {

struct Job {
  std::size_t blocks = 0;
  void (*work)(void*, std::size_t) = nullptr;
  void* context = nullptr;
  unsigned helpers = 0;  // workers still allowed to join
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};
  std::exception_ptr error;  // the first exception, written by whoever set `failed`
};

void RunBlocks(Job& job) {
  for (std::size_t b = job.next.fetch_add(1, std::memory_order_relaxed); b < job.blocks;
       b = job.next.fetch_add(1, std::memory_order_relaxed)) {
    try {
      job.work(job.context, b);
    } catch (...) {
      if (!job.failed.exchange(true)) job.error = std::current_exception();
      job.next.store(job.blocks, std::memory_order_relaxed);  // no new blocks start
      return;
    }
  }
}

class Pool {
 public:
  Pool() {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    workers_.reserve(cores - 1);
    for (unsigned t = 0; t + 1 < cores; ++t) workers_.emplace_back([this] { Serve(); });
  }

  ~Pool() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : workers_) t.join();
  }

  unsigned workers() const { return static_cast<unsigned>(workers_.size()); }

  // False when the workers are busy with another call.
  bool Run(Job& job) {
    bool expected = false;
    if (!busy_.compare_exchange_strong(expected, true, std::memory_order_acquire)) return false;
    {
      std::lock_guard lock(mutex_);
      job_ = &job;
      ++generation_;
    }
    wake_.notify_all();
    RunBlocks(job);
    {
      // Once no worker is inside and job_ is cleared under the same lock, no
      // worker can reach the job again: it lives on the caller's stack.
      std::unique_lock lock(mutex_);
      done_.wait(lock, [this] { return inside_ == 0; });
      job_ = nullptr;
    }
    busy_.store(false, std::memory_order_release);
    return true;
  }

 private:
  void Serve() {
    std::uint64_t seen = 0;
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [&] { return stop_ || (job_ != nullptr && generation_ != seen); });
      if (stop_) return;
      seen = generation_;
      Job& job = *job_;
      if (job.helpers == 0) continue;
      --job.helpers;
      ++inside_;
      lock.unlock();
      RunBlocks(job);
      lock.lock();
      if (--inside_ == 0) done_.notify_one();
    }
  }

  std::vector<std::thread> workers_;
  std::atomic<bool> busy_{false};
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  Job* job_ = nullptr;
  std::uint64_t generation_ = 0;
  unsigned inside_ = 0;
  bool stop_ = false;
};

Pool& ThePool() {
  static Pool pool;
  return pool;
}

}  // namespace

void ParallelBlocks(std::size_t blocks, unsigned threads, void (*work)(void*, std::size_t),
                    void* context) {
  Job job;
  job.blocks = blocks;
  job.work = work;
  job.context = context;
  if (blocks > 1 && threads != 1) {
    Pool& pool = ThePool();
    const unsigned helpers = threads == 0 ? pool.workers() : std::min(pool.workers(), threads - 1);
    job.helpers = static_cast<unsigned>(std::min<std::size_t>(helpers, blocks - 1));
    if (job.helpers > 0 && pool.Run(job)) {
      if (job.error) std::rethrow_exception(job.error);
      return;
    }
  }
  RunBlocks(job);
  if (job.error) std::rethrow_exception(job.error);
}

}  // namespace quervik
