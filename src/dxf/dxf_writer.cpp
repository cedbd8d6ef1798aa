#include "dxf/dxf_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "core/errors.h"
#include "core/number_format.h"

namespace quervik {

namespace {

constexpr int kDigits = 15;  // significant digits of a coordinate
constexpr size_t kRealWidth = 23;

// 15 significant digits of a finite value > 0, and its decimal exponent.
struct Decimal15 {
  char digit[kDigits];
  int exponent;
};

// Adds one unit in the 15th digit; a carry out of the first digit raises the
// exponent (9.99…9 becomes 1.00…0 times ten).
void RoundUp(Decimal15& d) {
  int k = kDigits - 1;
  for (; k >= 0; --k) {
    if (d.digit[k] == '9') {
      d.digit[k] = '0';
    } else {
      ++d.digit[k];
      return;
    }
  }
  d.digit[0] = '1';
  ++d.exponent;
}

// Reads the digits and the exponent of std::to_chars' scientific output
// ("6.666666666666666e-01", "1e+300"). Returns the number of digits.
int ParseScientific(const char* p, const char* end, char* digits, int maxDigits, int& exponent) {
  int n = 0;
  for (; p != end && *p != 'e'; ++p) {
    if (*p == '.') continue;
    if (n < maxDigits) digits[n] = *p;
    ++n;
  }
  ++p;  // 'e'
  const bool negative = *p == '-';
  ++p;
  int e = 0;
  for (; p != end; ++p) e = e * 10 + (*p - '0');
  exponent = negative ? -e : e;
  return n;
}

// The value rounded from its exact binary expansion: the first 16 digits of
// that expansion decide, a 16th digit of 5 or more rounds up (a tie thus
// rounds away from zero). A double has at most 767 significant digits, so
// 780 digits are the exact expansion. Slow; used for subnormal numbers and
// kept as the reference that the fast path is tested against.
Decimal15 RoundExact(double a) {
  char buf[800];
  const auto r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, 780);
  char digits[kDigits + 1];
  Decimal15 d{};
  ParseScientific(buf, r.ptr, digits, kDigits + 1, d.exponent);
  std::memcpy(d.digit, digits, kDigits);
  if (digits[kDigits] >= '5') RoundUp(d);
  return d;
}

// True when `a` (normal, > 0) is exactly the 16-digit decimal s * 10^j with
// s ending in 5. With a = m * 2^q, m odd, that holds exactly when q == j and
// m * 5^-j == s (j < 0) or m == s * 5^j (j >= 0): both sides are odd.
bool IsExactly16DigitTie(double a, std::uint64_t s, int j) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &a, sizeof bits);
  std::uint64_t m = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  int q = static_cast<int>((bits >> 52) & 0x7ff) - 1075;
  while ((m & 1) == 0) {
    m >>= 1;
    ++q;
  }
  if (q != j) return false;
  if (j >= 0) {
    // s >= 10^15 and m < 2^53: only j == 0 can match.
    return j == 0 && m == s;
  }
  for (int k = 0; k < -j; ++k) {
    if (m > s / 5) return false;
    m *= 5;
  }
  return m == s;
}

// The correctly rounded 15 digits of a normal value > 0, from the shortest
// representation that reads back as `a` (fast) where that decides the
// rounding, which is almost always:
// - up to 15 digits: the shortest form lies within half a unit in the last
//   place of `a`, far closer than half a step of the 15-digit grid, so it is
//   the rounded value;
// - 16 or 17 digits: no 16-digit decimal lies strictly between `a` and its
//   shortest form (it would be a closer, no longer candidate), so rounding the
//   shortest form rounds `a`, except when the 16th digit is a 5 that ends the
//   form: then `a` is an exact tie (rounded up) or lies to one side of it,
//   which the correctly rounded 15-digit conversion tells.
Decimal15 RoundNormal(double a) {
  char buf[40];
  auto r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific);
  char digits[17];
  Decimal15 d{};
  const int n = ParseScientific(buf, r.ptr, digits, 17, d.exponent);
  if (n <= kDigits) {
    std::memcpy(d.digit, digits, static_cast<size_t>(n));
    std::memset(d.digit + n, '0', static_cast<size_t>(kDigits - n));
    return d;
  }
  std::memcpy(d.digit, digits, kDigits);
  if (n == 16 && digits[15] == '5') {
    std::uint64_t s = 0;
    for (int k = 0; k < 16; ++k) s = s * 10 + static_cast<std::uint64_t>(digits[k] - '0');
    if (IsExactly16DigitTie(a, s, d.exponent - 15)) {
      RoundUp(d);
      return d;
    }
    // Not a tie: the conversion's rounding to nearest is the right one.
    r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, kDigits - 1);
    ParseScientific(buf, r.ptr, d.digit, kDigits, d.exponent);
    return d;
  }
  if (digits[15] >= '5') RoundUp(d);
  return d;
}

// Writes the 23 characters of FormatDxfReal to `out`.
char* PutDxfReal(char* out, double v) {
  if (!std::isfinite(v)) {
    const char* text = std::isnan(v) ? "Nan" : (v < 0 ? "-Inf" : "+Inf");
    const size_t len = std::strlen(text);
    std::memset(out, ' ', kRealWidth - len);
    std::memcpy(out + (kRealWidth - len), text, len);
    return out + kRealWidth;
  }
  out[0] = v < 0 ? '-' : ' ';
  const double a = std::fabs(v);
  Decimal15 d{};
  if (a == 0) {
    std::memset(d.digit, '0', kDigits);
    d.exponent = 0;
  } else if (a >= 2.2250738585072014e-308) {
    d = RoundNormal(a);
  } else {
    d = RoundExact(a);
  }
  out[1] = d.digit[0];
  out[2] = '.';
  std::memcpy(out + 3, d.digit + 1, kDigits - 1);
  out[17] = 'E';
  out[18] = d.exponent < 0 ? '-' : '+';
  int e = d.exponent < 0 ? -d.exponent : d.exponent;
  for (int k = 22; k >= 19; --k) {
    out[k] = static_cast<char>('0' + e % 10);
    e /= 10;
  }
  return out + kRealWidth;
}

// A group code line and its value line holding a coordinate: 5 + 23 + 2.
constexpr size_t kRealPair = 30;

char* PutText(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

char* PutRealPair(char* out, std::string_view code, double v) {
  out = PutText(out, code);
  out = PutDxfReal(out, v);
  out[0] = '\r';
  out[1] = '\n';
  return out + 2;
}

// The size of a LINE record: "  0", "LINE", "  8", the layer, "  6", the
// line type, each with CR LF, and six coordinate pairs.
size_t LineRecordSize(std::string_view Layer, std::string_view LTyp) {
  return 25 + Layer.size() + LTyp.size() + 6 * kRealPair;
}

// Writes the LINE record, exactly LineRecordSize bytes. DxfWriter and
// DxfLineBuffer both write through here, so their bytes are the same.
char* PutLineRecord(char* out, double x1, double y1, double z1, double x2, double y2, double z2,
                    std::string_view Layer, std::string_view LTyp) {
  out = PutText(out, "  0\r\nLINE\r\n  8\r\n");
  out = PutText(out, Layer);
  out = PutText(out, "\r\n  6\r\n");
  out = PutText(out, LTyp);
  out = PutText(out, "\r\n");
  out = PutRealPair(out, " 10\r\n", x1);
  out = PutRealPair(out, " 20\r\n", y1);
  out = PutRealPair(out, " 30\r\n", z1);
  out = PutRealPair(out, " 11\r\n", x2);
  out = PutRealPair(out, " 21\r\n", y2);
  return PutRealPair(out, " 31\r\n", z2);
}

constexpr size_t kBufferSize = size_t{1} << 20;

constexpr std::string_view kOpening = "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n";
constexpr std::string_view kClosing = "  0\r\nENDSEC\r\n  0\r\nEOF\r\n";
static_assert(kOpening.size() + kClosing.size() == kDxfFrameSize);

// The name of the temporary file beside `target`: the target's name with a
// random suffix, or a short hidden name in the same folder when the target's
// name leaves no room for a suffix.
std::string TempName(const std::string& target, std::mt19937_64& rng) {
  static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::string suffix(6, 'x');
  for (char& c : suffix) c = kChars[rng() % (sizeof kChars - 1)];
  const size_t slash = target.find_last_of('/');
  const size_t base = slash == std::string::npos ? 0 : slash + 1;
  if (target.size() - base + 7 <= NAME_MAX) return target + "." + suffix;
  return target.substr(0, base) + ".quervik-" + suffix;
}

// The file DXFOpen replaces for `name`: the name itself, or the file a link
// of that name points to, so that the link stays a link.
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

std::optional<std::uintmax_t> FileSystemFreeSpace(const std::string& folder) {
  struct statvfs fs {};
  if (::statvfs(folder.c_str(), &fs) != 0) return std::nullopt;
  const std::uintmax_t blocks = ::geteuid() == 0 ? fs.f_bfree : fs.f_bavail;
  const std::uintmax_t size = fs.f_frsize != 0 ? fs.f_frsize : fs.f_bsize;
  if (size != 0 && blocks > UINTMAX_MAX / size) return UINTMAX_MAX;
  return blocks * size;
}

// The temporary files being written, for a signal handler to remove: a
// fixed table of names that needs neither a lock nor memory, since a handler
// may use neither. A slot is claimed for a name before the file is created and
// given back after the file is renamed or removed, so a signal at any moment
// finds every temporary file that exists (at worst a name that is gone).
constexpr int kMaxUnfinished = 16;  // writers open at once; more are not cleaned up
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

std::string FormatDxfReal(double v) {
  std::string s(kRealWidth, ' ');
  PutDxfReal(s.data(), v);
  return s;
}

std::string FormatDxfAngle(double alfa) {
  return FormatFixed(alfa, 10, 4, '.');
}

std::size_t DxfLineRecordSize(std::string_view Layer, std::string_view LTyp) {
  return LineRecordSize(Layer, LTyp);
}

void RemoveUnfinishedDxfFilesOnSignals() {
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

struct DxfWriter::File {
  File() = default;
  ~File() { ReleaseSlot(slot); }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  int fd = -1;
  std::string target;  // the name the finished file gets
  std::string temp;    // the name it is written under
  int slot = -1;       // its entry among the unfinished files, or -1
  std::unique_ptr<char[]> buffer{new char[kBufferSize]};
  size_t used = 0;
};

DxfWriter::DxfWriter() = default;

DxfWriter::~DxfWriter() {
  Abandon();
}

bool DxfWriter::DXFIsOpen() const {
  return file_ != nullptr;
}

void DxfWriter::Abandon() noexcept {
  if (!file_) return;
  if (file_->fd >= 0) ::close(file_->fd);
  ::unlink(file_->temp.c_str());
  file_.reset();
}

void DxfWriter::Fail(int err) {
  const std::string target = file_ ? file_->target : DXFFileName;
  Abandon();
  RaiseFileError(err, target);
}

void DxfWriter::DXFOpen() {
  Abandon();
  if (DXFFileName.empty()) RaiseFileError(EINVAL, DXFFileName);
  if (DXFFileName.find('\0') != std::string::npos) throw Error("Ungültige Zeichen im Pfad");

  // Write beside the file a link names, so that the link stays a link.
  const std::string target = ResolveTarget(DXFFileName);
  struct stat old {};
  const bool oldExists = ::stat(target.c_str(), &old) == 0;
  if (oldExists) {
    // Only a plain file is replaced. A folder, a pipe, a device or a socket
    // is refused without opening it: opening a pipe would wait for a reader
    // for ever, and the rename would put a plain file in the place of any.
    if (!S_ISREG(old.st_mode)) RaiseFileError(EACCES, DXFFileName);
    // What overwriting in place would refuse, the rename must refuse too.
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
      RaiseFileError(errno, DXFFileName);
    }
  }

  auto file = std::make_unique<File>();
  file->target = target;
  for (int attempt = 0; attempt < 100; ++attempt) {
    ReleaseSlot(file->slot);
    file->temp = TempName(target, Rng());
    file->slot = ClaimSlot(file->temp);
    // 0666: the usual permissions of a new file, less the user's umask.
    file->fd = ::open(file->temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (file->fd >= 0 || errno != EEXIST) break;
  }
  if (file->fd < 0) RaiseFileError(errno, DXFFileName);
  if (oldExists) {
    // Overwriting in place keeps the file's permissions; so does the rename.
    (void)::fchmod(file->fd, old.st_mode & 07777);
  }
  file_ = std::move(file);
  Put(kOpening);
}

bool DxfWriter::DXFFits(std::uintmax_t bytes) const {
  if (DXFFileName.empty() || DXFFileName.find('\0') != std::string::npos) return true;
  const std::string target = ResolveTarget(DXFFileName);
  const size_t slash = target.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  const std::optional<std::uintmax_t> free =
      FreeSpace ? FreeSpace(folder) : FileSystemFreeSpace(folder);
  return !free || bytes <= *free;
}

void DxfWriter::DXFClose() {
  if (!file_) return;
  Put(kClosing);
  Flush();
  if (::fsync(file_->fd) != 0 && errno != EINVAL) Fail(errno);
  const int fd = file_->fd;
  file_->fd = -1;
  if (::close(fd) != 0) Fail(errno);
  if (::rename(file_->temp.c_str(), file_->target.c_str()) != 0) Fail(errno);
  file_.reset();
}

void DxfWriter::WriteOut(const char* p, size_t left) {
  while (left > 0) {
    const ssize_t n = ::write(file_->fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(errno);
    }
    if (n == 0) Fail(EIO);
    p += n;
    left -= static_cast<size_t>(n);
  }
}

void DxfWriter::Flush() {
  const size_t used = file_->used;
  file_->used = 0;
  WriteOut(file_->buffer.get(), used);
}

void DxfWriter::Put(std::string_view text) {
  if (text.empty()) return;  // an empty buffer's view may hold no pointer
  if (file_->used + text.size() > kBufferSize) {
    Flush();
    if (text.size() >= kBufferSize) {
      WriteOut(text.data(), text.size());
      return;
    }
  }
  std::memcpy(file_->buffer.get() + file_->used, text.data(), text.size());
  file_->used += text.size();
}

void DxfWriter::PutLine(std::string_view text) {
  Put(text);
  Put("\r\n");
}

void DxfWriter::PutReal(std::string_view code, double v) {
  if (file_->used + kRealPair > kBufferSize) Flush();
  PutRealPair(file_->buffer.get() + file_->used, code, v);
  file_->used += kRealPair;
}

void DxfWriter::PutHeader(std::string_view kind, std::string_view Layer, std::string_view LTyp) {
  if (!file_) throw Error("Keine DXF-Datei geöffnet");
  Put("  0\r\n");
  PutLine(kind);
  Put("  8\r\n");
  PutLine(Layer);
  Put("  6\r\n");
  PutLine(LTyp);
}

void DxfWriter::DXFLinie(double x1, double y1, double z1, double x2, double y2, double z2,
                         std::string_view Layer, std::string_view LTyp) {
  if (!file_) throw Error("Keine DXF-Datei geöffnet");
  const size_t need = LineRecordSize(Layer, LTyp);
  if (need <= kBufferSize) {
    if (file_->used + need > kBufferSize) Flush();
    PutLineRecord(file_->buffer.get() + file_->used, x1, y1, z1, x2, y2, z2, Layer, LTyp);
    file_->used += need;
    return;
  }
  // A layer name of megabytes: the same bytes, piece by piece.
  PutHeader("LINE", Layer, LTyp);
  PutReal(" 10\r\n", x1);
  PutReal(" 20\r\n", y1);
  PutReal(" 30\r\n", z1);
  PutReal(" 11\r\n", x2);
  PutReal(" 21\r\n", y2);
  PutReal(" 31\r\n", z2);
}

void DxfWriter::DXFWrite(const DxfLineBuffer& lines) {
  if (!file_) throw Error("Keine DXF-Datei geöffnet");
  Put(lines.bytes());
}

void DxfLineBuffer::DXFLinie(double x1, double y1, double z1, double x2, double y2, double z2,
                             std::string_view Layer, std::string_view LTyp) {
  const size_t need = LineRecordSize(Layer, LTyp);
  if (capacity_ - size_ < need) {
    const size_t capacity = std::max(2 * capacity_, std::max(size_ + need, size_t{64} * 1024));
    std::unique_ptr<char[]> data(new char[capacity]);
    if (size_ > 0) std::memcpy(data.get(), data_.get(), size_);
    data_ = std::move(data);
    capacity_ = capacity;
  }
  PutLineRecord(data_.get() + size_, x1, y1, z1, x2, y2, z2, Layer, LTyp);
  size_ += need;
}

void DxfWriter::DXFPunkt(double x, double y, double z, std::string_view Layer,
                         std::string_view LTyp) {
  PutHeader("POINT", Layer, LTyp);
  PutReal(" 10\r\n", x);
  PutReal(" 20\r\n", y);
  PutReal(" 30\r\n", z);
}

void DxfWriter::DXFText(double x, double y, double z, std::string_view Text, std::string_view Layer,
                        std::string_view LTyp, double Alfa, double Height) {
  PutHeader("TEXT", Layer, LTyp);
  PutReal(" 10\r\n", x);
  PutReal(" 20\r\n", y);
  PutReal(" 30\r\n", z);
  PutReal(" 40\r\n", Height);
  Put("  1\r\n");
  PutLine(Text);
  Put(" 50\r\n");
  PutLine(FormatDxfAngle(Alfa));
}

}  // namespace quervik
