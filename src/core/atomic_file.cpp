#include "core/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cassert>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>

#include "core/errors.h"

namespace quervik {

namespace {

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

// The file Open replaces for `name`: the name itself, or the file a link of
// that name points to, so that the link stays a link.
std::string ResolveTarget(const std::string& name) {
  struct stat st {};
  if (::lstat(name.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = ::realpath(name.c_str(), nullptr)) {
      std::string target = real;
      std::free(real);
      return target;
    }
  }
  return name;
}

// The temporary files being written, for a signal handler to remove: a
// fixed table of names that needs neither a lock nor memory, since a handler
// may use neither. A slot is claimed for a name before the file is created and
// given back after the file is renamed or removed, so a signal at any moment
// finds every temporary file that exists (at worst a name that is gone).
constexpr int kMaxUnfinished = 16;  // files open at once; more are not cleaned up
enum SlotState : int { kFree, kClaimed, kNamed, kRemoving };
struct UnfinishedSlot {
  std::atomic<int> state{kFree};
  char path[PATH_MAX];
};
static_assert(std::atomic<int>::is_always_lock_free);
UnfinishedSlot unfinished[kMaxUnfinished];

int ClaimSlot(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  for (int i = 0; i < kMaxUnfinished; ++i) {
    int expected = kFree;
    if (unfinished[i].state.compare_exchange_strong(expected, kClaimed)) {
      std::memcpy(unfinished[i].path, path.c_str(), path.size() + 1);
      unfinished[i].state.store(kNamed, std::memory_order_release);
      return i;
    }
  }
  return -1;
}

void ReleaseSlot(int i) {
  if (i < 0) return;
  // A slot a handler is removing stays taken: the process is ending.
  int expected = kNamed;
  unfinished[i].state.compare_exchange_strong(expected, kFree);
}

// Removes every temporary file, then lets the signal end the process as it
// would have (SA_RESETHAND restored its default action; the signal is
// blocked while the handler runs and arrives when it returns). Uses only
// async-signal-safe calls.
void RemoveUnfinishedAndDie(int sig) {
  const int savedErrno = errno;
  for (UnfinishedSlot& slot : unfinished) {
    int expected = kNamed;
    if (slot.state.compare_exchange_strong(expected, kRemoving)) ::unlink(slot.path);
  }
  errno = savedErrno;
  ::raise(sig);
}

}  // namespace

std::optional<std::uintmax_t> FileSystemFreeSpace(const std::string& folder) {
  struct statvfs fs {};
  if (::statvfs(folder.c_str(), &fs) != 0) return std::nullopt;
  const std::uintmax_t blocks = ::geteuid() == 0 ? fs.f_bfree : fs.f_bavail;
  const std::uintmax_t size = fs.f_frsize != 0 ? fs.f_frsize : fs.f_bsize;
  if (size != 0 && blocks > UINTMAX_MAX / size) return UINTMAX_MAX;
  return blocks * size;
}

bool FitsBeside(std::string_view path, std::uintmax_t bytes, const FreeSpaceFn& freeSpace) {
  if (path.empty() || path.find('\0') != std::string_view::npos) return true;
  const std::string target = ResolveTarget(std::string(path));
  const std::size_t slash = target.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  const std::optional<std::uintmax_t> free =
      freeSpace ? freeSpace(folder) : FileSystemFreeSpace(folder);
  return !free || bytes <= *free;
}

void RemoveUnfinishedFilesOnSignals() {
  struct sigaction action {};
  action.sa_handler = RemoveUnfinishedAndDie;
  action.sa_flags = static_cast<int>(SA_RESETHAND);
  sigemptyset(&action.sa_mask);
  const int ending[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
  for (const int sig : ending) sigaddset(&action.sa_mask, sig);
  for (const int sig : ending) {
    struct sigaction old {};
    // A signal ignored on purpose (nohup) stays ignored.
    if (::sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    ::sigaction(sig, &action, nullptr);
  }
  // Beyond the file-size limit a write fails with EFBIG instead.
  std::signal(SIGXFSZ, SIG_IGN);
}

struct AtomicFile::State {
  State() = default;
  ~State() { ReleaseSlot(slot); }
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  int fd = -1;
  std::string target;  // the name the finished file gets
  std::string temp;    // the name it is written under
  int slot = -1;       // its entry among the unfinished files, or -1
  std::unique_ptr<char[]> buffer{new char[kBufferSize]};
  std::size_t used = 0;       // bytes in the buffer
  std::uint64_t flushed = 0;  // bytes handed to the file before them
  std::uint64_t writing = 0;  // bytes [0, writing) are asked to go to disk
  std::uint64_t written = 0;  // bytes [0, written) were waited for
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
  ::unlink(state_->temp.c_str());
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
  const std::string target = ResolveTarget(path_);
  struct stat old {};
  const bool oldExists = ::stat(target.c_str(), &old) == 0;
  if (oldExists) {
    // Only a plain file is replaced: a folder, a pipe, a device or a socket
    // is refused without opening it.
    if (!S_ISREG(old.st_mode)) RaiseFileError(EACCES, path_);
    // What overwriting in place would refuse, the rename must refuse too.
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
      RaiseFileError(errno, path_);
    }
  }

  auto state = std::make_unique<State>();
  state->target = target;
  for (int attempt = 0; attempt < 100; ++attempt) {
    ReleaseSlot(state->slot);
    state->temp = TempName(target, Rng());
    state->slot = ClaimSlot(state->temp);
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
  if (state_->flushed - state_->writing >= kWritebackChunk) Writeback();
}

void AtomicFile::Writeback() {
#ifdef SYNC_FILE_RANGE_WRITE
  // Hints only: where the file system cannot (or need not) do this, the
  // calls fail or do nothing, and Finish's fsync still does it all.
  State& s = *state_;
  (void)::sync_file_range(s.fd, static_cast<off_t>(s.writing),
                          static_cast<off_t>(s.flushed - s.writing), SYNC_FILE_RANGE_WRITE);
  s.writing = s.flushed;
  if (s.writing > s.written + kWritebackLag) {
    const std::uint64_t upTo = s.writing - kWritebackLag;
    (void)::sync_file_range(
        s.fd, static_cast<off_t>(s.written), static_cast<off_t>(upTo - s.written),
        SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
    // What is on disk leaves the page cache: a file of gigabytes would
    // otherwise push out everything else cached, and make the system
    // reclaim memory while the export runs.
    (void)::posix_fadvise(s.fd, static_cast<off_t>(s.written), static_cast<off_t>(upTo - s.written),
                          POSIX_FADV_DONTNEED);
    s.written = upTo;
  }
#endif
}

void AtomicFile::Flush() {
  const std::size_t used = state_->used;
  state_->used = 0;
  WriteOut(state_->buffer.get(), used);
}

void AtomicFile::Write(std::string_view bytes) {
  if (!state_) throw Error("Keine Datei geöffnet");
  if (bytes.empty()) return;  // an empty view may hold no pointer
  if (bytes.size() >= kDirectWrite) {
    Flush();
    WriteOut(bytes.data(), bytes.size());
    return;
  }
  if (state_->used + bytes.size() > kBufferSize) Flush();
  std::memcpy(state_->buffer.get() + state_->used, bytes.data(), bytes.size());
  state_->used += bytes.size();
}

char* AtomicFile::Room(std::size_t n) {
  if (!state_) throw Error("Keine Datei geöffnet");
  assert(n <= kBufferSize);
  if (state_->used + n > kBufferSize) Flush();
  return state_->buffer.get() + state_->used;
}

void AtomicFile::Advance(const char* end) {
  state_->used = static_cast<std::size_t>(end - state_->buffer.get());
  assert(state_->used <= kBufferSize);
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
  if (::rename(state_->temp.c_str(), state_->target.c_str()) != 0) Fail(errno);
  state_.reset();
}

}  // namespace quervik
