#include "model/obj_pieces.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/errors.h"
#include "core/number_format.h"
#include "core/parallel_blocks.h"

namespace quervik::objpieces {

namespace {

using objlines::LineBuffer;
using objlines::LineCounts;
using objlines::LineParser;
using objlines::TextSource;

constexpr std::uint64_t kOpenEnd = std::numeric_limits<std::uint64_t>::max();

[[noreturn]] void RefuseChanged(std::string_view name) {
  throw Error("Die Datei '" + std::string(name) + "' wurde beim Lesen verändert");
}

// One piece of the text and what its two passes found.
struct Piece {
  // The lines beginning in [from, to) are this piece's.
  std::uint64_t from = 0;
  std::uint64_t to = 0;
  // Counting: whether a line begins in the piece, the bytes of its lines
  // [begin, end) and what they give.
  bool empty = true;
  std::uint64_t begin = 0;
  std::uint64_t end = 0;
  LineCounts counts;
  // What the pieces before it give, from the counts.
  LineCounts before;
  // Reading: what the lines gave, and what they leave to the joining.
  LineCounts got;
  std::optional<objlines::FaceProblem> problem;
  std::vector<objlines::BadCorner> forward;
  std::vector<objlines::Polygon> later;
  ObjReadReport report;
  bool anyNumber = false;
  bool lastComma = false;
  double zmin = std::numeric_limits<double>::infinity();
  double zmax = -std::numeric_limits<double>::infinity();
};

// Read buffers for the threads, taken per piece and given back, so that
// each thread holds one at a time and none outlives the reading.
class Buffers {
 public:
  explicit Buffers(std::size_t blockBytes) : blockBytes_(blockBytes) {
    free_.reserve(std::thread::hardware_concurrency() + 2);
  }

  class Loan {
   public:
    explicit Loan(Buffers& from) : from_(from), buffer_(from.Take()) {}
    Loan(const Loan&) = delete;
    Loan& operator=(const Loan&) = delete;
    ~Loan() { from_.Give(std::move(buffer_)); }
    LineBuffer& operator*() { return *buffer_; }

   private:
    Buffers& from_;
    std::unique_ptr<LineBuffer> buffer_;
  };

 private:
  std::unique_ptr<LineBuffer> Take() {
    {
      std::lock_guard lock(mutex_);
      if (!free_.empty()) {
        std::unique_ptr<LineBuffer> b = std::move(free_.back());
        free_.pop_back();
        return b;
      }
    }
    return std::make_unique<LineBuffer>(blockBytes_);
  }

  void Give(std::unique_ptr<LineBuffer> b) {
    b->Clear();
    std::lock_guard lock(mutex_);
    if (free_.size() < free_.capacity()) free_.push_back(std::move(b));
  }

  std::size_t blockBytes_;
  std::mutex mutex_;
  std::vector<std::unique_ptr<LineBuffer>> free_;
};

// The share of both passes done, told on the calling thread only.
class Progress {
 public:
  Progress(const ReadProgress& tell, std::uint64_t size)
      : tell_(tell), caller_(std::this_thread::get_id()), size_(size > 0 ? size : 1) {}

  // Counting weighs a quarter of the reading.
  void Counted(std::uint64_t bytes) {
    counted_.fetch_add(bytes, std::memory_order_relaxed);
    Tell();
  }
  void Read(std::uint64_t bytes) {
    read_.fetch_add(bytes, std::memory_order_relaxed);
    Tell();
  }
  void Done() { Percent(100); }

 private:
  void Tell() {
    if (!tell_ || std::this_thread::get_id() != caller_) return;
    const std::uint64_t counted = std::min(counted_.load(std::memory_order_relaxed), size_);
    const std::uint64_t read = std::min(read_.load(std::memory_order_relaxed), size_);
    Percent(static_cast<int>(std::min<std::uint64_t>(99, (counted + 3 * read) * 25 / size_)));
  }
  void Percent(int percent) {
    if (tell_ && percent != last_) {
      last_ = percent;
      tell_(percent);
    }
  }

  const ReadProgress& tell_;
  std::thread::id caller_;
  std::uint64_t size_;
  std::atomic<std::uint64_t> counted_{0};
  std::atomic<std::uint64_t> read_{0};
  int last_ = -1;
};

// How far the vertices are written for every thread to read: the pieces
// read so far without a gap from the first one.
class Written {
 public:
  explicit Written(const std::vector<Piece>& pieces) : pieces_(pieces), done_(pieces.size(), 0) {}

  void Done(std::size_t i) {
    std::lock_guard lock(mutex_);
    done_[i] = 1;
    while (prefix_ < done_.size() && done_[prefix_] != 0) ++prefix_;
    const std::int64_t vertices =
        prefix_ < pieces_.size() ? pieces_[prefix_].before.vertices
                                 : pieces_.back().before.vertices + pieces_.back().counts.vertices;
    vertices_.store(vertices, std::memory_order_release);
  }
  const std::atomic<std::int64_t>& vertices() const { return vertices_; }

 private:
  const std::vector<Piece>& pieces_;
  std::mutex mutex_;
  std::vector<char> done_;
  std::size_t prefix_ = 0;
  std::atomic<std::int64_t> vertices_{0};
};

// Where a piece puts its records: its own slots of the arrays, made at
// their final size. A piece that gets more records than it counted refuses
// the file as changed. Fc is looked at only by a piece that counted
// triangles (another thread may still be making it).
class PieceOut {
 public:
  PieceOut(Mesh& mesh, const Piece& piece, const std::atomic<std::int64_t>* written,
           std::string_view name)
      : V_(mesh.V.data()),
        Vn_(mesh.Vn.data()),
        Fc_(piece.counts.triangles > 0 ? mesh.Fc.data() : nullptr),
        vFirst_(piece.before.vertices + 1),
        vNext_(vFirst_),
        vEnd_(vFirst_ + piece.counts.vertices),
        nFirst_(piece.before.normals + 1),
        nNext_(nFirst_),
        nEnd_(nFirst_ + piece.counts.normals),
        fFirst_(static_cast<std::size_t>(piece.before.triangles) + 1),
        fNext_(fFirst_),
        fEnd_(fFirst_ + static_cast<std::size_t>(piece.counts.triangles)),
        written_(written),
        name_(name) {}

  std::int64_t Defined() const { return vNext_ - 1; }
  void Vertex(const Tvertex& v) {
    if (vNext_ == vEnd_) RefuseChanged(name_);
    V_[vNext_++] = v;
    // The first lowest and highest, as ZMinMax keeps them.
    if (zmin_ > v.z) zmin_ = v.z;
    if (zmax_ < v.z) zmax_ = v.z;
  }
  void Normal(const Tvect3D& n) {
    if (nNext_ == nEnd_) RefuseChanged(name_);
    Vn_[nNext_++] = n;
  }
  void FaceLine() {}
  std::size_t FaceSlot() const { return fNext_; }
  void Triangle(const TFace& f) {
    if (fNext_ == fEnd_) RefuseChanged(name_);
    Fc_[fNext_++] = f;
  }
  TFace& FaceAt(std::size_t slot) { return Fc_[slot]; }
  // A vertex of this piece once it is written, one of the pieces before it
  // once all of them up to it are written.
  bool Readable(std::int32_t c) {
    if (c >= vFirst_) return c < vNext_;
    if (c <= ready_) return true;
    ready_ = written_ != nullptr ? written_->load(std::memory_order_acquire) : 0;
    return c <= ready_;
  }
  const Tvertex& VertexAt(std::int32_t c) const { return V_[c]; }

  LineCounts Got(std::int64_t lines) const {
    return LineCounts{lines, vNext_ - vFirst_, nNext_ - nFirst_,
                      static_cast<std::int64_t>(fNext_ - fFirst_)};
  }
  double zmin() const { return zmin_; }
  double zmax() const { return zmax_; }

 private:
  Tvertex* V_;
  Tvect3D* Vn_;
  TFace* Fc_;
  std::int64_t vFirst_, vNext_, vEnd_;
  std::int64_t nFirst_, nNext_, nEnd_;
  std::size_t fFirst_, fNext_, fEnd_;
  const std::atomic<std::int64_t>* written_;
  std::int64_t ready_ = 0;
  std::string_view name_;
  double zmin_ = std::numeric_limits<double>::infinity();
  double zmax_ = -std::numeric_limits<double>::infinity();
};

// The arrays at their final size, slot 0 the placeholder: V and Vn, and
// Fc, each made by whichever thread needs it first while others needing it
// wait, so that two threads can make the two at the same time.
class Arrays {
 public:
  static constexpr int kVertices = 0;  // V and Vn
  static constexpr int kFaces = 1;     // Fc

  Arrays(Mesh& mesh, const LineCounts& total) : mesh_(mesh), total_(total) {}

  // Returns once V and Vn, and with `faces` Fc too, are made (and may be
  // used on this thread); false when making them failed on another thread,
  // whose exception ends the reading.
  bool Need(bool faces) { return Ensure(kVertices) && (!faces || Ensure(kFaces)); }

  bool Ensure(int part) {
    std::unique_lock lock(mutex_);
    for (;;) {
      if (failed_) return false;
      if (made_[part]) return true;
      if (busy_[part]) {
        changed_.wait(lock);
        continue;
      }
      busy_[part] = true;
      lock.unlock();
      try {
        Make(part);
      } catch (...) {
        lock.lock();
        failed_ = true;
        busy_[part] = false;
        changed_.notify_all();
        throw;
      }
      lock.lock();
      made_[part] = true;
      busy_[part] = false;
      changed_.notify_all();
    }
  }

 private:
  void Make(int part) {
    if (part == kVertices) {
      mesh_.V.resize(static_cast<std::size_t>(total_.vertices) + 1);
      mesh_.Vn.resize(static_cast<std::size_t>(total_.normals) + 1);
    } else {
      mesh_.Fc.resize(static_cast<std::size_t>(total_.triangles) + 1);
    }
  }

  Mesh& mesh_;
  LineCounts total_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool made_[2] = {false, false};
  bool busy_[2] = {false, false};
  bool failed_ = false;
};

// Everything the passes share.
class Reading {
 public:
  Reading(const TextSource& source, unsigned threads, std::size_t pieceBytes,
          std::size_t blockBytes, std::string_view name, const ReadProgress& progress)
      : source_(source),
        threads_(threads),
        name_(name),
        buffers_(blockBytes),
        progress_(progress, source.size()) {
    const std::uint64_t size = source.size();
    const std::size_t n = static_cast<std::size_t>((size + pieceBytes - 1) / pieceBytes);
    pieces_.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
      pieces_[i].from = i * static_cast<std::uint64_t>(pieceBytes);
      pieces_[i].to = i + 1 == n ? kOpenEnd : pieces_[i].from + pieceBytes;
    }
  }

  Mesh Read(ObjReadReport& report) {
    terminator_ = FindTerminator();
    ForEach(pieces_.size(), [this](std::size_t i) { CountPiece(pieces_[i]); });
    const LineCounts total = JoinCounts();

    // Blocks 0 and 1 make V and Vn, and Fc, side by side; then the threads
    // read the pieces, those with vertices only (in most files they come
    // first) as soon as V is made.
    Mesh mesh;
    Arrays arrays(mesh, total);
    Written written(pieces_);
    constexpr std::size_t kMaking = 2;
    ForEach(pieces_.size() + kMaking, [&](std::size_t b) {
      if (b < kMaking) {
        arrays.Ensure(b == 0 ? Arrays::kVertices : Arrays::kFaces);
        return;
      }
      Piece& piece = pieces_[b - kMaking];
      if (!piece.empty && arrays.Need(piece.counts.triangles > 0)) ReadPiece(piece, mesh, written);
      written.Done(b - kMaking);
    });
    progress_.Done();
    Join(mesh, total, report);
    return mesh;
  }

 private:
  // Runs f(b) for b in 0 … count-1 on the threads; the first exception
  // stops the others after their current block and is thrown here.
  template <class F>
  void ForEach(std::size_t count, F f) {
    auto work = [&](std::size_t b) {
      if (stop_.load(std::memory_order_relaxed)) return;
      try {
        f(b);
      } catch (...) {
        stop_.store(true, std::memory_order_relaxed);
        throw;
      }
    };
    ParallelBlocks(count, threads_, work);
  }

  bool Stopped() const { return stop_.load(std::memory_order_relaxed); }

  // A line feed ends the lines; a text without any, but with carriage
  // returns, has its lines ended by them.
  char FindTerminator() {
    Buffers::Loan loan(buffers_);
    LineBuffer& buffer = *loan;
    bool sawCr = false;
    for (std::uint64_t at = 0;;) {
      std::size_t room = 0;
      char* to = buffer.Room(room);
      const std::size_t got = source_.ReadAt(at, to, room);
      if (got == 0) return sawCr ? '\r' : '\n';
      if (std::memchr(to, '\n', got) != nullptr) return '\n';
      sawCr = sawCr || std::memchr(to, '\r', got) != nullptr;
      at += got;
    }
  }

  // Moves the buffer to the first line beginning in the piece: behind the
  // first terminator in [from - 1, to - 1). False when there is none.
  bool FindFirstLine(const Piece& piece, LineBuffer& buffer, std::uint64_t& at) {
    const std::uint64_t last = piece.to - 1;
    for (std::uint64_t pos = piece.from - 1; pos < last;) {
      std::size_t room = 0;
      char* to = buffer.Room(room);
      const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(room, last - pos));
      const std::size_t got = source_.ReadAt(pos, to, want);
      if (got == 0 || Stopped()) return false;
      progress_.Counted(got);
      const char* t = static_cast<const char*>(std::memchr(to, terminator_, got));
      if (t != nullptr) {
        buffer.Added(got);
        const std::size_t skip = static_cast<std::size_t>(t + 1 - buffer.data());
        buffer.Drop(skip);
        at = pos + skip;
        return true;
      }
      pos += got;
    }
    return false;
  }

  void CountPiece(Piece& piece) {
    Buffers::Loan loan(buffers_);
    LineBuffer& buffer = *loan;
    std::uint64_t at = 0;  // the offset of buffer.data()[0]
    if (piece.from > 0 && !FindFirstLine(piece, buffer, at)) return;
    const std::uint64_t begin = at;
    LineCounts counts;
    std::size_t scanned = 0;  // bytes of the buffer known to hold no terminator
    for (;;) {
      const std::size_t held = buffer.held();
      if (held > scanned) {
        const char* data = buffer.data();
        const void* last = ::memrchr(data + scanned, terminator_, held - scanned);
        scanned = held;
        if (last != nullptr) {
          const char* stop = static_cast<const char*>(last) + 1;
          const char* limit = piece.to - at >= held ? stop : data + (piece.to - at);
          const char* p = terminator_ == '\n' ? objlines::CountLfLines(data, stop, limit, counts)
                                              : objlines::CountCrLines(data, stop, limit, counts);
          const std::size_t used = static_cast<std::size_t>(p - data);
          if (piece.to - at <= used) {  // the next line is the next piece's
            Counted(piece, begin, at + used, counts);
            return;
          }
          buffer.Drop(used);
          at += used;
          scanned = buffer.held();
        }
      }
      std::size_t room = 0;
      char* to = buffer.Room(room);
      const std::size_t got = source_.ReadAt(at + buffer.held(), to, room);
      if (got == 0) break;
      if (Stopped()) return;
      buffer.Added(got);
      progress_.Counted(got);
    }
    // The end of the text: what follows the last terminator is its last line.
    const char* data = buffer.data();
    if (buffer.held() > 0) {
      objlines::CountLine(data, objlines::TailEnd(data, data + buffer.held(), terminator_), counts);
    }
    Counted(piece, begin, at + buffer.held(), counts);
  }

  static void Counted(Piece& piece, std::uint64_t begin, std::uint64_t end,
                      const LineCounts& counts) {
    piece.empty = false;
    piece.begin = begin;
    piece.end = end;
    piece.counts = counts;
  }

  // Checks that the pieces' lines follow each other without a gap, gives
  // each piece what the pieces before it hold, and returns the totals.
  LineCounts JoinCounts() {
    LineCounts total;
    std::uint64_t next = 0;
    for (Piece& piece : pieces_) {
      piece.before = total;
      if (piece.empty) continue;
      if (piece.begin != next) RefuseChanged(name_);
      next = piece.end;
      total.lines += piece.counts.lines;
      total.vertices += piece.counts.vertices;
      total.normals += piece.counts.normals;
      total.triangles += piece.counts.triangles;
    }
    return total;
  }

  void ReadPiece(Piece& piece, Mesh& mesh, const Written& written) {
    if (piece.empty) return;
    Buffers::Loan loan(buffers_);
    LineBuffer& buffer = *loan;
    PieceOut out(mesh, piece, &written.vertices(), name_);
    LineParser<PieceOut> parser(out, piece.before.lines, piece.report);
    std::uint64_t at = piece.begin;  // the offset of buffer.data()[0]
    for (;;) {
      const std::uint64_t next = at + buffer.held();
      if (next >= piece.end) break;
      std::size_t room = 0;
      char* to = buffer.Room(room);
      const std::size_t want =
          static_cast<std::size_t>(std::min<std::uint64_t>(room, piece.end - next));
      const std::size_t got = source_.ReadAt(next, to, want);
      if (got == 0) RefuseChanged(name_);
      if (Stopped()) return;
      buffer.Added(got);
      progress_.Read(got);
      const void* last = ::memrchr(to, terminator_, got);
      if (last != nullptr) {
        const char* data = buffer.data();
        const char* stop = static_cast<const char*>(last) + 1;
        if (terminator_ == '\n') {
          parser.LfLines(data, stop);
        } else {
          parser.CrLines(data, stop);
        }
        const std::size_t used = static_cast<std::size_t>(stop - data);
        buffer.Drop(used);
        at += used;
      }
    }
    const char* data = buffer.data();
    if (buffer.held() > 0) {
      parser.Line(data, objlines::TailEnd(data, data + buffer.held(), terminator_));
    }
    // Polygons whose vertices the pieces before have written meanwhile.
    std::vector<objlines::Polygon>& later = parser.later();
    std::erase_if(later, [&](const objlines::Polygon& p) { return parser.SplitPolygon(p, true); });

    piece.got = out.Got(parser.line() - piece.before.lines);
    piece.problem = parser.problem();
    piece.forward = parser.forward();
    piece.later = std::move(later);
    piece.anyNumber = parser.readAnyNumber();
    piece.lastComma = parser.lastComma();
    piece.zmin = out.zmin();
    piece.zmax = out.zmax();
  }

  // The pieces' findings in file order, as the reading in one pass gives
  // them.
  void Join(Mesh& mesh, const LineCounts& total, ObjReadReport& report) {
    for (const Piece& piece : pieces_) {
      const LineCounts& c = piece.counts;
      const LineCounts& g = piece.got;
      if (g.lines != c.lines || g.vertices != c.vertices || g.normals != c.normals ||
          (!piece.problem && g.triangles != c.triangles)) {
        RefuseChanged(name_);
      }
    }
    const Piece* separator = nullptr;
    for (const Piece& piece : pieces_) {
      if (piece.anyNumber) separator = &piece;
      report.unreadableNumbers += piece.report.unreadableNumbers;
      report.linesWithUnreadable += piece.report.linesWithUnreadable;
      for (const std::int64_t line : piece.report.unreadableLines) {
        if (report.unreadableLines.size() < ObjReadReport::kListedLines) {
          report.unreadableLines.push_back(line);
        }
      }
    }
    if (separator != nullptr) SetDecimalSeparator(separator->lastComma ? ',' : '.');

    // The first faulty line: the first face refused as it was read or the
    // first corner beyond the last vertex, whichever comes first.
    std::optional<objlines::FaceProblem> problem;
    for (const Piece& piece : pieces_) {
      if (piece.problem) {
        problem = piece.problem;
        break;
      }
    }
    std::vector<objlines::BadCorner> beyond;
    for (const Piece& piece : pieces_) {
      for (const objlines::BadCorner& f : piece.forward) {
        if (f.written > total.vertices) {
          beyond.push_back(f);
          break;
        }
      }
      if (!beyond.empty()) break;
    }
    const std::optional<objlines::FaceProblem> error =
        objlines::FirstError(problem, beyond, total.vertices);
    if (error) throw Error(error->text);

    // The polygons still waiting, now that every vertex is there.
    ForEach(pieces_.size(), [&](std::size_t i) {
      Piece& piece = pieces_[i];
      if (piece.later.empty()) return;
      PieceOut out(mesh, piece, nullptr, name_);
      ObjReadReport unused;
      LineParser<PieceOut> parser(out, 0, unused);
      for (const objlines::Polygon& p : piece.later) parser.SplitPolygon(p, false);
    });
    if (total.triangles == 0) objlines::RefuseNoFaces(name_);

    // The first lowest and highest z, as ZMinMax finds them.
    bool any = false;
    for (const Piece& piece : pieces_) {
      if (piece.empty || piece.counts.vertices == 0) continue;
      if (!any) {
        mesh.zmin = piece.zmin;
        mesh.zmax = piece.zmax;
        any = true;
      } else {
        if (mesh.zmin > piece.zmin) mesh.zmin = piece.zmin;
        if (mesh.zmax < piece.zmax) mesh.zmax = piece.zmax;
      }
    }
    mesh.version = NewMeshVersion();
  }

  const TextSource& source_;
  unsigned threads_;
  std::string_view name_;
  Buffers buffers_;
  Progress progress_;
  std::vector<Piece> pieces_;
  char terminator_ = '\n';
  std::atomic<bool> stop_{false};
};

}  // namespace

Mesh ReadInPieces(const TextSource& source, unsigned threads, std::size_t pieceBytes,
                  std::size_t blockBytes, std::string_view name, const ReadProgress& progress,
                  ObjReadReport& report) {
  Reading reading(source, threads, pieceBytes, blockBytes, name, progress);
  return reading.Read(report);
}

}  // namespace quervik::objpieces
