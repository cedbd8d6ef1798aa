#include "model/obj_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/errors.h"
#include "core/number_format.h"
#include "model/obj_tokens.h"

namespace quervik {

std::string GetStr(std::string& s) {
  const size_t begin = s.find_first_not_of(' ');
  if (begin == std::string::npos) {
    s.clear();
    return {};
  }
  const size_t blank = s.find(' ', begin);
  if (blank == std::string::npos) {
    std::string token = s.substr(begin);
    s.clear();
    return token;
  }
  std::string token = s.substr(begin, blank - begin);
  const size_t rest = s.find_first_not_of(' ', blank);
  if (rest == std::string::npos) {
    s.clear();
  } else {
    s.erase(0, rest);
  }
  return token;
}

double GetFloat(std::string& Satz) {
  const std::string token = GetStr(Satz);
  const char separator = token.find(',') != std::string::npos ? ',' : '.';
  SetDecimalSeparator(separator);
  double value = 0;
  if (!TryStrToFloat(token, value, separator)) return 0;
  return value;
}

std::int32_t GetInt(std::string& Satz) {
  const std::string token = GetStr(Satz);
  std::string_view digits = token;
  // from_chars takes a minus but no plus; a plus must be followed by a digit
  // so that "+-5" stays invalid.
  if (!digits.empty() && digits.front() == '+') {
    digits.remove_prefix(1);
    if (digits.empty() || !objtok::IsDigit(digits.front())) return 0;
  }
  std::int32_t value = 0;
  const char* end = digits.data() + digits.size();
  const auto r = std::from_chars(digits.data(), end, value, 10);
  if (r.ec != std::errc() || r.ptr != end) return 0;
  return value;
}

namespace {

class FileHandle {
 public:
  explicit FileHandle(int fd) : fd_(fd) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

// A face corner that names no vertex, kept to report the first one in the
// file: its line, its place on the line and the number as written.
struct BadCorner {
  std::int64_t line = 0;
  int place = 0;
  std::int64_t written = 0;

  bool Before(const BadCorner& other) const {
    return line != other.line ? line < other.line : place < other.place;
  }
};

// Parses complete lines into a mesh. Knows nothing of files and blocks.
class ObjLineParser {
 public:
  // `fileBytes` bounds the room reserved ahead.
  ObjLineParser(Mesh& mesh, std::uint64_t fileBytes) : mesh_(mesh), fileBytes_(fileBytes) {}

  // One line without its line feed (and without the carriage return before
  // it).
  void Line(const char* p, const char* end) {
    ++line_;
    if (end - p < 2) return;
    const char c0 = p[0];
    const char c1 = p[1];
    if (c0 == 'v' && c1 == ' ') {
      mesh_.V.push_back(ReadVertexValues(p, end));
    } else if (c0 == 'f' && c1 == ' ') {
      ReadFace(p, end);
    } else if (c0 == 'v' && c1 == 'n') {
      const Tvertex t = ReadVertexValues(p, end);
      mesh_.Vn.push_back(Tvect3D{t.x, t.y, t.z});
    }
  }

  // Whether any number token was read, and whether the last one held a comma:
  // GetFloat leaves the process-wide separator as that last token set it.
  bool readAnyNumber() const { return anyNumber_; }
  char lastSeparator() const { return lastComma_ ? ',' : '.'; }

  // Raises the error for the first face corner in the file that names no
  // vertex of the finished file, if there is one.
  void CheckCorners() const {
    const std::int64_t n = static_cast<std::int64_t>(mesh_.V.size()) - 1;
    std::optional<BadCorner> first = firstBackward_;
    // forward_ rises in value, so the first entry beyond n is the first
    // corner in the file that names a vertex beyond the end.
    for (const BadCorner& f : forward_) {
      if (f.written > n) {
        if (!first || f.Before(*first)) first = f;
        break;
      }
    }
    if (first) {
      throw Error("Zeile " + std::to_string(first->line) + ": Eckpunkt " +
                  std::to_string(first->written) + " existiert nicht");
    }
  }

 private:
  Tvertex ReadVertexValues(const char* p, const char* end) {
    objtok::NextToken(p, end);  // the keyword
    bool comma = false;
    Tvertex v;
    v.x = objtok::NextFloat(p, end, comma);
    v.y = objtok::NextFloat(p, end, comma);
    v.z = objtok::NextFloat(p, end, comma);
    anyNumber_ = true;
    lastComma_ = comma;
    return v;
  }

  void ReadFace(const char* p, const char* end) {
    if (mesh_.Fc.size() == 1) ReserveFaces();
    objtok::NextToken(p, end);  // the keyword
    TFace face;
    const std::int64_t defined = static_cast<std::int64_t>(mesh_.V.size()) - 1;
    for (int k = 1; k <= 3; ++k) {
      const std::int32_t written = objtok::NextCorner(p, end);
      face[k] = Resolve(written, defined, k);
    }
    mesh_.Fc.push_back(face);
  }

  // Files list their vertices before their faces, and a triangle mesh has
  // about twice as many faces as vertices (a closed one exactly 2V - 4), so
  // at the first face there is room made for that many; a face line takes at
  // least 8 bytes ("f 1 2 3\n"), which bounds the guess by the file size.
  void ReserveFaces() {
    const std::uint64_t guess = 2 * static_cast<std::uint64_t>(mesh_.V.size());
    const std::uint64_t bound = fileBytes_ / 8 + 1;
    mesh_.Fc.reserve(static_cast<size_t>(guess < bound ? guess : bound) + 1);
  }

  // A negative number counts back from the last vertex defined so far (-1 is
  // that vertex). A positive number may name a vertex defined further down;
  // whether it exists is known only at the end of the file, so the corners
  // that run ahead of the vertices read so far are noted, each only when it
  // reaches further than all noted before: the first corner beyond the final
  // count is always among them, and a well-ordered file notes none.
  std::int32_t Resolve(std::int32_t written, std::int64_t defined, int place) {
    if (written < 0) {
      const std::int64_t index = defined + 1 + written;
      if (index >= 1) return static_cast<std::int32_t>(index);
      if (!firstBackward_) firstBackward_ = BadCorner{line_, place, written};
      return 0;
    }
    if (written > defined && written > forwardMax_) {
      forward_.push_back(BadCorner{line_, place, written});
      forwardMax_ = written;
    }
    return written;
  }

  Mesh& mesh_;
  std::uint64_t fileBytes_;
  std::int64_t line_ = 0;
  bool anyNumber_ = false;
  bool lastComma_ = false;
  std::optional<BadCorner> firstBackward_;
  std::vector<BadCorner> forward_;
  std::int64_t forwardMax_ = 0;
};

// Sets the process-wide separator as the GetFloat calls for the lines read so
// far would have left it, however the load ends.
class SeparatorOnExit {
 public:
  explicit SeparatorOnExit(const ObjLineParser& parser) : parser_(parser) {}
  SeparatorOnExit(const SeparatorOnExit&) = delete;
  SeparatorOnExit& operator=(const SeparatorOnExit&) = delete;
  ~SeparatorOnExit() {
    if (parser_.readAnyNumber()) SetDecimalSeparator(parser_.lastSeparator());
  }

 private:
  const ObjLineParser& parser_;
};

// Hands the complete lines of [p, stop) to the parser; stop - 1 is a line
// feed.
void ParseLines(ObjLineParser& parser, const char* p, const char* stop) {
  while (p < stop) {
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(stop - p)));
    const char* end = lf;
    if (end > p && end[-1] == '\r') --end;
    parser.Line(p, end);
    p = lf + 1;
  }
}

constexpr size_t kBlockBytes = size_t{1} << 20;

}  // namespace

Mesh ReadMesh(const std::string& path, const ReadProgress& progress) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) RaiseFileError(errno, path);
  FileHandle file(fd);
  struct stat st {};
  if (::fstat(fd, &st) != 0) RaiseFileError(errno, path);
  if (S_ISDIR(st.st_mode)) RaiseFileError(EISDIR, path);
  // Devices and pipes may never end (/dev/zero) or block forever; a mesh is
  // read from a regular file only.
  if (!S_ISREG(st.st_mode)) RaiseFileError(EACCES, path);
  const std::uint64_t fileBytes = static_cast<std::uint64_t>(st.st_size);
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);

  Mesh mesh;
  mesh.V.assign(1, Tvertex{});
  mesh.Fc.assign(1, TFace{});
  mesh.Vn.assign(1, Tvect3D{});

  ObjLineParser parser(mesh, fileBytes);
  SeparatorOnExit separatorOnExit(parser);

  // The buffer holds the unfinished line carried over from the last block
  // followed by the new block; it grows only for a line longer than itself.
  size_t capacity = kBlockBytes;
  std::unique_ptr<char[]> buffer(new char[capacity]);
  size_t held = 0;
  std::uint64_t bytesRead = 0;
  int lastPercent = -1;
  auto report = [&](int percent) {
    if (progress && percent != lastPercent) {
      lastPercent = percent;
      progress(percent);
    }
  };

  for (;;) {
    if (held == capacity) {
      const size_t grown = capacity * 2;
      std::unique_ptr<char[]> bigger(new char[grown]);
      std::memcpy(bigger.get(), buffer.get(), held);
      buffer = std::move(bigger);
      capacity = grown;
    }
    const ssize_t got = ::read(fd, buffer.get() + held, capacity - held);
    if (got < 0) {
      if (errno == EINTR) continue;
      RaiseFileError(errno, path);
    }
    if (got == 0) break;
    const char* fresh = buffer.get() + held;
    held += static_cast<size_t>(got);
    bytesRead += static_cast<std::uint64_t>(got);

    const void* lastLf = ::memrchr(fresh, '\n', static_cast<size_t>(got));
    if (lastLf != nullptr) {
      const char* stop = static_cast<const char*>(lastLf) + 1;
      ParseLines(parser, buffer.get(), stop);
      const size_t done = static_cast<size_t>(stop - buffer.get());
      std::memmove(buffer.get(), stop, held - done);
      held -= done;
    }
    if (fileBytes > 0) {
      const std::uint64_t percent = bytesRead >= fileBytes ? 100 : bytesRead * 100 / fileBytes;
      report(static_cast<int>(percent));
    }
  }
  if (held > 0) {
    // The last line has no line feed; a carriage return ending the file is
    // dropped as it would be before a line feed.
    const char* end = buffer.get() + held;
    if (end[-1] == '\r') --end;
    parser.Line(buffer.get(), end);
  }
  report(100);

  parser.CheckCorners();
  ZMinMax(mesh);
  mesh.version = NewMeshVersion();
  return mesh;
}

}  // namespace quervik
