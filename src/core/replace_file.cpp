#include "core/replace_file.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <random>

#include "core/errors.h"

namespace quervik {

namespace {

// Writes all of `bytes` to fd; 0 or the error number.
int WriteAll(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return EIO;
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return 0;
}

}  // namespace

void WriteFileReplacing(const std::string& path, std::string_view bytes) {
  if (path.empty()) RaiseFileError(EINVAL, path);
  if (path.find('\0') != std::string::npos) throw Error("Ungültige Zeichen im Pfad");
  std::string target = path;
  struct stat st {};
  if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = ::realpath(target.c_str(), nullptr)) {
      target = real;
      std::free(real);
    }
  }
  struct stat old {};
  const bool oldExists = ::stat(target.c_str(), &old) == 0;
  if (oldExists) {
    if (S_ISDIR(old.st_mode)) RaiseFileError(EISDIR, path);
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) RaiseFileError(errno, path);
    if (!S_ISREG(old.st_mode)) {
      const int fd = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
      if (fd < 0) RaiseFileError(errno, path);
      const int err = WriteAll(fd, bytes);
      if (::close(fd) != 0 && err == 0) RaiseFileError(errno, path);
      if (err != 0) RaiseFileError(err, path);
      return;
    }
  }

  std::random_device rd;
  std::mt19937_64 rng(static_cast<std::uint64_t>(rd()) << 32 ^
                      static_cast<std::uint64_t>(::getpid()));
  static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  const std::size_t slash = target.find_last_of('/');
  const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string suffix(6, 'x');
    for (char& c : suffix) c = kChars[rng() % (sizeof kChars - 1)];
    temp = target.size() - base + 7 <= NAME_MAX ? target + "." + suffix
                                                : target.substr(0, base) + ".quervik-" + suffix;
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) break;
  }
  if (fd < 0) RaiseFileError(errno, path);
  if (oldExists) (void)::fchmod(fd, old.st_mode & 07777);
  int err = WriteAll(fd, bytes);
  if (err == 0 && ::fsync(fd) != 0 && errno != EINVAL) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && ::rename(temp.c_str(), target.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(temp.c_str());
    RaiseFileError(err, path);
  }
}

}  // namespace quervik
