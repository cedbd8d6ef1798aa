#include "section/point_merge.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "core/huge_pages.h"

namespace quervik {

namespace {

// Two stored points never lie within the tolerance of each other, so a cell
// of f tolerances holds at most (f + 1)^2 points. Larger cells mean fewer
// cells to look at per point (about (1 + 2/f)^2 on average) and fewer
// cache lines of the table touched, but more points per cell. Cells are
// kMinCellFactor tolerances unless sized from a sample of the segments to
// come: then about kCellPerSegment times the length of their shorter
// quarter (a contour crosses a cell in a few points, also where its
// segments are shorter than most), within kMinCellFactor and
// kMaxCellFactor tolerances.
constexpr double kMinCellFactor = 8.0;
constexpr double kMaxCellFactor = 4096.0;
constexpr double kCellPerSegment = 6.0;
constexpr std::size_t kCellSamples = 256;  // segments measured at most

// Cell numbers are computed for |x / cellsize| < 2^40 only, where one
// rounding of x * inv is off by less than 2^-13 cell. Points further out
// (finite but huge) go to a plain list that is scanned linearly.
constexpr double kGridLimit = 1099511627776.0;  // 2^40

// The table keys cells by 32-bit offsets from the origin cell, which covers
// 2^30 cells to each side (about 8.6e7 model units at the usual tolerance);
// points beyond go to the plain list as well.
constexpr std::int64_t kWindow = std::int64_t{1} << 30;

// The cell range looked at spans (tolerance/cellsize + kSlack) cells to each
// side of the point: the 0.01 cell covers the rounding of both products and
// of the sums below many times over.
constexpr double kSlack = 0.01;

constexpr std::int32_t kNone = -1;

// Table sizes in slots: the smallest, the largest, and up to which size a
// table (or a list of points) is kept however small the next section is. A
// table or list kShrinkFactor times larger than needed is given back.
constexpr std::size_t kMinSlots = 64;
constexpr std::size_t kMaxSlots = std::size_t{1} << 30;
constexpr std::size_t kKeepSlots = std::size_t{1} << 16;  // 1 MiB
constexpr std::size_t kKeepPoints = std::size_t{1} << 16;
constexpr std::size_t kShrinkFactor = 16;

// The generations of a table run from 1 to kLastGen (0 marks a slot never
// used); then every slot is freed by hand, once in 65535 sections.
constexpr std::uint32_t kLastGen = 0xffff;

inline bool Matches(double sx, double sy, const TPunkt& P, double tol) {
  return std::fabs(sx - P.X) <= tol && std::fabs(sy - P.Y) <= tol;
}

// Starts loading the cache line at p. GCC drops a __builtin_prefetch from a
// function that has no other effect, so on x86 the instruction is written
// out.
inline void FetchLine(const void* p) {
#if defined(__x86_64__) || defined(__i386__)
  asm volatile("prefetcht0 %0" : : "m"(*static_cast<const char*>(p)));
#else
  __builtin_prefetch(p);
#endif
}

// floor(u) for |u| <= 2^41, without a library call.
inline std::int64_t FloorOf(double u) {
  const auto t = static_cast<std::int64_t>(u);
  return t - (u < static_cast<double>(t) ? 1 : 0);
}

// Appends P to the section's points (X and Y only) and returns its index.
inline std::int32_t AppendPoint(TContour& contour, const TPunkt& P) {
  const auto index = static_cast<std::int32_t>(contour.Points.size());
  TPunkt stored;
  stored.X = P.X;
  stored.Y = P.Y;
  contour.Points.push_back(stored);
  return index;
}

// A cell, as offsets from the origin cell.
struct Cell {
  std::int32_t rx, ry;
};

inline std::uint64_t KeyOf(Cell c) {
  return (std::uint64_t{static_cast<std::uint32_t>(c.rx)} << 32) | static_cast<std::uint32_t>(c.ry);
}

// 16 bytes, four to a cache line. A slot whose `gen` is not the table's
// current generation is free, so the table is emptied by counting the
// generation up instead of writing every slot.
struct Slot {
  std::uint64_t key;
  std::int32_t head;  // first (lowest) point of the cell
  std::uint32_t gen;
};

// The slots, allocated once per size and kept. Tables of megabytes are put
// on large pages where the system offers them, since their lookups land
// anywhere in them.
class SlotTable {
 public:
  explicit SlotTable(std::size_t size) : size_(size) {
    const std::size_t bytes = size * sizeof(Slot);
#ifdef __linux__
    constexpr std::size_t kLargePage = std::size_t{2} << 20;
    if (bytes >= kLargePage) {
      void* p = std::aligned_alloc(kLargePage, bytes);  // bytes: a power of two
      if (!p) throw std::bad_alloc();
      AdviseHugePages(p, bytes);
      std::memset(p, 0, bytes);
      slots_.reset(static_cast<Slot*>(p));
      return;
    }
#endif
    void* p = std::calloc(size, sizeof(Slot));
    if (!p) throw std::bad_alloc();
    slots_.reset(static_cast<Slot*>(p));
  }

  std::size_t size() const {
    return size_;
  }
  Slot& operator[](std::size_t i) {
    return slots_[i];
  }
  const Slot& operator[](std::size_t i) const {
    return slots_[i];
  }

 private:
  struct Free {
    void operator()(Slot* p) const { std::free(p); }
  };
  std::unique_ptr<Slot[], Free> slots_;
  std::size_t size_;
};

}  // namespace

struct PointMerge::Grid {
  struct XY {
    double x, y;
  };

  double tol = 0;
  double inv = 0;        // 1 / cell size
  double reach = 0;      // cells to look at on each side, in cell units
  bool usable = false;   // false: every lookup is the linear scan
  bool fast_ok = false;  // the fast path below may be taken
  bool has_origin = false;
  std::int64_t ox = 0, oy = 0;  // the origin cell

  std::vector<XY> pts;                // copies of the stored points, by index
  std::vector<std::int32_t> next;     // next point of the same cell, ascending
  std::vector<std::int32_t> last;     // for the first point of a cell: its last point
  std::vector<std::int32_t> outside;  // finite points not in the table, ascending
  SlotTable slots{kMinSlots};
  int shift = 58;  // 64 - log2(slots.size())
  std::size_t used = 0;
  std::uint32_t gen = 1;  // 1 … kLastGen

  explicit Grid(double tolerance) : tol(tolerance) { SetCell(tolerance * kMinCellFactor); }

  // Cells of the given size; only while no point is stored.
  void SetCell(double cell) {
    usable = fast_ok = false;
    if (tol > 0 && std::isfinite(cell)) {
      inv = 1.0 / cell;
      reach = tol * inv + kSlack;
      usable = std::isfinite(inv) && inv > 0;
      fast_ok = usable && reach < 0.5;
    }
  }

  void SizeCells(const TPunkt* points, std::size_t n) {
    double lengths[kCellSamples];
    std::size_t m = 0;
    for (std::size_t k = 0; k + 1 < n && m < kCellSamples; k += 2) {
      const double d = std::max(std::fabs(points[k + 1].X - points[k].X),
                                std::fabs(points[k + 1].Y - points[k].Y));
      if (std::isfinite(d)) lengths[m++] = d;
    }
    double cell = tol * kMinCellFactor;
    if (m > 0) {
      std::nth_element(lengths, lengths + m / 4, lengths + m);
      cell = std::clamp(kCellPerSegment * lengths[m / 4], cell, tol * kMaxCellFactor);
    }
    SetCell(cell);
  }

  void Clear() {
    pts.clear();
    next.clear();
    last.clear();
    outside.clear();
    used = 0;
    has_origin = false;
    SetCell(tol * kMinCellFactor);
    if (++gen > kLastGen) {
      for (std::size_t i = 0; i < slots.size(); ++i) slots[i].gen = 0;
      gen = 1;
    }
  }

  // Room for `n` elements; a list far larger than that is given back.
  template <class T>
  static void Fit(std::vector<T>& v, std::size_t n) {
    if (v.capacity() > kShrinkFactor * n && v.capacity() > kKeepPoints && v.size() <= n) {
      std::vector<T> fresh;
      fresh.reserve(n);
      fresh.assign(v.begin(), v.end());
      v.swap(fresh);
    } else {
      v.reserve(n);
    }
  }

  void Reserve(std::size_t points) {
    Fit(pts, points);
    Fit(next, points);
    Fit(last, points);
    std::size_t want = kMinSlots;
    while (want < 2 * std::max(points, used + 1) && want < kMaxSlots) want *= 2;
    if (want > slots.size() || (slots.size() > kShrinkFactor * want && slots.size() > kKeepSlots)) {
      Rehash(want);
    }
  }

  // Room for n more cells without growing the table.
  void MakeRoom(std::size_t n) {
    std::size_t size = slots.size();
    while (2 * (used + n) > size && size < kMaxSlots) size *= 2;
    if (size > slots.size()) Rehash(size);
  }

  bool Live(const Slot& s) const { return s.gen == gen; }

  std::size_t Home(std::uint64_t key) const {
    return static_cast<std::size_t>((key * 0x9e3779b97f4a7c15ULL) >> shift);
  }

  // The slot of cell `key`, or the free slot where it would go.
  std::size_t Probe(std::uint64_t key) const { return ProbeFrom(Home(key), key); }
  std::size_t ProbeFrom(std::size_t i, std::uint64_t key) const {
    const std::size_t mask = slots.size() - 1;
    while (Live(slots[i]) && slots[i].key != key) i = (i + 1) & mask;
    return i;
  }

  // The first point of cell `key`, or kNone.
  std::int32_t Find(std::uint64_t key) const {
    const Slot& s = slots[Probe(key)];
    return Live(s) ? s.head : kNone;
  }

  // Adds point `index` to the cell whose probe ended at slot i.
  void Add(std::size_t i, std::uint64_t key, std::int32_t index) {
    Slot& s = slots[i];
    if (!Live(s)) {
      s = Slot{key, index, gen};
      ++used;
    } else {
      const auto first = static_cast<std::size_t>(s.head);
      next[static_cast<std::size_t>(last[first])] = index;
      last[first] = index;
    }
  }

  void Rehash(std::size_t size) {
    SlotTable old(size);
    std::swap(old, slots);
    shift = 64 - std::countr_zero(size);
    const std::size_t mask = slots.size() - 1;
    for (std::size_t j = 0; j < old.size(); ++j) {
      if (!Live(old[j])) continue;
      std::size_t i = Home(old[j].key);
      while (Live(slots[i])) i = (i + 1) & mask;
      slots[i] = old[j];
    }
  }

  static bool InWindow(std::int64_t r) { return r > -kWindow && r < kWindow; }

  // Lowers `best` to the lowest point of the chain from `head` that
  // matches P and lies below `best` (kNone, as unsigned, lies above all).
  void ScanChain(std::int32_t head, const TPunkt& P, std::int32_t& best) const {
    for (std::int32_t k = head; static_cast<std::uint32_t>(k) < static_cast<std::uint32_t>(best);
         k = next[static_cast<std::size_t>(k)]) {
      const XY& q = pts[static_cast<std::size_t>(k)];
      if (Matches(q.x, q.y, P, tol)) {
        best = k;
        return;
      }
    }
  }

  // The general path, for any point; the fast path below gives the same
  // answers for the points it takes.

  // Lowest stored index matching P (kNone if none). P.X and P.Y are finite,
  // so u and v are finite or infinite, never NaN.
  std::int32_t Lookup(const TPunkt& P) const {
    const double u = P.X * inv;
    const double v = P.Y * inv;
    std::int32_t best = kNone;
    // A match lies within `reach` cells of P. Clamping P's scaled position to
    // the grid's edge keeps every cell that a stored grid point near the edge
    // can occupy in the range, and the cell numbers small.
    const double cu = u < -kGridLimit ? -kGridLimit : (u > kGridLimit ? kGridLimit : u);
    const double cv = v < -kGridLimit ? -kGridLimit : (v > kGridLimit ? kGridLimit : v);
    const std::int64_t x0 = FloorOf(cu - reach), x1 = FloorOf(cu + reach);
    const std::int64_t y0 = FloorOf(cv - reach), y1 = FloorOf(cv + reach);
    bool near_edge = !(std::fabs(u) < kGridLimit - 2 && std::fabs(v) < kGridLimit - 2);
    if (has_origin) {
      near_edge = near_edge || !InWindow(x0 - ox - 2) || !InWindow(x1 - ox + 2) ||
                  !InWindow(y0 - oy - 2) || !InWindow(y1 - oy + 2);
      for (std::int64_t cx = x0; cx <= x1; ++cx) {
        if (!InWindow(cx - ox)) continue;
        for (std::int64_t cy = y0; cy <= y1; ++cy) {
          if (!InWindow(cy - oy)) continue;
          const Cell c{static_cast<std::int32_t>(cx - ox), static_cast<std::int32_t>(cy - oy)};
          ScanChain(Find(KeyOf(c)), P, best);
        }
      }
    } else {
      near_edge = true;
    }
    // Points outside the table lie far from every point well inside it.
    if (near_edge) {
      for (const std::int32_t k : outside) {
        if (best != kNone && k >= best) break;
        const XY& q = pts[static_cast<std::size_t>(k)];
        if (Matches(q.x, q.y, P, tol)) {
          best = k;
          break;
        }
      }
    }
    return best;
  }

  // Point `index`'s own entries: its copy and, as the only point of its
  // chain so far, no next point and itself as the last.
  void Keep(std::int32_t index, const TPunkt& P) {
    pts.push_back({P.X, P.Y});
    next.push_back(kNone);
    last.push_back(index);
  }

  void Store(std::int32_t index, const TPunkt& P) {
    Keep(index, P);
    // A NaN or infinite coordinate never matches anything (its difference
    // to any point is NaN or infinite), so such a point is not indexed.
    if (!std::isfinite(P.X) || !std::isfinite(P.Y)) return;
    const double u = P.X * inv;
    const double v = P.Y * inv;
    if (!(std::fabs(u) < kGridLimit && std::fabs(v) < kGridLimit)) {
      outside.push_back(index);
      return;
    }
    const std::int64_t cx = FloorOf(u), cy = FloorOf(v);
    if (!has_origin) {
      ox = cx;
      oy = cy;
      has_origin = true;
    }
    if (!InWindow(cx - ox) || !InWindow(cy - oy)) {
      outside.push_back(index);
      return;
    }
    if (2 * (used + 1) > slots.size()) Rehash(slots.size() * 2);
    const std::uint64_t key =
        KeyOf({static_cast<std::int32_t>(cx - ox), static_cast<std::int32_t>(cy - oy)});
    Add(Probe(key), key, index);
  }

  // The fast path, for points well inside the window (the outside list is
  // then never needed, as in Lookup). What a point's lookup needs is worked
  // out for a whole batch before its first point is added (the table
  // neither moves nor grows while the batch runs), so that the slots of
  // points further on can be fetched while earlier points are added.
  struct Located {
    std::uint64_t key = 0;  // the point's own cell
    std::size_t home = 0;   // … and where its probe starts
    Cell own{};
    std::int32_t ex = 0;    // -1, 0, +1: the neighbour in x that the range reaches too
    std::int32_t ey = 0;    // … in y
    std::int32_t fast = 0;  // 0: the point takes the general path
  };

  // Sets the origin from the first point that can take the fast path.
  void SetOrigin(const TPunkt* points, std::size_t n) {
    for (std::size_t k = 0; k < n && !has_origin; ++k) {
      const double u = points[k].X * inv;
      const double v = points[k].Y * inv;
      if (std::fabs(u) < kGridLimit - 2 && std::fabs(v) < kGridLimit - 2) {
        ox = FloorOf(u);
        oy = FloorOf(v);
        has_origin = true;
      }
    }
  }

  // A match lies in the point's cell or, where the point lies within
  // `reach` of the cell's edge, in the neighbour there (never in both
  // neighbours, `reach` being below half a cell): u - fu is exact (or off
  // by far less than the slack, for u just below 0), and the rounded sum
  // reaches 1 whenever the exact one does.
  Located Locate(const TPunkt& P) const {
    Located L;
    const double u = P.X * inv;
    const double v = P.Y * inv;
    // Also false for NaN and infinite coordinates.
    if (!fast_ok || !has_origin ||
        !(std::fabs(u) < kGridLimit - 2 && std::fabs(v) < kGridLimit - 2)) {
      return L;
    }
    const std::int64_t fu = FloorOf(u), fv = FloorOf(v);
    const std::int64_t rx = fu - ox, ry = fv - oy;
    if (!(rx > 3 - kWindow && rx < kWindow - 3 && ry > 3 - kWindow && ry < kWindow - 3)) {
      return L;
    }
    const double fx = u - static_cast<double>(fu);
    const double fy = v - static_cast<double>(fv);
    L.own = Cell{static_cast<std::int32_t>(rx), static_cast<std::int32_t>(ry)};
    L.key = KeyOf(L.own);
    L.home = Home(L.key);
    L.ex = fx < reach ? -1 : (fx + reach >= 1.0 ? 1 : 0);
    L.ey = fy < reach ? -1 : (fy + reach >= 1.0 ? 1 : 0);
    L.fast = 1;
    return L;
  }

  static Cell Beside(Cell c, int dx, int dy) { return Cell{c.rx + dx, c.ry + dy}; }

  void Prefetch(const Located& L) const {
    if (!L.fast) return;
    FetchLine(&slots[L.home]);
    if (L.ex) FetchLine(&slots[Home(KeyOf(Beside(L.own, L.ex, 0)))]);
    if (L.ey) {
      FetchLine(&slots[Home(KeyOf(Beside(L.own, 0, L.ey)))]);
      if (L.ex) FetchLine(&slots[Home(KeyOf(Beside(L.own, L.ex, L.ey)))]);
    }
  }

  // AddContourPoint on the fast path: the point's own cell is probed once,
  // for the lookup and for adding the point if it is new.
  std::int32_t AddLocated(TContour& contour, const TPunkt& P, const Located& L) {
    const std::size_t own = ProbeFrom(L.home, L.key);
    std::int32_t best = kNone;
    if (Live(slots[own])) ScanChain(slots[own].head, P, best);
    if (L.ex) ScanChain(Find(KeyOf(Beside(L.own, L.ex, 0))), P, best);
    if (L.ey) {
      ScanChain(Find(KeyOf(Beside(L.own, 0, L.ey))), P, best);
      if (L.ex) ScanChain(Find(KeyOf(Beside(L.own, L.ex, L.ey))), P, best);
    }
    if (best != kNone) return best;
    const std::int32_t index = AppendPoint(contour, P);
    Keep(index, P);
    Add(own, L.key, index);
    return index;
  }
};

PointMerge::PointMerge(double PtTolerance)
    : grid_(new Grid(PtTolerance)), tolerance_(PtTolerance) {}

PointMerge::~PointMerge() {
  delete grid_;
}

void PointMerge::Clear() {
  grid_->Clear();
}

void PointMerge::SizeCells(const TPunkt* points, std::size_t n) {
  if (grid_->usable && grid_->pts.empty()) grid_->SizeCells(points, n);
}

void PointMerge::Reserve(std::size_t points) {
  grid_->Reserve(points);
}

std::int32_t PointMerge::AddContourPoint(TContour& contour, const TPunkt& P) {
  assert(contour.Points.size() == grid_->pts.size());
  if (!grid_->usable) {
    const std::int32_t k = AddContourPointLinear(contour, P, tolerance_);
    if (static_cast<std::size_t>(k) == grid_->pts.size()) grid_->Keep(k, P);
    return k;
  }
  if (std::isfinite(P.X) && std::isfinite(P.Y)) {
    const std::int32_t found = grid_->Lookup(P);
    if (found != kNone) return found;
  }
  const std::int32_t index = AppendPoint(contour, P);
  grid_->Store(index, P);
  return index;
}

void PointMerge::AddSegments(TContour& contour, const TPunkt* points, std::size_t n) {
  assert(n % 2 == 0);
  Grid& g = *grid_;
  if (!g.usable) {
    for (std::size_t k = 0; k + 1 < n; k += 2) {
      TLine line;
      line.sp = AddContourPoint(contour, points[k]);
      line.ep = AddContourPoint(contour, points[k + 1]);
      contour.Contours.push_back(line);
    }
    return;
  }
  constexpr std::size_t kChunk = 512;  // points located at once
  constexpr std::size_t kAhead = 24;   // points fetched ahead of the one added
  Grid::Located located[kChunk];
  for (std::size_t start = 0; start < n; start += kChunk) {
    const std::size_t m = std::min(kChunk, n - start);
    const TPunkt* chunk = points + start;
    g.SetOrigin(chunk, m);
    g.MakeRoom(m);
    for (std::size_t k = 0; k < m; ++k) located[k] = g.Locate(chunk[k]);
    for (std::size_t k = 0; k < std::min(kAhead, m); ++k) g.Prefetch(located[k]);
    for (std::size_t k = 0; k + 1 < m; k += 2) {
      if (k + kAhead < m) g.Prefetch(located[k + kAhead]);
      if (k + 1 + kAhead < m) g.Prefetch(located[k + 1 + kAhead]);
      TLine line;
      line.sp = located[k].fast ? g.AddLocated(contour, chunk[k], located[k])
                                : AddContourPoint(contour, chunk[k]);
      line.ep = located[k + 1].fast ? g.AddLocated(contour, chunk[k + 1], located[k + 1])
                                    : AddContourPoint(contour, chunk[k + 1]);
      contour.Contours.push_back(line);
    }
  }
}

std::int32_t AddContourPointLinear(TContour& contour, const TPunkt& P, double PtTolerance) {
  const std::size_t n = contour.Points.size();
  for (std::size_t k = 0; k < n; ++k) {
    const TPunkt& s = contour.Points[k];
    if (Matches(s.X, s.Y, P, PtTolerance)) return static_cast<std::int32_t>(k);
  }
  return AppendPoint(contour, P);
}

}  // namespace quervik
