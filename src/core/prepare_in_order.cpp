#include "core/prepare_in_order.h"

#include <cstring>

namespace quervik {

void BlockOut::Append(std::string_view bytes) {
  while (!bytes.empty()) {
    if (!block_.data) block_ = sink_->Take();
    if (block_.size == kBlockSize) {
      Pass();
      continue;
    }
    const std::size_t n = std::min(bytes.size(), kBlockSize - block_.size);
    std::memcpy(block_.data.get() + block_.size, bytes.data(), n);
    block_.size += n;
    bytes.remove_prefix(n);
  }
}

namespace stream_detail {

OrderedBlocks::OrderedBlocks(std::size_t items, std::size_t window, std::size_t aheadBlocks)
    : items_(items), window_(window), aheadBlocks_(aheadBlocks), state_(window) {}

bool OrderedBlocks::NextItem(std::size_t& item) {
  std::unique_lock lock(mutex_);
  if (stop_ || next_ >= items_) return false;
  item = next_++;
  toWorkers_.wait(lock, [&] { return stop_ || item < head_ + window_; });
  return !stop_;
}

ByteBlock OrderedBlocks::Take() {
  {
    std::lock_guard lock(mutex_);
    if (!free_.empty()) {
      ByteBlock block = std::move(free_.back());
      free_.pop_back();
      block.size = 0;
      return block;
    }
  }
  return ByteBlock{std::unique_ptr<char[]>(new char[BlockOut::kBlockSize]), 0};
}

void OrderedBlocks::Pass(std::size_t item, ByteBlock block) {
  std::unique_lock lock(mutex_);
  ItemState& s = state_[item % window_];
  // The item being written may run a few blocks ahead of the writer; the
  // others share what the memory allows and wait for their turn beyond it.
  toWorkers_.wait(lock, [&] {
    return stop_ || (item == head_ ? s.blocks.size() < kHeadBlocks : ahead_ < aheadBlocks_);
  });
  if (stop_) throw Stopped{};
  s.blocks.push_back(std::move(block));
  if (item == head_) {
    toWriter_.notify_one();
  } else {
    ++ahead_;
  }
}

void OrderedBlocks::Finished(std::size_t item) {
  std::lock_guard lock(mutex_);
  state_[item % window_].finished = true;
  if (item == head_) toWriter_.notify_one();
}

void OrderedBlocks::Fail(std::exception_ptr failure) {
  std::lock_guard lock(mutex_);
  if (!failure_) failure_ = std::move(failure);
  stop_ = true;
  toWorkers_.notify_all();
  toWriter_.notify_all();
}

bool OrderedBlocks::NextBlock(std::size_t item, ByteBlock& block) {
  std::unique_lock lock(mutex_);
  ItemState& s = state_[item % window_];
  toWriter_.wait(lock, [&] { return failure_ || !s.blocks.empty() || s.finished; });
  if (failure_ || s.blocks.empty()) return false;
  block = std::move(s.blocks.front());
  s.blocks.pop_front();
  toWorkers_.notify_all();  // the item's worker may wait for room
  return true;
}

void OrderedBlocks::GiveBack(ByteBlock block) {
  std::lock_guard lock(mutex_);
  free_.push_back(std::move(block));
}

void OrderedBlocks::Written(std::size_t item) {
  std::lock_guard lock(mutex_);
  state_[item % window_].finished = false;
  head_ = item + 1;
  // The next item's blocks are no longer ahead: they are written now.
  if (head_ < items_) ahead_ -= state_[head_ % window_].blocks.size();
  toWorkers_.notify_all();
}

void OrderedBlocks::Stop() {
  std::lock_guard lock(mutex_);
  stop_ = true;
  toWorkers_.notify_all();
  toWriter_.notify_all();
}

std::exception_ptr OrderedBlocks::Failure() {
  std::lock_guard lock(mutex_);
  return failure_;
}

}  // namespace stream_detail
}  // namespace quervik
