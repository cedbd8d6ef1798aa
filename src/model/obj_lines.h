// The line rules of the OBJ reader, shared by the reader that takes the file
// in one pass (obj_reader.cpp) and the one that reads it in pieces on several
// threads (obj_pieces.cpp): which lines count, how many records each gives,
// and the parser that turns lines into records.
//
// The parser takes runs of complete lines from a buffer. Lines of the usual
// forms ("v x y z", "f a b c" with plain or slashed corners) are read by fast
// paths that look ahead to the line feed without searching for it first; any
// line they do not take whole is read again by the literal rules
// (obj_tokens.h) between its known ends, so both give the same records.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cfloat>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/errors.h"
#include "model/mesh.h"
#include "model/obj_reader.h"
#include "model/obj_tokens.h"
#include "model/polygon_split.h"
#include "model/reader_text.h"

namespace quervik::objlines {

// Bytes that must be readable (and initialised) behind the last line handed
// to the fast paths and the counting: they load 16 bytes at a time.
inline constexpr std::size_t kPadding = 64;

// The bytes of an OBJ text: a regular file read with pread(), or a text in
// memory handed out the same way, so that both take the same code.
class TextSource {
 public:
  TextSource(int fd, std::uint64_t size, std::string path)
      : fd_(fd), size_(size), path_(std::move(path)) {}
  explicit TextSource(std::string_view text) : text_(text), size_(text.size()) {}

  // The size when the file was opened; a file that grows is read to its end.
  std::uint64_t size() const { return size_; }

  // Up to n bytes from offset `at` into `to`; 0 at the end of the text.
  // Raises the German file error when the file cannot be read.
  std::size_t ReadAt(std::uint64_t at, char* to, std::size_t n) const {
    if (fd_ < 0) {
      if (at >= text_.size()) return 0;
      n = std::min<std::size_t>(n, static_cast<std::size_t>(text_.size() - at));
      if (n > 0) std::memcpy(to, text_.data() + at, n);
      return n;
    }
    for (;;) {
      const ssize_t got = ::pread(fd_, to, n, static_cast<off_t>(at));
      if (got >= 0) return static_cast<std::size_t>(got);
      if (errno != EINTR) RaiseFileError(errno, path_);
    }
  }

 private:
  int fd_ = -1;
  std::string_view text_;
  std::uint64_t size_ = 0;
  std::string path_;
};

// A read buffer: bytes [0, held) of the text read so far and not yet taken,
// with kPadding readable bytes behind the capacity. It grows only for a line
// longer than itself.
class LineBuffer {
 public:
  explicit LineBuffer(std::size_t blockBytes)
      : capacity_(std::max<std::size_t>(blockBytes, 1)), data_(new char[capacity_ + kPadding]()) {}

  char* data() { return data_.get(); }
  std::size_t held() const { return held_; }
  void Clear() { held_ = 0; }

  // Where to read to and how much fits there (at least one byte: a full
  // buffer doubles).
  char* Room(std::size_t& room) {
    if (held_ == capacity_) {
      std::unique_ptr<char[]> bigger(new char[2 * capacity_ + kPadding]());
      std::memcpy(bigger.get(), data_.get(), held_);
      data_ = std::move(bigger);
      capacity_ *= 2;
    }
    room = capacity_ - held_;
    return data_.get() + held_;
  }
  void Added(std::size_t n) { held_ += n; }
  // Takes the first n bytes away.
  void Drop(std::size_t n) {
    std::memmove(data_.get(), data_.get() + n, held_ - n);
    held_ -= n;
  }

 private:
  std::size_t capacity_;
  std::unique_ptr<char[]> data_;
  std::size_t held_ = 0;
};

// The first line feed at or after p. A line feed must come before the
// padding ends.
inline const char* FindLf(const char* p) {
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8('\n');
  for (;; p += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const auto hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lf)));
    if (hits != 0) return p + std::countr_zero(hits);
  }
#else
  while (*p != '\n') ++p;
  return p;
#endif
}

// The records a run of lines gives: lines, "v " lines, "vn" lines, and the
// triangles of the "f " lines (k corners give k - 2; fewer than three give
// none, and such a face refuses the file anyway).
struct LineCounts {
  std::int64_t lines = 0;
  std::int64_t vertices = 0;
  std::int64_t normals = 0;
  std::int64_t triangles = 0;
};

// The set bits of a 16-bit mask, without the library call that
// std::popcount becomes where the processor's instruction is not assumed.
inline int Bits16(unsigned x) {
  x = x - ((x >> 1) & 0x5555u);
  x = (x & 0x3333u) + ((x >> 2) & 0x3333u);
  x = (x + (x >> 4)) & 0x0F0Fu;
  return static_cast<int>((x + (x >> 8)) & 0x1Fu);
}

// The corners of a face line [p, end) (p[0] = 'f', p[1] = ' '): the tokens
// after the keyword up to one that starts with '#'.
inline std::int64_t CountCorners(const char* p, const char* end) {
  std::int64_t k = 0;
  const char* q = p + 1;  // a blank: no token starts here
#if defined(__SSE2__)
  // Token starts are bytes other than blanks behind a blank; 16 at a time.
  const __m128i blank = _mm_set1_epi8(' ');
  const __m128i hash = _mm_set1_epi8('#');
  unsigned before = 0;  // the byte before q, p[0], is the keyword
  while (q < end) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
    const auto blanks = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, blank)));
    const auto hashes = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, hash)));
    const std::ptrdiff_t left = end - q;
    const unsigned inside = left >= 16 ? 0xFFFFu : (1u << left) - 1;
    const unsigned starts = ~blanks & ((blanks << 1) | before) & inside;
    const unsigned comment = starts & hashes;
    if (comment != 0) return k + Bits16(starts & ((comment & (0u - comment)) - 1));
    k += Bits16(starts);
    before = (blanks >> 15) & 1u;
    q += 16;
  }
#else
  bool afterBlank = true;
  for (; q < end; ++q) {
    if (*q == ' ') {
      afterBlank = true;
    } else if (afterBlank) {
      if (*q == '#') break;
      ++k;
      afterBlank = false;
    }
  }
#endif
  return k;
}

// Adds the records of one line [p, end) (its terminator left out).
inline void CountLine(const char* p, const char* end, LineCounts& counts) {
  ++counts.lines;
  if (end - p < 2) return;
  if (p[0] == 'v' && p[1] == ' ') {
    ++counts.vertices;
  } else if (p[0] == 'f' && p[1] == ' ') {
    const std::int64_t k = CountCorners(p, end);
    if (k > 2) counts.triangles += k - 2;
  } else if (p[0] == 'v' && p[1] == 'n') {
    ++counts.normals;
  }
}

// Counts the lines ended by a line feed in [p, stop) (stop[-1] is one, with
// kPadding bytes behind stop) that begin before `limit`, and returns where
// the first line not counted begins. A carriage return before the line feed
// is not part of the line.
inline const char* CountLfLines(const char* p, const char* stop, const char* limit,
                                LineCounts& counts) {
  while (p < stop && p < limit) {
    const char* lf = FindLf(p);
    const char* end = lf > p && lf[-1] == '\r' ? lf - 1 : lf;
    CountLine(p, end, counts);
    p = lf + 1;
  }
  return p;
}

// The same for lines ended by a carriage return (a file without line feeds):
// [p, stop) with stop[-1] a carriage return.
inline const char* CountCrLines(const char* p, const char* stop, const char* limit,
                                LineCounts& counts) {
  while (p < stop && p < limit) {
    const char* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<size_t>(stop - p)));
    CountLine(p, cr, counts);
    p = cr + 1;
  }
  return p;
}

// The content of the last line of a text, [p, end) holding what follows the
// last terminator (not empty): a carriage return ending a text of lines ended
// by line feeds is dropped as it would be before a line feed.
inline const char* TailEnd(const char* p, const char* end, char terminator) {
  return terminator == '\n' && end > p && end[-1] == '\r' ? end - 1 : end;
}

// A face corner that names no vertex, kept to report the first one in the
// file: its line, its place on the line and the number as written.
struct BadCorner {
  std::int64_t line = 0;
  std::int64_t place = 0;
  std::int64_t written = 0;

  bool Before(const BadCorner& other) const {
    return line != other.line ? line < other.line : place < other.place;
  }
};

// A face that refuses the file as soon as it is read, with the user's text.
struct FaceProblem {
  BadCorner where;
  std::string text;
};

// A polygon of k corners whose fan starts at slot `slot` of Fc.
struct Polygon {
  std::size_t slot = 0;
  std::int64_t k = 0;
};

// Up to eight digits after an optional minus, followed by a blank, a slash
// or the line's end: the vertex number of a corner, read eight bytes at a
// time; q is left at the blank or line end behind the corner (its texture
// and normal numbers skipped). nullptr for any other token. Needs the line
// feed ending the line before the padding ends.
inline const char* FastCorner(const char* q, std::int32_t& value) {
  const bool negative = *q == '-';
  const char* d = q + (negative ? 1 : 0);
  std::uint64_t bytes;
  std::memcpy(&bytes, d, 8);
  // Digits become 0 … 9, every other byte 10 or more.
  const std::uint64_t t = bytes ^ 0x3030303030303030u;
  const std::uint64_t other =
      (((t & 0x7F7F7F7F7F7F7F7Fu) + 0x7676767676767676u) | t) & 0x8080808080808080u;
  int n = 8;
  std::uint64_t v = t;
  if (other != 0) {
    n = std::countr_zero(other) >> 3;
    if (n == 0) return nullptr;
    v = t << (8 * (8 - n));  // the missing leading digits become zeros
  }
  const char* after = d + n;
  const char c = *after;
  if (c == '/') {
    while (*after != ' ' && *after != '\n') ++after;
  } else if (!(c == ' ' || c == '\n' || (c == '\r' && after[1] == '\n'))) {
    return nullptr;
  }
  // Eight digits, first one lowest, to their value in three steps.
  v = (v * 2561) >> 8;
  v = ((v & 0x00FF00FF00FF00FFu) * 6553601) >> 16;
  v = ((v & 0x0000FFFF0000FFFFu) * 42949672960001u) >> 32;
  const auto digits = static_cast<std::int32_t>(v);
  value = negative ? -digits : digits;
  return after;
}

// A number token as std::from_chars reads it whole (the common case of
// objtok::NextFloat), followed by a blank or the line's end; nullptr for any
// other token. `stop` bounds the text (a line feed comes before it).
//
// Digits with perhaps a point, at most 19 of them and no exponent, whose
// digits without the point make at most 2^53 (most coordinates), are read
// here: that whole number and 10^k (k ≤ 22 decimals) are exact doubles, so
// their quotient is the correctly rounded value of the text, which
// std::from_chars gives as well. Where long double has a 64-bit mantissa,
// larger numbers of at most 19 digits (coordinates written with 17 digits)
// are read here too: the number and 10^k are exact long doubles, their
// quotient is rounded once to 64 bits and then to 53, which gives the
// correctly rounded double unless the first rounding ended exactly halfway
// between two doubles; those few go to std::from_chars, as does every other
// number.
inline const char* FastNumber(const char* q, const char* stop, double& value) {
  static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                            1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  const bool negative = *q == '-';
  const char* first = q + (negative ? 1 : 0);
  if (!(objtok::IsDigit(*first) || *first == '.')) return nullptr;
  std::uint64_t whole = 0;
  int digits = 0;
  int decimals = 0;
  const char* r = first;
  for (; objtok::IsDigit(*r); ++r, ++digits) whole = whole * 10 + static_cast<unsigned>(*r - '0');
  if (*r == '.') {
    for (++r; objtok::IsDigit(*r); ++r, ++digits, ++decimals) {
      whole = whole * 10 + static_cast<unsigned>(*r - '0');
    }
  }
  const char c = *r;
  const bool ends = c == ' ' || c == '\n' || (c == '\r' && r[1] == '\n');
  if (ends && digits > 0 && digits <= 19 && whole <= (std::uint64_t{1} << 53)) {
    double v = static_cast<double>(whole);
    if (decimals > 0) v /= kPowersOfTen[decimals];
    value = negative ? -v : v;
    return r;
  }
#if LDBL_MANT_DIG == 64 && defined(__x86_64__)
  if (ends && digits > 0 && digits <= 19) {
    static constexpr long double kLongPowersOfTen[] = {
        1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,
        1e10L, 1e11L, 1e12L, 1e13L, 1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L};
    const long double quotient = static_cast<long double>(whole) / kLongPowersOfTen[decimals];
    std::uint64_t mantissa;
    std::memcpy(&mantissa, &quotient, sizeof mantissa);
    if ((mantissa & 0x7FF) != 0x400) {
      const auto v = static_cast<double>(quotient);
      value = negative ? -v : v;
      return r;
    }
  }
#endif
  const auto result = std::from_chars(q, stop, value, std::chars_format::general);
  if (result.ec != std::errc() || result.ptr - q > 64) return nullptr;
  const char e = *result.ptr;
  if (e == ' ' || e == '\n' || (e == '\r' && result.ptr[1] == '\n')) return result.ptr;
  return nullptr;
}

// Parses lines into records handed to `Out`, which provides:
//   std::int64_t Defined()         the vertices defined before this line
//   void Vertex(const Tvertex&), void Normal(const Tvect3D&)
//   void FaceLine()                called at each face line read
//   std::size_t FaceSlot()         the slot of Fc the next triangle fills
//   void Triangle(const TFace&)    fills that slot
//   TFace& FaceAt(std::size_t)     a slot filled before
//   bool Readable(std::int32_t)    whether vertex c may be read now
//   const Tvertex& VertexAt(std::int32_t)
// Line numbers count from `lineBefore` + 1.
template <class Out>
class LineParser {
 public:
  LineParser(Out& out, std::int64_t lineBefore, ObjReadReport& report)
      : out_(out), line_(lineBefore), report_(report) {}

  // The complete lines of [p, stop): stop[-1] is a line feed, with kPadding
  // readable bytes behind stop.
  void LfLines(const char* p, const char* stop) {
    stop_ = stop;
    while (p < stop) {
      ++line_;
      const char* next = nullptr;
      if (p[0] == 'v') {
        if (p[1] == ' ') {
          next = FastVector(p + 2, false);
        } else if (p[1] == 'n' && p[2] == ' ') {
          next = FastVector(p + 3, true);
        }
      } else if (p[0] == 'f' && p[1] == ' ') {
        next = FastFace(p + 2);
      }
      if (next == nullptr) {
        const char* lf = FindLf(p);
        Body(p, lf > p && lf[-1] == '\r' ? lf - 1 : lf);
        next = lf + 1;
      }
      p = next;
    }
  }

  // The lines of [p, stop) ended by carriage returns (stop[-1] is one).
  void CrLines(const char* p, const char* stop) {
    while (p < stop) {
      const char* cr =
          static_cast<const char*>(std::memchr(p, '\r', static_cast<size_t>(stop - p)));
      Line(p, cr);
      p = cr + 1;
    }
  }

  // One line, its terminator left out.
  void Line(const char* p, const char* end) {
    ++line_;
    Body(p, end);
  }

  std::int64_t line() const { return line_; }
  // Whether any number token was read, and whether the last one held a comma.
  bool readAnyNumber() const { return anyNumber_; }
  bool lastComma() const { return lastComma_; }
  // The first face refused as it was read.
  const std::optional<FaceProblem>& problem() const { return problem_; }
  // Corners naming vertices beyond those defined before their line, each
  // reaching further than all before it.
  const std::vector<BadCorner>& forward() const { return forward_; }
  // Polygons to split once their vertices can be read.
  std::vector<Polygon>& later() { return later_; }

  // Gathers the corners of the polygon whose fan starts at `slot` and writes
  // its triangles over the fan; false (and nothing written) when a vertex
  // it needs is not readable yet and `check` is set.
  bool SplitPolygon(const Polygon& polygon, bool check) {
    corners_.clear();
    points_.clear();
    const TFace& first = out_.FaceAt(polygon.slot);
    corners_.push_back(first[1]);
    corners_.push_back(first[2]);
    for (std::int64_t t = 0; t < polygon.k - 2; ++t) {
      corners_.push_back(out_.FaceAt(polygon.slot + static_cast<size_t>(t))[3]);
    }
    for (const std::int32_t c : corners_) {
      if (check && !out_.Readable(c)) return false;
    }
    for (const std::int32_t c : corners_) points_.push_back(out_.VertexAt(c));
    if (splitter_.GivesFan(points_)) return true;  // the fan is in place
    splitter_.Split(points_, triangles_);
    for (size_t t = 0; t < triangles_.size(); ++t) {
      TFace& f = out_.FaceAt(polygon.slot + t);
      for (int j = 0; j < 3; ++j) f[j + 1] = corners_[triangles_[t][static_cast<size_t>(j)]];
    }
    return true;
  }

 private:
  void Body(const char* p, const char* end) {
    if (end - p < 2) return;
    const char c0 = p[0];
    const char c1 = p[1];
    if (c0 == 'v' && c1 == ' ') {
      out_.Vertex(ReadVertexValues(p, end, true));
    } else if (c0 == 'f' && c1 == ' ') {
      ReadFace(p, end);
    } else if (c0 == 'v' && c1 == 'n') {
      const Tvertex t = ReadVertexValues(p, end, false);
      out_.Normal(Tvect3D{t.x, t.y, t.z});
    }
  }

  // "v " or "vn " lines of three numbers that std::from_chars reads whole;
  // anything after the third number is not read. q follows the keyword.
  const char* FastVector(const char* q, bool normal) {
    double c[3];
    for (double& value : c) {
      while (*q == ' ') ++q;
      q = FastNumber(q, stop_, value);
      if (q == nullptr) return nullptr;
    }
    while (*q == ' ') ++q;
    if (*q == '\r' && q[1] == '\n') ++q;
    if (*q != '\n') q = FindLf(q);
    anyNumber_ = true;
    lastComma_ = false;
    if (normal) {
      out_.Normal(Tvect3D{c[0], c[1], c[2]});
    } else {
      out_.Vertex(Tvertex{c[0], c[1], c[2]});
    }
    return q + 1;
  }

  // "f " lines of up to kFastCorners corners that FastCorner reads, none 0,
  // without a comment. q follows the keyword.
  const char* FastFace(const char* q) {
    static constexpr int kFastCorners = 8;
    if (problem_) return nullptr;
    std::int32_t written[kFastCorners];
    int k = 0;
    for (;;) {
      while (*q == ' ') ++q;
      if (*q == '\n') break;
      if (*q == '\r' && q[1] == '\n') {
        ++q;
        break;
      }
      if (k == kFastCorners) return nullptr;
      q = FastCorner(q, written[k]);
      if (q == nullptr || written[k] == 0) return nullptr;
      ++k;
    }
    out_.FaceLine();
    const size_t slot = out_.FaceSlot();
    const std::int64_t defined = out_.Defined();
    bool ahead = false;
    TFace face;
    for (int i = 0; i < k; ++i) {
      if (!AddCorner(written[i], i + 1, defined, face, ahead)) return q + 1;
    }
    FinishFace(slot, k, ahead);
    return q + 1;
  }

  Tvertex ReadVertexValues(const char* p, const char* end, bool counted) {
    objtok::NextToken(p, end);  // the keyword
    bool comma = false;
    bool ok[3] = {true, true, true};
    Tvertex v;
    v.x = objtok::NextFloat(p, end, comma, ok[0]);
    v.y = objtok::NextFloat(p, end, comma, ok[1]);
    v.z = objtok::NextFloat(p, end, comma, ok[2]);
    anyNumber_ = true;
    lastComma_ = comma;
    if (counted && !(ok[0] && ok[1] && ok[2])) NoteUnreadable(3 - ok[0] - ok[1] - ok[2]);
    return v;
  }

  void NoteUnreadable(int count) {
    report_.unreadableNumbers += count;
    ++report_.linesWithUnreadable;
    std::vector<std::int64_t>& lines = report_.unreadableLines;
    if (lines.size() < ObjReadReport::kListedLines) lines.push_back(line_);
  }

  // The corners become the fan (c1,c2,c3), (c1,c3,c4), … as they are read;
  // a polygon that is not convex has its slots rewritten once the vertices
  // it names can be read.
  void ReadFace(const char* p, const char* end) {
    if (problem_) return;  // refused already; only later vertices still count
    out_.FaceLine();
    objtok::NextToken(p, end);  // the keyword
    const size_t slot = out_.FaceSlot();
    const std::int64_t defined = out_.Defined();
    bool ahead = false;
    TFace face;
    std::int64_t k = 0;
    for (;;) {
      while (p < end && *p == ' ') ++p;
      if (p == end || *p == '#') break;
      const char* token = p;
      const std::int32_t written = objtok::NextCorner(p, end);
      ++k;
      if (written == 0) {
        RefuseCorner(std::string_view(token, static_cast<size_t>(p - token)), k);
        return;
      }
      if (!AddCorner(written, k, defined, face, ahead)) return;
    }
    FinishFace(slot, k, ahead);
  }

  // Corner number k of a face: the first two are kept, each further one
  // completes a triangle of the fan. False when it refuses the face.
  bool AddCorner(std::int32_t written, std::int64_t k, std::int64_t defined, TFace& face,
                 bool& ahead) {
    const std::int32_t corner = Resolve(written, defined, k, ahead);
    if (problem_) return false;
    if (k <= 2) {
      face[static_cast<int>(k)] = corner;
    } else {
      if (k > 3) face[2] = face[3];
      face[3] = corner;
      out_.Triangle(face);
    }
    return true;
  }

  void FinishFace(size_t slot, std::int64_t k, bool ahead) {
    if (k < 3) {
      Refuse(k + 1, readtext::LinePrefix(line_) + "Fläche mit weniger als 3 Eckpunkten");
    } else if (k > 3) {
      const Polygon polygon{slot, k};
      if (ahead || !SplitPolygon(polygon, true)) later_.push_back(polygon);
    }
  }

  void Refuse(std::int64_t place, std::string text) {
    problem_ = FaceProblem{BadCorner{line_, place, 0}, std::move(text)};
  }

  // A corner whose vertex number is 0, beyond the 32-bit range or no
  // integer at all.
  void RefuseCorner(std::string_view token, std::int64_t place) {
    const std::string_view part = objtok::CornerVertexPart(token);
    if (objtok::IsWrittenInteger(part)) {
      Refuse(place, readtext::LinePrefix(line_) + "Eckpunkt " + readtext::Quoted(part) +
                        " existiert nicht");
    } else {
      Refuse(place, readtext::LinePrefix(line_) + "'" + readtext::Quoted(token) +
                        "' ist keine gültige Eckpunktnummer");
    }
  }

  // A negative number counts back from the last vertex defined so far (-1 is
  // that vertex). A positive number may name a vertex defined further down
  // (`ahead` is set then); whether it exists is known only at the end of the
  // file, so the corners that run ahead of the vertices read so far are
  // noted, each only when it reaches further than all noted before: the
  // first corner beyond the final count is always among them, and a
  // well-ordered file notes none.
  std::int32_t Resolve(std::int32_t written, std::int64_t defined, std::int64_t place,
                       bool& ahead) {
    if (written < 0) {
      const std::int64_t index = defined + 1 + written;
      if (index >= 1) return static_cast<std::int32_t>(index);
      Refuse(place, readtext::LinePrefix(line_) + "Eckpunkt " + std::to_string(written) +
                        " existiert nicht");
      return 0;
    }
    if (written > defined) {
      ahead = true;
      if (written > forwardMax_) {
        forward_.push_back(BadCorner{line_, place, written});
        forwardMax_ = written;
      }
    }
    return written;
  }

  Out& out_;
  std::int64_t line_;
  ObjReadReport& report_;
  const char* stop_ = nullptr;
  bool anyNumber_ = false;
  bool lastComma_ = false;
  std::optional<FaceProblem> problem_;
  std::vector<BadCorner> forward_;
  std::int64_t forwardMax_ = 0;
  std::vector<Polygon> later_;
  // Working memory of SplitPolygon, kept from polygon to polygon.
  PolygonSplitter splitter_;
  std::vector<std::int32_t> corners_;
  std::vector<Tvertex> points_;
  std::vector<PolygonTriangle> triangles_;
};

// The first error of a text: the first face refused as it was read, or the
// first corner naming a vertex beyond the `vertices` of the whole text,
// whichever comes first in the file. `forward` must hold, in file order, the
// corners that reached further than all before them (the first one beyond
// `vertices` is among them).
inline std::optional<FaceProblem> FirstError(const std::optional<FaceProblem>& problem,
                                             const std::vector<BadCorner>& forward,
                                             std::int64_t vertices) {
  std::optional<FaceProblem> first = problem;
  for (const BadCorner& f : forward) {
    if (f.written > vertices) {
      if (!first || f.Before(first->where)) {
        first = FaceProblem{f, readtext::LinePrefix(f.line) + "Eckpunkt " +
                                   std::to_string(f.written) + " existiert nicht"};
      }
      break;
    }
  }
  return first;
}

// The refusal of a text without a single face.
[[noreturn]] inline void RefuseNoFaces(std::string_view name) {
  throw Error("Die Datei '" + std::string(name) +
              "' enthält keine Flächen und ist kein Dreiecksnetz im OBJ-Format");
}

}  // namespace quervik::objlines
