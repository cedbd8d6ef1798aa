// Work on independent items in parallel, results used strictly in order:
// the series and the contours cut their levels on worker threads and write
// them into one file, level after level.
//
// PrepareInOrder hands whole prepared items to the calling thread.
// InOrderStream streams the bytes of the items instead, in blocks, so that
// the item being written goes out while it is made and the memory held by
// items made ahead is bounded in bytes, however large the items are.
#pragma once

#include <algorithm>
#include <cassert>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
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
// An exception of an emit stops the work at once. An exception of prepare(i)
// stops it once every item before i is emitted (no item after i is started),
// so what is emitted and what is thrown do not depend on the timing: the
// items before the lowest failing one, and that one's exception, as on one
// thread. It is rethrown here once every worker has ended.
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
  std::size_t failedItem = n;  // the lowest item whose prepare failed
  std::exception_ptr failure;  // its exception

  auto work = [&] {
    for (;;) {
      std::size_t i = 0;
      {
        std::unique_lock lock(mutex);
        if (stop || next >= n || next >= failedItem) return;
        i = next++;
        freed.wait(lock, [&] { return stop || i >= failedItem || i < emitted + window; });
        if (stop || i >= failedItem) return;
      }
      // The slot is this worker's alone until it marks it prepared.
      try {
        prepare(i, slot[i % window]);
      } catch (...) {
        std::lock_guard lock(mutex);
        if (i < failedItem) {
          failedItem = i;
          failure = std::current_exception();
        }
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
        prepared.wait(lock, [&] { return i >= failedItem || slotItem[i % window] == i; });
        if (i >= failedItem) break;
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

// ---------------------------------------------------------------------------
// Streaming the bytes of items made in parallel, in order, bounded by memory.

// A block of bytes on its way from a worker to the writer.
struct ByteBlock {
  std::unique_ptr<char[]> data;
  std::size_t size = 0;
};

namespace stream_detail {

// Where a BlockOut hands its blocks.
class BlockSink {
 public:
  virtual ~BlockSink() = default;
  // An empty block of BlockOut::kBlockSize bytes to fill.
  virtual ByteBlock Take() = 0;
  // A filled block of `item` (size > 0); may wait for memory, may throw
  // Stopped when the work stops.
  virtual void Pass(std::size_t item, ByteBlock block) = 0;
};

// Thrown to a worker whose work was stopped (by a failure elsewhere or the
// caller); not a failure of its own.
struct Stopped {};

}  // namespace stream_detail

// The bytes of one item, as a worker makes them: filled into blocks of
// kBlockSize bytes, each handed on to the writer as soon as it is full.
class BlockOut {
 public:
  static constexpr std::size_t kBlockSize = std::size_t{256} << 10;

  explicit BlockOut(stream_detail::BlockSink& sink) : sink_(&sink) {}

  // Room for `n` bytes (n <= kBlockSize): write them from the returned
  // pointer and hand the end of what was written to Advance before the next
  // call. May wait while the bytes made ahead fill the memory allowed.
  char* Room(std::size_t n) {
    assert(n <= kBlockSize);
    if (!block_.data) block_ = sink_->Take();
    if (kBlockSize - block_.size < n) {
      Pass();
      block_ = sink_->Take();
    }
    return block_.data.get() + block_.size;
  }
  void Advance(const char* end) { block_.size = static_cast<std::size_t>(end - block_.data.get()); }

  // Any number of bytes, split over blocks.
  void Append(std::string_view bytes);

  // Starts item `item`; End hands on what is left of it.
  void Begin(std::size_t item) { item_ = item; }
  void End() {
    if (block_.data && block_.size > 0) Pass();
  }

 private:
  void Pass() {
    ByteBlock full = std::move(block_);
    block_ = {};
    sink_->Pass(item_, std::move(full));
  }

  stream_detail::BlockSink* sink_;
  ByteBlock block_;
  std::size_t item_ = 0;
};

namespace stream_detail {

// The bookkeeping of an InOrderStream with worker threads: which item comes
// next, the blocks made for each item not yet written, the memory they hold.
class OrderedBlocks final : public BlockSink {
 public:
  // `window`: items prepared or waiting at once; `aheadBlocks`: blocks that
  // items other than the one being written may hold.
  OrderedBlocks(std::size_t items, std::size_t window, std::size_t aheadBlocks);

  // Worker side. The next item to prepare, once it is within the window of
  // the item being written; false when none is left or the work stops.
  bool NextItem(std::size_t& item);
  ByteBlock Take() override;
  void Pass(std::size_t item, ByteBlock block) override;
  void Finished(std::size_t item);
  void Fail(std::exception_ptr failure);

  // Writer side (the calling thread). The next block of `item`, waiting for
  // it; false once the item has no more blocks, or when the work failed.
  bool NextBlock(std::size_t item, ByteBlock& block);
  void GiveBack(ByteBlock block);
  // Every byte of `item` is written: the next item is the one being written.
  void Written(std::size_t item);
  // Stops the work: waiting workers give up (Stopped).
  void Stop();
  std::exception_ptr Failure();

 private:
  struct ItemState {
    std::deque<ByteBlock> blocks;
    bool finished = false;
  };
  // Blocks the item being written may hold before its worker waits for the
  // writer: enough to keep both busy, few enough to stay warm in the cache.
  static constexpr std::size_t kHeadBlocks = 4;

  std::mutex mutex_;
  std::condition_variable toWorkers_;
  std::condition_variable toWriter_;
  const std::size_t items_;
  const std::size_t window_;
  const std::size_t aheadBlocks_;
  std::vector<ItemState> state_;  // item i at i % window
  std::vector<ByteBlock> free_;   // blocks to reuse
  std::size_t next_ = 0;          // the next item to hand out
  std::size_t head_ = 0;          // the item being written
  std::size_t ahead_ = 0;         // blocks held by items after head_
  bool stop_ = false;
  std::exception_ptr failure_;
};

}  // namespace stream_detail

// Prepares the items 0 … n-1 on worker threads and writes their bytes, in
// item order, on the calling thread.
//
// The constructor starts `threads` workers at once: each takes the next item
// i and runs prepare(i, slot, out), which makes the item's bytes in `out`
// and may leave more of the item in `slot` (a Slot reused from item to item,
// so it keeps its capacity and must be refilled). The caller may do other
// work meanwhile, then calls WriteAll(write, done): write(bytes) receives
// every byte in item order, in blocks of at most BlockOut::kBlockSize, and
// done(i, slot) runs after the last bytes of item i. Both run on the calling
// thread.
//
// Memory: the item being written goes to `write` block by block while it is
// made; the items after it hold at most `aheadBytes` of bytes (a worker
// whose item would hold more waits), and at most 4 slots per worker are in
// use. So memory is bounded by bytes, whatever the size or number of items.
//
// With one thread or fewer nothing runs before WriteAll, which prepares and
// writes the items one after another on the calling thread. The first
// exception of a prepare, write or done stops the work, and WriteAll throws
// it once every worker has ended; destroying the stream (also without
// WriteAll, or after an exception of the caller) stops and joins the
// workers.
template <typename Slot>
class InOrderStream {
 public:
  using Prepare = std::function<void(std::size_t, Slot&, BlockOut&)>;

  InOrderStream(std::size_t n, unsigned threads, std::size_t aheadBytes, Prepare prepare)
      : n_(n),
        threads_(threads),
        prepare_(std::move(prepare)),
        window_(threads > 1 ? 4 * static_cast<std::size_t>(threads) : 1),
        slots_(window_),
        blocks_(n, window_, std::max<std::size_t>(1, aheadBytes / BlockOut::kBlockSize)) {
    if (threads_ <= 1) return;
    try {
      workers_.reserve(threads_);
      for (unsigned t = 0; t < threads_; ++t) workers_.emplace_back([this] { Work(); });
    } catch (...) {
      Join();
      throw;
    }
  }
  ~InOrderStream() { Join(); }
  InOrderStream(const InOrderStream&) = delete;
  InOrderStream& operator=(const InOrderStream&) = delete;

  template <typename Write, typename Done>
  void WriteAll(Write&& write, Done&& done) {
    if (threads_ <= 1) {
      Direct<Write> sink(write);
      BlockOut out(sink);
      for (std::size_t i = 0; i < n_; ++i) {
        out.Begin(i);
        prepare_(i, slots_[0], out);
        out.End();
        done(i, static_cast<const Slot&>(slots_[0]));
      }
      return;
    }
    try {
      for (std::size_t i = 0; i < n_; ++i) {
        ByteBlock block;
        while (blocks_.NextBlock(i, block)) {
          write(std::string_view(block.data.get(), block.size));
          blocks_.GiveBack(std::move(block));
        }
        if (blocks_.Failure()) break;
        done(i, static_cast<const Slot&>(slots_[i % window_]));
        blocks_.Written(i);
      }
    } catch (...) {
      Join();
      throw;
    }
    Join();
    if (std::exception_ptr failure = blocks_.Failure()) std::rethrow_exception(failure);
  }

 private:
  // The sink of the one-thread case: every block is written at once and
  // reused.
  template <typename Write>
  class Direct final : public stream_detail::BlockSink {
   public:
    explicit Direct(Write& write) : write_(write) {}
    ByteBlock Take() override {
      if (spare_.data) return std::move(spare_);
      return ByteBlock{std::unique_ptr<char[]>(new char[BlockOut::kBlockSize]), 0};
    }
    void Pass(std::size_t, ByteBlock block) override {
      write_(std::string_view(block.data.get(), block.size));
      block.size = 0;
      spare_ = std::move(block);
    }

   private:
    Write& write_;
    ByteBlock spare_;
  };

  void Work() {
    BlockOut out(blocks_);
    std::size_t i = 0;
    while (blocks_.NextItem(i)) {
      try {
        out.Begin(i);
        prepare_(i, slots_[i % window_], out);
        out.End();
        blocks_.Finished(i);
      } catch (const stream_detail::Stopped&) {
        return;
      } catch (...) {
        blocks_.Fail(std::current_exception());
        return;
      }
    }
  }

  void Join() noexcept {
    blocks_.Stop();
    for (std::thread& t : workers_) t.join();
    workers_.clear();
  }

  const std::size_t n_;
  const unsigned threads_;
  Prepare prepare_;
  const std::size_t window_;
  std::vector<Slot> slots_;
  stream_detail::OrderedBlocks blocks_;
  std::vector<std::thread> workers_;
};

}  // namespace quervik
