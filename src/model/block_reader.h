// Input for the PLY and STL readers, read in blocks: a file is read with
// plain read() calls into a buffer of 1 MiB that grows only when a caller
// needs more bytes at once than it holds, so a file of any size costs the
// buffer and not its own size. The same reader hands out bytes held in
// memory block by block, so that the tests and the fuzzers drive exactly the
// code a file drives, borders between blocks included.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "model/obj_reader.h"
#include "model/reader_text.h"

namespace quervik {

// A mesh file opened for reading as the OBJ reader opens it: without
// waiting, so that a pipe no one writes to cannot block; anything but a
// regular file is refused ("Dateizugriff verweigert"), a folder too. Raises
// the German file error when the file cannot be opened.
class InputFile {
 public:
  explicit InputFile(const std::string& path);
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile();

  int fd() const { return fd_; }
  // The size when it was opened; a file that changes while it is read is
  // read to its actual end.
  std::uint64_t size() const { return size_; }
  const std::string& path() const { return path_; }

 private:
  int fd_ = -1;
  std::uint64_t size_ = 0;
  std::string path_;
};

class BlockReader {
 public:
  static constexpr std::size_t kBlockBytes = std::size_t{1} << 20;

  // Reads `file` from its current position. `progress` (may be empty) is
  // told the share of the file read so far; it must outlive the reader.
  BlockReader(const InputFile& file, const ReadProgress& progress);
  // Hands out `data` in blocks of `blockBytes` (at least 1).
  explicit BlockReader(std::string_view data, std::size_t blockBytes = kBlockBytes);

  BlockReader(const BlockReader&) = delete;
  BlockReader& operator=(const BlockReader&) = delete;

  // The bytes held and not yet taken are [p, end). A caller takes bytes by
  // moving p forward, never beyond end.
  const char* p = nullptr;
  const char* end = nullptr;

  // Reads more input behind end, keeping [p, end) (which may move). False
  // when the input has nothing more.
  bool ReadMore();
  // At least n bytes at p, reading more as needed; false when the input ends
  // first (p and end then hold what there was).
  bool Ensure(std::size_t n) { return static_cast<std::size_t>(end - p) >= n || EnsureSlow(n); }
  // Takes n bytes, reading and dropping them block by block; false when the
  // input ends first.
  bool Skip(std::uint64_t n);

  // The position of p in the whole input.
  std::uint64_t Offset() const { return consumed_ + static_cast<std::uint64_t>(p - base_); }
  // The size of the input as known at the start.
  std::uint64_t Size() const { return size_; }
  // The bytes after p as far as the known size tells (0 past it).
  std::uint64_t Remaining() const {
    const std::uint64_t at = Offset();
    return at < size_ ? size_ - at : 0;
  }

 private:
  bool EnsureSlow(std::size_t n);
  std::size_t Fill(char* to, std::size_t room);

  int fd_ = -1;
  std::string path_;
  const ReadProgress* progress_ = nullptr;
  int lastPercent_ = -1;
  std::string_view memory_;
  std::size_t memoryTaken_ = 0;
  std::size_t blockBytes_ = kBlockBytes;
  bool ended_ = false;

  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_ = 0;
  const char* base_ = nullptr;   // where the byte at offset consumed_ is held
  std::uint64_t consumed_ = 0;   // offset of base_ in the input
  std::uint64_t bytesRead_ = 0;  // bytes brought into the buffer so far
  std::uint64_t size_ = 0;
};

// Complete lines of text from a BlockReader, split into tokens: runs of bytes
// other than blank, tab, carriage return, line feed, vertical tab and form
// feed. Counts the lines so that messages can name them.
class TextTokens {
 public:
  // Starts at in.p, which begins line `firstLine`.
  TextTokens(BlockReader& in, std::int64_t firstLine);

  // The next token, valid until the next call; empty at the end of input.
  std::string_view Next() {
    if (!SkipBlanks()) return {};
    const char* begin = in_.p;
    const char* q = begin;
    while (q < stop_ && !IsBlank(*q)) ++q;
    in_.p = q;
    return {begin, static_cast<std::size_t>(q - begin)};
  }

  // The next token as readtext::ParseNumber reads it, in one pass when
  // std::from_chars takes the token whole; `token` is the token. False when
  // it is no number or the input has ended (`token` is empty then).
  bool NextNumber(double& value, std::string_view& token) {
    if (!SkipBlanks()) {
      token = {};
      return false;
    }
    const char* b = in_.p;
    if (*b != '+') {
      const auto r = std::from_chars(b, stop_, value, std::chars_format::general);
      if (r.ec == std::errc() && (r.ptr == stop_ || IsBlank(*r.ptr))) {
        token = {b, static_cast<std::size_t>(r.ptr - b)};
        in_.p = r.ptr;
        return true;
      }
    }
    token = Next();
    return readtext::ParseNumber(token, value);
  }

  // The next token as a whole number as readtext::ParseInteger reads it, in
  // one pass for up to 18 digits without a sign; false as NextNumber.
  bool NextInteger(std::int64_t& value, std::string_view& token) {
    if (!SkipBlanks()) {
      token = {};
      return false;
    }
    const char* q = in_.p;
    const char* digits = q;
    std::int64_t v = 0;
    while (q < stop_ && q - digits < 18 && *q >= '0' && *q <= '9') v = v * 10 + (*q++ - '0');
    if (q > digits && (q == stop_ || IsBlank(*q))) {
      in_.p = q;
      value = v;
      return true;
    }
    token = Next();
    return readtext::ParseInteger(token, value);
  }

  // Drops the rest of the current line, its line feed included.
  void SkipLine();

  // The line the last token stands on.
  std::int64_t line() const { return line_; }

  static bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

 private:
  // Moves in_.p to the next token; false at the end of input.
  bool SkipBlanks() {
    for (;;) {
      const char* q = in_.p;
      while (q < stop_ && IsBlank(*q)) {
        if (*q == '\n') ++line_;
        ++q;
      }
      in_.p = q;
      if (q < stop_) return true;
      if (!Refill()) return false;
    }
  }
  bool Refill();

  BlockReader& in_;
  const char* stop_;  // end of the complete lines held (or of the input)
  std::int64_t line_;
};

}  // namespace quervik
