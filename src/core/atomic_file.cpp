#include "core/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cassert>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>

#include "core/errors.h"

namespace quervik {

namespace {

constexpr std::size_t kBufferSize = std::size_t{1} << 20;

// The name of the temporary file beside `target`: the target's name with a
// random suffix, or a short hidden name in the same folder when the target's
// name leaves no room for a suffix.
std::string TempName(const std::string& target, std::mt19937_64& rng) {
  static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::string suffix(6, 'x');
  for (char& c : suffix) c = kChars[rng() % (sizeof kChars - 1)];
  const std::size_t slash = target.find_last_of('/');
  const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
  if (target.size() - base + 7 <= NAME_MAX) return target + "." + suffix;
  return target.substr(0, base) + ".quervik-" + suffix;
}

std::mt19937_64& Rng() {
  thread_local std::mt19937_64 rng = [] {
    std::random_device rd;
    const auto now =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    std::seed_seq seq{rd(), rd(), static_cast<unsigned>(now), static_cast<unsigned>(getpid())};
    return std::mt19937_64(seq);
  }();
  return rng;
}

}  // namespace

struct AtomicFile::State {
  int fd = -1;
  std::string target;  // the name the finished file gets
  std::string temp;    // the name it is written under; empty when written in place
  std::unique_ptr<char[]> buffer{new char[kBufferSize]};
  std::size_t used = 0;       // bytes in the buffer
  std::uint64_t flushed = 0;  // bytes handed to the file before them
};

AtomicFile::AtomicFile() = default;

AtomicFile::~AtomicFile() {
  Abandon();
}

bool AtomicFile::IsOpen() const {
  return state_ != nullptr;
}

std::uint64_t AtomicFile::Size() const {
  return state_ ? state_->flushed + state_->used : 0;
}

void AtomicFile::Abandon() noexcept {
  if (!state_) return;
  if (state_->fd >= 0) ::close(state_->fd);
  if (!state_->temp.empty()) ::unlink(state_->temp.c_str());
  state_.reset();
}

void AtomicFile::Fail(int err) {
  Abandon();
  RaiseFileError(err, path_);
}

void AtomicFile::Open(std::string_view path) {
  Abandon();
  path_ = std::string(path);
  if (path_.empty()) RaiseFileError(EINVAL, path_);
  if (path_.find('\0') != std::string::npos) throw Error("Ungültige Zeichen im Pfad");

  // Write beside the file a link names, so that the link stays a link.
  std::string target = path_;
  struct stat st {};
  const bool exists = ::lstat(target.c_str(), &st) == 0;
  if (exists && S_ISLNK(st.st_mode)) {
    if (char* real = ::realpath(target.c_str(), nullptr)) {
      target = real;
      std::free(real);
    }
  }
  struct stat old {};
  const bool oldExists = ::stat(target.c_str(), &old) == 0;
  if (oldExists) {
    // What overwriting in place would refuse, the rename must refuse too.
    if (S_ISDIR(old.st_mode)) RaiseFileError(EISDIR, path_);
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
      RaiseFileError(errno, path_);
    }
  }

  auto state = std::make_unique<State>();
  state->target = target;
  if (oldExists && !S_ISREG(old.st_mode)) {
    // A device or a pipe is written in place: a rename would replace it by a
    // plain file.
    state->fd = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (state->fd < 0) RaiseFileError(errno, path_);
    state_ = std::move(state);
    return;
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    state->temp = TempName(target, Rng());
    // 0666: the usual permissions of a new file, less the user's umask.
    state->fd = ::open(state->temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (state->fd >= 0 || errno != EEXIST) break;
  }
  if (state->fd < 0) RaiseFileError(errno, path_);
  if (oldExists) {
    // Overwriting in place keeps the file's permissions; so does the rename.
    (void)::fchmod(state->fd, old.st_mode & 07777);
  }
  state_ = std::move(state);
}

void AtomicFile::WriteOut(const char* p, std::size_t left) {
  while (left > 0) {
    const ssize_t n = ::write(state_->fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(errno);
    }
    if (n == 0) Fail(EIO);
    p += n;
    left -= static_cast<std::size_t>(n);
    state_->flushed += static_cast<std::uint64_t>(n);
  }
}

void AtomicFile::Flush() {
  const std::size_t used = state_->used;
  state_->used = 0;
  WriteOut(state_->buffer.get(), used);
}

void AtomicFile::Write(std::string_view bytes) {
  if (!state_) throw Error("Keine Datei geöffnet");
  if (bytes.empty()) return;  // an empty view may hold no pointer
  if (state_->used + bytes.size() > kBufferSize) {
    Flush();
    if (bytes.size() >= kBufferSize) {
      WriteOut(bytes.data(), bytes.size());
      return;
    }
  }
  std::memcpy(state_->buffer.get() + state_->used, bytes.data(), bytes.size());
  state_->used += bytes.size();
}

void AtomicFile::WriteAt(std::uint64_t offset, std::string_view bytes) {
  if (!state_) throw Error("Keine Datei geöffnet");
  assert(offset + bytes.size() <= Size());
  Flush();
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::pwrite(state_->fd, p, left, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(errno);
    }
    if (n == 0) Fail(EIO);
    p += n;
    left -= static_cast<std::size_t>(n);
    offset += static_cast<std::uint64_t>(n);
  }
}

void AtomicFile::Finish() {
  if (!state_) throw Error("Keine Datei geöffnet");
  if (state_->fd < 0) return;  // finished before
  Flush();
  if (::fsync(state_->fd) != 0 && errno != EINVAL) Fail(errno);
  const int fd = state_->fd;
  state_->fd = -1;
  if (::close(fd) != 0) Fail(errno);
}

void AtomicFile::Commit() {
  Finish();
  if (!state_->temp.empty() && ::rename(state_->temp.c_str(), state_->target.c_str()) != 0) {
    Fail(errno);
  }
  state_.reset();
}

}  // namespace quervik
