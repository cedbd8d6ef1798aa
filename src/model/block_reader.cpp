#include "model/block_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/errors.h"

namespace quervik {

InputFile::InputFile(const std::string& path) : path_(path) {
  // Opened without waiting, so that a pipe no one writes to cannot block the
  // open itself; only a regular file is read, and blocking reads again.
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd_ < 0) RaiseFileError(errno, path);
  struct stat st {};
  int problem = 0;
  if (::fstat(fd_, &st) != 0) {
    problem = errno;
  } else if (S_ISDIR(st.st_mode)) {
    problem = EISDIR;
  } else if (!S_ISREG(st.st_mode)) {
    problem = EACCES;  // a device or a pipe may never end or block for ever
  } else {
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0) problem = errno;
  }
  if (problem != 0) {
    ::close(fd_);
    RaiseFileError(problem, path);
  }
  size_ = static_cast<std::uint64_t>(st.st_size);
  ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
}

InputFile::~InputFile() {
  if (fd_ >= 0) ::close(fd_);
}

BlockReader::BlockReader(const InputFile& file, const ReadProgress& progress)
    : fd_(file.fd()),
      path_(file.path()),
      progress_(&progress),
      capacity_(kBlockBytes),
      size_(file.size()) {
  buffer_.reset(new char[capacity_]);
  p = end = base_ = buffer_.get();
}

BlockReader::BlockReader(std::string_view data, std::size_t blockBytes)
    : memory_(data),
      blockBytes_(std::max<std::size_t>(blockBytes, 1)),
      capacity_(std::max<std::size_t>(blockBytes, 1)),
      size_(data.size()) {
  buffer_.reset(new char[capacity_]);
  p = end = base_ = buffer_.get();
}

std::size_t BlockReader::Fill(char* to, std::size_t room) {
  if (fd_ < 0) {
    const std::size_t n = std::min({room, blockBytes_, memory_.size() - memoryTaken_});
    if (n > 0) std::memcpy(to, memory_.data() + memoryTaken_, n);
    memoryTaken_ += n;
    return n;
  }
  for (;;) {
    const ssize_t got = ::read(fd_, to, room);
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) RaiseFileError(errno, path_);
  }
}

bool BlockReader::ReadMore() {
  if (ended_) return false;
  char* const buffer = buffer_.get();
  std::size_t held = static_cast<std::size_t>(end - p);
  if (p != buffer) {
    consumed_ += static_cast<std::uint64_t>(p - base_);
    std::memmove(buffer, p, held);
    p = base_ = buffer;
    end = buffer + held;
  }
  if (held == capacity_) {
    const std::size_t grown = capacity_ * 2;
    std::unique_ptr<char[]> bigger(new char[grown]);
    std::memcpy(bigger.get(), buffer_.get(), held);
    buffer_ = std::move(bigger);
    capacity_ = grown;
    p = base_ = buffer_.get();
    end = p + held;
  }
  const std::size_t got = Fill(buffer_.get() + held, capacity_ - held);
  if (got == 0) {
    ended_ = true;
    return false;
  }
  end += got;
  bytesRead_ += got;
  if (progress_ != nullptr && *progress_ && size_ > 0) {
    const int percent = bytesRead_ >= size_ ? 100 : static_cast<int>(bytesRead_ * 100 / size_);
    if (percent != lastPercent_) {
      lastPercent_ = percent;
      (*progress_)(percent);
    }
  }
  return true;
}

bool BlockReader::EnsureSlow(std::size_t n) {
  while (static_cast<std::size_t>(end - p) < n) {
    if (!ReadMore()) return false;
  }
  return true;
}

bool BlockReader::Skip(std::uint64_t n) {
  for (;;) {
    const std::uint64_t held = static_cast<std::uint64_t>(end - p);
    if (held >= n) {
      p += n;
      return true;
    }
    n -= held;
    p = end;
    if (!ReadMore()) return false;
  }
}

TextTokens::TextTokens(BlockReader& in, std::int64_t firstLine)
    : in_(in), stop_(in.p), line_(firstLine) {
  const void* lf = ::memrchr(in_.p, '\n', static_cast<std::size_t>(in_.end - in_.p));
  if (lf != nullptr) stop_ = static_cast<const char*>(lf) + 1;
}

bool TextTokens::Refill() {
  // Called with in_.p at stop_: read until a line is complete or the input
  // ends, which ends its last line.
  for (;;) {
    const std::size_t known = static_cast<std::size_t>(in_.end - in_.p);
    if (!in_.ReadMore()) {
      stop_ = in_.end;
      return in_.p < stop_;
    }
    const char* from = in_.p + known;
    const void* lf = ::memrchr(from, '\n', static_cast<std::size_t>(in_.end - from));
    if (lf != nullptr) {
      stop_ = static_cast<const char*>(lf) + 1;
      return true;
    }
  }
}

void TextTokens::SkipLine() {
  for (;;) {
    const char* lf =
        static_cast<const char*>(std::memchr(in_.p, '\n', static_cast<std::size_t>(stop_ - in_.p)));
    if (lf != nullptr) {
      in_.p = lf + 1;
      ++line_;
      return;
    }
    in_.p = stop_;
    if (!Refill()) return;
  }
}

}  // namespace quervik
