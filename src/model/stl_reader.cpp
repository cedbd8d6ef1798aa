#include "model/stl_reader.h"

#include <sys/mman.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <exception>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "core/errors.h"
#include "core/huge_pages.h"
#include "model/polygon_faces.h"
#include "model/reader_text.h"

namespace quervik {

namespace {

using readtext::IsWord;
using readtext::LinePrefix;
using readtext::Quoted;

constexpr std::size_t kHeaderBytes = 80;
constexpr std::size_t kTriangleBytes = 50;
// Vertex numbers must fit the 32-bit corners of a face, behind slot 0.
constexpr std::uint64_t kMaxVertices = std::numeric_limits<std::int32_t>::max() - 1;
// The shortest vertex line of an ASCII file ("vertex 0 0 0\n"), which
// bounds the corners a file can hold.
constexpr std::uint64_t kAsciiCornerBytes = 13;

std::uint32_t TriangleCount(const char* p) {
  std::uint32_t n = 0;
  std::memcpy(&n, p + kHeaderBytes, 4);
  if constexpr (std::endian::native == std::endian::big) n = __builtin_bswap32(n);
  return n;
}

std::string Counted(std::uint64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}
std::string Triangles(std::uint64_t n) {
  return Counted(n, "Dreieck", "Dreiecke");
}

// Reserves room for `want` elements, as address space only: pages never
// written cost no memory. Falls back to no reservation when the system will
// not hand out that much at once.
template <typename T>
void ReserveAtMost(std::vector<T>& v, std::uint64_t want) {
  try {
    v.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(want, v.max_size())));
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
}

// Zeroed memory for the merge table, straight from the system and in huge
// pages where it hands them out: the table is read at random, and with
// small pages nearly every lookup of a large mesh would also miss the TLB.
class SlotTable {
 public:
  SlotTable() = default;
  explicit SlotTable(std::size_t slots) : slots_(slots) {
    bytes_ = slots * sizeof(std::uint32_t) + kHugePage;
    void* map = ::mmap(nullptr, bytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map == MAP_FAILED) throw std::bad_alloc();
    map_ = map;
    const auto at = (reinterpret_cast<std::uintptr_t>(map) + kHugePage - 1) & ~(kHugePage - 1);
    ::madvise(reinterpret_cast<void*>(at), bytes_ - (at - reinterpret_cast<std::uintptr_t>(map)),
              MADV_HUGEPAGE);
    data_ = reinterpret_cast<std::uint32_t*>(at);
  }
  SlotTable(SlotTable&& other) noexcept { *this = std::move(other); }
  SlotTable& operator=(SlotTable&& other) noexcept {
    std::swap(map_, other.map_);
    std::swap(bytes_, other.bytes_);
    std::swap(data_, other.data_);
    std::swap(slots_, other.slots_);
    return *this;
  }
  SlotTable(const SlotTable&) = delete;
  SlotTable& operator=(const SlotTable&) = delete;
  ~SlotTable() {
    if (map_ != nullptr) ::munmap(map_, bytes_);
  }

  std::uint32_t& operator[](std::size_t i) { return data_[i]; }
  const std::uint32_t* data() const { return data_; }
  std::size_t size() const { return slots_; }

 private:
  static constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
  void* map_ = nullptr;
  std::size_t bytes_ = 0;
  std::uint32_t* data_ = nullptr;
  std::size_t slots_ = 0;
};

// Merges corners at identical positions into one vertex: an open-addressing
// table of 4-byte entries, 0 for an empty slot, else an index into V in
// the low bits and, in the bits the largest possible index leaves free,
// some more bits of the hash, so that a slot of another vertex is passed
// over mostly without a look at V (which would be a miss in the cache).
// Its size is a power of two, chosen at the start so that the usual mesh
// (half as many vertices as triangles) fills it at most to 70 %; it doubles
// when a mesh fills it further.
class VertexMerger {
 public:
  // `triangles`: the triangles expected; `mostVertices`: a bound of the
  // vertices the file can hold.
  VertexMerger(Mesh& mesh, std::uint64_t triangles, std::uint64_t mostVertices) : mesh_(mesh) {
    const auto indexBits =
        static_cast<int>(std::bit_width(std::min(mostVertices, kMaxVertices) + 1));
    indexMask_ = static_cast<std::uint32_t>((std::uint64_t{1} << indexBits) - 1);
    Resize(std::bit_ceil(std::max<std::uint64_t>(64, (triangles / 2 + 16) * 10 / 7)));
  }

  // The slot in V of the vertex at (x, y, z), appended when it is new;
  // `hash` is Hash(x, y, z).
  [[gnu::always_inline]] std::int32_t Corner(double x, double y, double z, std::uint64_t hash) {
    const std::uint32_t tag = static_cast<std::uint32_t>(hash) & ~indexMask_;
    std::size_t i = Home(hash);
    for (;;) {
      const std::uint32_t entry = slots_[i];
      if (entry == 0) return Insert(i, tag, x, y, z);
      if ((entry & ~indexMask_) == tag) {
        const std::uint32_t s = entry & indexMask_;
        const Tvertex& v = mesh_.V[s];
        if (v.x == x && v.y == y && v.z == z) return static_cast<std::int32_t>(s);
      }
      i = (i + 1) & (size_ - 1);
    }
  }
  std::int32_t Corner(double x, double y, double z) { return Corner(x, y, z, Hash(x, y, z)); }

  // Asks for the table's line of a corner to come, so that the lookups of
  // a run of corners wait for memory together instead of one by one.
  void Prefetch(std::uint64_t hash) const { __builtin_prefetch(slots_.data() + Home(hash)); }

  // -0 and 0 are equal coordinates and must land in the same slot.
  static std::uint64_t Hash(double x, double y, double z) {
    const std::uint64_t a = std::bit_cast<std::uint64_t>(x + 0.0);
    const std::uint64_t b = std::bit_cast<std::uint64_t>(y + 0.0);
    const std::uint64_t c = std::bit_cast<std::uint64_t>(z + 0.0);
    std::uint64_t h =
        a * 0x9E3779B97F4A7C15ull + b * 0xC2B2AE3D27D4EB4Full + c * 0x165667B19E3779F9ull;
    h ^= h >> 29;
    return h * 0xBF58476D1CE4E5B9ull;
  }

 private:
  // The first slot to look at: the high bits of the hash.
  std::size_t Home(std::uint64_t hash) const { return static_cast<std::size_t>(hash >> shift_); }

  [[gnu::noinline]] std::int32_t Insert(std::size_t i, std::uint32_t tag, double x, double y,
                                        double z) {
    const std::size_t index = mesh_.V.size();
    if (index > kMaxVertices) {
      throw Error("Das Dreiecksnetz hat mehr als " + std::to_string(kMaxVertices) + " Eckpunkte");
    }
    mesh_.V.push_back(Tvertex{x, y, z});
    if (index > indexMask_) {
      // More vertices than the bound (a file that grew while it was read):
      // one bit more for the index, one less for the hash.
      indexMask_ = indexMask_ << 1 | 1;
      Resize(size_);
    } else {
      slots_[i] = tag | static_cast<std::uint32_t>(index);
      if (index > limit_) Resize(2 * size_);
    }
    return static_cast<std::int32_t>(index);
  }

  void Resize(std::uint64_t size) {
    slots_ = SlotTable(static_cast<std::size_t>(size));
    size_ = static_cast<std::size_t>(size);
    shift_ = 64 - std::countr_zero(size);
    limit_ = size / 10 * 7;
    for (std::size_t k = 1; k < mesh_.V.size(); ++k) {
      const Tvertex& v = mesh_.V[k];
      const std::uint64_t hash = Hash(v.x, v.y, v.z);
      std::size_t i = Home(hash);
      while (slots_[i] != 0) i = (i + 1) & (size_ - 1);
      slots_[i] = (static_cast<std::uint32_t>(hash) & ~indexMask_) | static_cast<std::uint32_t>(k);
    }
  }

  Mesh& mesh_;
  SlotTable slots_;
  std::size_t size_ = 0;  // a power of two
  int shift_ = 0;
  std::uint32_t indexMask_ = 0;
  std::uint64_t limit_ = 0;
};

// The corners of up to kTriangles binary triangles, decoded and hashed.
struct DecodedRun {
  static constexpr std::size_t kTriangles = 1024;
  std::size_t triangles = 0;
  Tvertex points[3 * kTriangles];
  std::uint64_t hashes[3 * kTriangles];
};

// Hands decoded runs from the reading thread to the merging thread, in
// order, through a ring of kRuns runs.
class RunPipe {
 public:
  static constexpr std::size_t kRuns = 8;

  // The reading side: a free run to fill (waiting for one), nullptr once
  // the merging side has stopped; then hand it over; at the end, Close.
  DecodedRun* ToFill() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return stopped_ || filled_ - merged_ < kRuns; });
    return stopped_ ? nullptr : &runs_[filled_ % kRuns];
  }
  void Filled() {
    Change([&] { ++filled_; });
  }
  void Close() {
    Change([&] { closed_ = true; });
  }

  // The merging side: the next run (waiting for it), nullptr when all are
  // merged and no more come; then free it. Stop gives up.
  const DecodedRun* ToMerge() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return filled_ > merged_ || closed_; });
    return filled_ > merged_ ? &runs_[merged_ % kRuns] : nullptr;
  }
  void Merged() {
    Change([&] { ++merged_; });
  }
  void Stop() {
    Change([&] { stopped_ = true; });
  }

 private:
  template <class F>
  void Change(F f) {
    {
      std::lock_guard lock(mutex_);
      f();
    }
    changed_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<DecodedRun> runs_ = std::vector<DecodedRun>(kRuns);
  std::uint64_t filled_ = 0;
  std::uint64_t merged_ = 0;
  bool closed_ = false;
  bool stopped_ = false;
};

class StlReader {
 public:
  StlReader(BlockReader& in, const std::string& name) : in_(in), name_(name), faces_(mesh_) {
    mesh_.V.assign(1, Tvertex{});
    mesh_.Fc.assign(1, TFace{});
    mesh_.Vn.assign(1, Tvect3D{});
  }

  Mesh Read(StlKind kind) {
    if (kind == StlKind::kAscii) {
      ReadAscii();
    } else {
      ReadBinary();
    }
    if (mesh_.Fc.size() == 1) throw Error("Die STL-Datei '" + name_ + "' enthält keine Flächen");
    ZMinMax(mesh_);
    mesh_.version = NewMeshVersion();
    return std::move(mesh_);
  }

 private:
  // --- binary ---

  [[noreturn]] void Cut(std::uint32_t n, std::uint64_t bytes) const {
    throw Error("Die STL-Datei '" + name_ + "' ist unvollständig: " + Triangles(n) +
                " angegeben, aber nur " + std::to_string(bytes) + " von " +
                std::to_string(kHeaderBytes + 4 + kTriangleBytes * std::uint64_t{n}) +
                " Bytes vorhanden");
  }

  void ReadBinary() {
    if (!in_.Ensure(kHeaderBytes + 4)) {
      throw Error("Die STL-Datei '" + name_ + "' ist kürzer als ihr Kopf von 84 Bytes");
    }
    const std::uint32_t n = TriangleCount(in_.p);
    in_.p += kHeaderBytes + 4;
    const std::uint64_t want = kHeaderBytes + 4 + kTriangleBytes * std::uint64_t{n};
    if (in_.Size() < want) Cut(n, in_.Size());
    if (in_.Size() > want) {
      throw Error("Die STL-Datei '" + name_ + "' hat " +
                  Counted(in_.Size() - want, "Byte", "Bytes") + " mehr, als ihre " + Triangles(n) +
                  " brauchen");
    }
    mesh_.Fc.reserve(std::size_t{n} + 1);
    ReserveAtMost(mesh_.V, std::min<std::uint64_t>(3 * std::uint64_t{n}, kMaxVertices) + 1);
    AdviseHugePages(mesh_.Fc.data(), mesh_.Fc.capacity() * sizeof(TFace));
    AdviseHugePages(mesh_.V.data(), mesh_.V.capacity() * sizeof(Tvertex));
    VertexMerger merger(mesh_, n, 3 * std::uint64_t{n});
    if (n > 4 * DecodedRun::kTriangles && ReadBinaryInTwoThreads(n, merger)) return;
    auto run = std::make_unique<DecodedRun>();
    for (std::uint64_t done = 0; done < n; done += run->triangles) {
      Decode(n, done, *run);
      Merge(*run, merger);
    }
  }

  // Decodes the next triangles (triangle `done` of the file the first) of a
  // file of n into `run`.
  void Decode(std::uint32_t n, std::uint64_t done, DecodedRun& run) {
    const std::size_t count =
        static_cast<std::size_t>(std::min<std::uint64_t>(DecodedRun::kTriangles, n - done));
    if (!in_.Ensure(count * kTriangleBytes)) {
      // The file got shorter while it was read.
      Cut(n, in_.Offset() + static_cast<std::uint64_t>(in_.end - in_.p));
    }
    const char* p = in_.p;
    for (std::size_t t = 0; t < count; ++t, p += kTriangleBytes) {
      float c[9];
      std::memcpy(c, p + 12, sizeof c);  // behind the facet normal
      if constexpr (std::endian::native == std::endian::big) {
        for (float& f : c) {
          f = std::bit_cast<float>(__builtin_bswap32(std::bit_cast<std::uint32_t>(f)));
        }
      }
      bool finite = true;
      for (const float f : c) finite = finite && std::isfinite(f);
      if (!finite) {
        throw Error("Dreieck " + std::to_string(done + t + 1) +
                    " hat eine Koordinate, die keine endliche Zahl ist");
      }
      for (std::size_t k = 0; k < 3; ++k) {
        Tvertex& v = run.points[3 * t + k];
        v = Tvertex{c[3 * k], c[3 * k + 1], c[3 * k + 2]};
        run.hashes[3 * t + k] = VertexMerger::Hash(v.x, v.y, v.z);
      }
    }
    in_.p = p;
    run.triangles = count;
  }

  // Appends the triangles of a run, the table's lines asked for a few
  // corners ahead of their lookups.
  void Merge(const DecodedRun& run, VertexMerger& merger) {
    const std::size_t corners = 3 * run.triangles;
    for (std::size_t i = 0; i < kAhead && i < corners; ++i) merger.Prefetch(run.hashes[i]);
    auto corner = [&](std::size_t i) {
      if (i + kAhead < corners) merger.Prefetch(run.hashes[i + kAhead]);
      const Tvertex& v = run.points[i];
      return merger.Corner(v.x, v.y, v.z, run.hashes[i]);
    };
    for (std::size_t i = 0; i < corners; i += 3) {
      // Three named values, not an array: storing the corners one by one
      // and loading the face whole would stall on the store buffer.
      const std::int32_t a = corner(i);
      const std::int32_t b = corner(i + 1);
      const std::int32_t c = corner(i + 2);
      mesh_.Fc.push_back(TFace{{a, b, c}});
    }
  }

  // This thread reads and decodes while a second one merges, the two parts
  // of the work taking about the same time. The merging thread takes the
  // runs in file order, so the mesh is the same as from one thread. Of two
  // errors the one earlier in the file is raised: the merging thread only
  // ever sees runs before the one where reading failed.
  // False when no second thread is to be had, before anything is read.
  bool ReadBinaryInTwoThreads(std::uint32_t n, VertexMerger& merger) {
    RunPipe pipe;
    std::exception_ptr mergeError;
    std::thread merging;
    try {
      merging = std::thread([&] {
        try {
          while (const DecodedRun* run = pipe.ToMerge()) {
            Merge(*run, merger);
            pipe.Merged();
          }
        } catch (...) {
          mergeError = std::current_exception();
          pipe.Stop();
        }
      });
    } catch (const std::system_error&) {
      return false;
    }
    std::exception_ptr readError;
    try {
      for (std::uint64_t done = 0; done < n;) {
        DecodedRun* run = pipe.ToFill();
        if (run == nullptr) break;
        Decode(n, done, *run);
        done += run->triangles;
        pipe.Filled();
      }
    } catch (...) {
      readError = std::current_exception();
    }
    pipe.Close();
    merging.join();
    if (mergeError) std::rethrow_exception(mergeError);
    if (readError) std::rethrow_exception(readError);
    return true;
  }

  // --- ASCII ---

  [[noreturn]] void Expected(std::string_view what, std::string_view found) const {
    throw Error(LinePrefix(tokens_->line()) + std::string(what) + " erwartet statt '" +
                Quoted(found) + "'");
  }

  // The next token inside a facet, which must not end there.
  std::string_view Word() {
    const std::int64_t line = tokens_->line();
    const std::string_view w = tokens_->Next();
    if (w.empty()) {
      throw Error("Die STL-Datei '" + name_ + "' endet mitten in einem Dreieck (Zeile " +
                  std::to_string(line) + ")");
    }
    return w;
  }

  double Number() {
    const std::string_view w = Word();
    double v = 0;
    if (!readtext::ParseNumber(w, v) || !std::isfinite(v)) {
      throw Error(LinePrefix(tokens_->line()) + "'" + Quoted(w) + "' ist keine gültige Zahl");
    }
    return v;
  }

  void ReadAscii() {
    TextTokens tokens(in_, 1);
    tokens_ = &tokens;
    // A facet takes at least 76 bytes ("facet outer loop", three vertices,
    // "endloop endfacet"); a typical one 250.
    mesh_.Fc.reserve(static_cast<std::size_t>(in_.Remaining() / 76) + 1);
    ReserveAtMost(mesh_.V, std::min(in_.Remaining() / kAsciiCornerBytes, kMaxVertices) + 1);
    VertexMerger merger(mesh_, in_.Remaining() / 250, in_.Remaining() / kAsciiCornerBytes);
    std::string_view w = tokens.Next();
    if (!IsWord(w, "solid")) Expected("'solid'", w);
    tokens.SkipLine();  // the name of the solid
    for (;;) {
      w = tokens.Next();
      if (w.empty()) break;
      if (IsWord(w, "endsolid") || IsWord(w, "solid")) {
        tokens.SkipLine();
        continue;
      }
      if (!IsWord(w, "facet")) Expected("'facet'", w);
      w = Word();
      if (IsWord(w, "normal")) {
        for (int k = 0; k < 3; ++k) Word();
        w = Word();
      }
      if (!IsWord(w, "outer")) Expected("'outer'", w);
      w = Word();
      if (!IsWord(w, "loop")) Expected("'loop'", w);
      corners_.clear();
      for (;;) {
        w = Word();
        if (IsWord(w, "endloop")) break;
        if (!IsWord(w, "vertex")) Expected("'vertex' oder 'endloop'", w);
        const double x = Number();
        const double y = Number();
        const double z = Number();
        corners_.push_back(merger.Corner(x, y, z));
      }
      if (corners_.size() < 3) {
        throw Error(LinePrefix(tokens.line()) + "Fläche mit weniger als 3 Eckpunkten");
      }
      w = Word();
      if (!IsWord(w, "endfacet")) Expected("'endfacet'", w);
      faces_.Polygon(corners_, true, in_.Remaining() / kAsciiCornerBytes + 1);
    }
  }

  static constexpr std::size_t kAhead = 32;  // corners asked for ahead of their lookup

  BlockReader& in_;
  const std::string& name_;
  Mesh mesh_;
  PolygonFaces faces_;
  TextTokens* tokens_ = nullptr;
  std::vector<std::int32_t> corners_;
};

// Whether [p, end) continues with `word` (any case) followed by a blank or
// the end.
bool WordAt(std::string_view text, std::size_t at, std::string_view word) {
  if (text.size() - at < word.size()) return false;
  if (!IsWord(text.substr(at, word.size()), word)) return false;
  return at + word.size() == text.size() || TextTokens::IsBlank(text[at + word.size()]);
}

bool EndsWithStl(std::string_view path) {
  return path.size() >= 4 && IsWord(path.substr(path.size() - 4), ".stl");
}

}  // namespace

StlKind DetectStl(std::string_view head, std::uint64_t fileBytes, std::string_view path) {
  if (head.size() >= kHeaderBytes + 4 &&
      fileBytes == kHeaderBytes + 4 + kTriangleBytes * std::uint64_t{TriangleCount(head.data())}) {
    return StlKind::kBinary;
  }
  std::size_t i = 0;
  while (i < head.size() && TextTokens::IsBlank(head[i])) ++i;
  if (WordAt(head, i, "solid")) {
    const std::size_t lf = head.find('\n', i);
    if (lf != std::string_view::npos) {
      i = lf + 1;
      while (i < head.size() && TextTokens::IsBlank(head[i])) ++i;
      if (WordAt(head, i, "facet") || WordAt(head, i, "endsolid")) return StlKind::kAscii;
    }
  }
  if (fileBytes >= kHeaderBytes + 4 && head.size() >= kHeaderBytes + 4 && EndsWithStl(path) &&
      head.substr(0, kHeaderBytes + 4).find('\0') != std::string_view::npos) {
    return StlKind::kBinary;
  }
  return StlKind::kNone;
}

Mesh ReadStl(BlockReader& in, const std::string& name, StlKind kind) {
  return StlReader(in, name).Read(kind);
}

Mesh ParseStl(std::string_view data, const std::string& name, std::size_t blockBytes) {
  const StlKind kind = DetectStl(data.substr(0, std::size_t{64} << 10), data.size(), ".stl");
  BlockReader in(data, blockBytes);
  return ReadStl(in, name, kind == StlKind::kAscii ? StlKind::kAscii : StlKind::kBinary);
}

}  // namespace quervik
