// Work on independent items in parallel, results used strictly in order:
// the series and the contours cut their levels on worker threads and write
// them into one file, level after level.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace quervik {

// The number of worker threads for `items` items: `requested`, or one per
// processor when it is 0; at most 64 and never more than there are items.
inline unsigned WorkerCount(unsigned requested, std::size_t items) {
  unsigned n = requested;
  if (n == 0) n = std::max(1u, std::thread::hardware_concurrency());
  n = std::min(n, 64u);
  return static_cast<unsigned>(std::min<std::size_t>(n, items));
}

// Prepares the items 0 … n-1 with `threads` worker threads
// (prepare(i, slot) runs on a worker) and hands them to emit(i, slot) on the
// calling thread, strictly in order. The workers fill a ring of Slot objects a
// few per thread deep, reused from item to item (so a slot keeps its capacity
// and must be refilled by prepare); a worker whose item is too far ahead of
// the emitting waits, so memory stays bounded however many items there are.
// With one thread or fewer, prepare and emit alternate on the calling thread.
// The first exception of a prepare or of an emit stops the work and is
// rethrown here once every worker has ended.
template <typename Slot, typename Prepare, typename Emit>
void PrepareInOrder(std::size_t n, unsigned threads, Prepare&& prepare, Emit&& emit) {
  if (threads <= 1) {
    Slot slot;
    for (std::size_t i = 0; i < n; ++i) {
      prepare(i, slot);
      emit(i, static_cast<const Slot&>(slot));
    }
    return;
  }
  const std::size_t window = 4 * static_cast<std::size_t>(threads);
  constexpr std::size_t kEmpty = static_cast<std::size_t>(-1);
  std::vector<Slot> slot(window);
  std::vector<std::size_t> slotItem(window, kEmpty);  // the item a slot holds, once prepared
  std::mutex mutex;
  std::condition_variable prepared;  // a slot was filled (or a worker failed)
  std::condition_variable freed;     // a slot was emitted (or the work stops)
  std::size_t next = 0;              // the next item to hand out
  std::size_t emitted = 0;           // items [0, emitted) are emitted
  bool stop = false;
  std::exception_ptr failure;

  auto work = [&] {
    for (;;) {
      std::size_t i = 0;
      {
        std::unique_lock lock(mutex);
        if (stop || next >= n) return;
        i = next++;
        freed.wait(lock, [&] { return stop || i < emitted + window; });
        if (stop) return;
      }
      // The slot is this worker's alone until it marks it prepared.
      try {
        prepare(i, slot[i % window]);
      } catch (...) {
        std::lock_guard lock(mutex);
        if (!failure) failure = std::current_exception();
        stop = true;
        prepared.notify_all();
        freed.notify_all();
        return;
      }
      std::lock_guard lock(mutex);
      slotItem[i % window] = i;
      prepared.notify_all();
    }
  };

  std::vector<std::thread> workers;
  auto finish = [&] {
    {
      std::lock_guard lock(mutex);
      stop = true;
    }
    freed.notify_all();
    for (std::thread& t : workers) t.join();
    workers.clear();
  };

  try {
    workers.reserve(threads);
    for (unsigned t = 0; t < threads; ++t) workers.emplace_back(work);
    for (std::size_t i = 0; i < n; ++i) {
      {
        std::unique_lock lock(mutex);
        prepared.wait(lock, [&] { return failure || slotItem[i % window] == i; });
        if (failure) break;
      }
      emit(i, static_cast<const Slot&>(slot[i % window]));
      {
        std::lock_guard lock(mutex);
        slotItem[i % window] = kEmpty;
        emitted = i + 1;
      }
      freed.notify_all();
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace quervik
