// A growing buffer of bytes for text formatted apart from its file (on a
// worker thread): unlike a string it is not zero-filled before it is written
// over, and it keeps its capacity when cleared.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

namespace quervik {

class ByteBuffer {
 public:
  // Room for at least `n` more bytes; write them from the returned pointer
  // and hand the end of what was written to Advance.
  char* Reserve(std::size_t n) {
    if (capacity_ - size_ < n) {
      const std::size_t capacity =
          std::max(2 * capacity_, std::max(size_ + n, std::size_t{64} * 1024));
      std::unique_ptr<char[]> data(new char[capacity]);
      if (size_ > 0) std::memcpy(data.get(), data_.get(), size_);
      data_ = std::move(data);
      capacity_ = capacity;
    }
    return data_.get() + size_;
  }
  void Advance(const char* end) { size_ = static_cast<std::size_t>(end - data_.get()); }

  void Append(std::string_view text) {
    if (text.empty()) return;
    char* p = Reserve(text.size());
    std::memcpy(p, text.data(), text.size());
    size_ += text.size();
  }

  std::string_view view() const { return {data_.get(), size_}; }
  std::size_t size() const { return size_; }
  void clear() { size_ = 0; }

 private:
  std::unique_ptr<char[]> data_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace quervik
