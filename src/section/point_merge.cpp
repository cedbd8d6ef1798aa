#include "section/point_merge.h"

#include <bit>
#include <cassert>
#include <cmath>
#include <vector>

namespace quervik {

namespace {

// Two stored points never lie within the tolerance of each other, so a cell
// of this many tolerances holds at most (kCellFactor + 1)^2 points. Larger
// cells mean fewer cells to look at per point (about (1 + 2/kCellFactor)^2
// on average) but more points per cell.
constexpr double kCellFactor = 8.0;

// Cell numbers are computed for |x / cellsize| < 2^40 only, where one
// rounding of x * inv is off by less than 2^-13 cell. Points further out
// (finite but huge) go to a plain list that is scanned linearly.
constexpr double kGridLimit = 1099511627776.0;  // 2^40

// The table keys cells by 32-bit offsets from the cell of the first point,
// which covers 2^30 cells to each side (about 8.6e7 model units at the
// usual tolerance); points beyond go to the plain list as well.
constexpr std::int64_t kWindow = std::int64_t{1} << 30;

// The cell range looked at spans (tolerance/cellsize + kSlack) cells to each
// side of the point: the 0.01 cell covers the rounding of both products and
// of the sums below many times over.
constexpr double kSlack = 0.01;

constexpr std::int32_t kNone = -1;

inline bool Matches(double sx, double sy, const TPunkt& P, double tol) {
  return std::fabs(sx - P.X) <= tol && std::fabs(sy - P.Y) <= tol;
}

// floor(u) for |u| <= 2^41, without a library call.
inline std::int64_t FloorOf(double u) {
  const auto t = static_cast<std::int64_t>(u);
  return t - (u < static_cast<double>(t) ? 1 : 0);
}

}  // namespace

struct PointMerge::Grid {
  struct XY {
    double x, y;
  };
  // 16 bytes, four to a cache line.
  struct Slot {
    std::int32_t rx = 0;  // cell offset from the origin cell
    std::int32_t ry = 0;
    std::int32_t head = kNone;  // first (lowest) point of the cell; kNone: slot free
    std::int32_t tail = kNone;  // last point of the cell, where the next one is chained
  };

  double tol = 0;
  double inv = 0;       // 1 / cell size
  double reach = 0;     // cells to look at on each side, in cell units
  bool usable = false;  // false: every lookup is the linear scan
  bool has_origin = false;
  std::int64_t ox = 0, oy = 0;  // the origin cell

  std::vector<XY> pts;                // copies of the stored points, by index
  std::vector<std::int32_t> next;     // next point of the same cell, ascending
  std::vector<std::int32_t> outside;  // finite points not in the table, ascending
  std::vector<Slot> slots;            // open addressing, power-of-two size
  int shift = 58;                     // 64 - log2(slots.size())
  std::size_t used = 0;

  explicit Grid(double tolerance) : tol(tolerance) {
    const double cell = tolerance * kCellFactor;
    if (tolerance > 0 && std::isfinite(cell)) {
      inv = 1.0 / cell;
      reach = tolerance * inv + kSlack;
      usable = std::isfinite(inv) && inv > 0;
    }
    slots.resize(64);
  }

  void Clear() {
    pts.clear();
    next.clear();
    outside.clear();
    for (Slot& s : slots) s = Slot{};
    used = 0;
    has_origin = false;
  }

  void Reserve(std::size_t points) {
    pts.reserve(points);
    next.reserve(points);
    std::size_t want = 64;
    while (want < 2 * points && want < (std::size_t{1} << 30)) want *= 2;
    if (want > slots.size()) Rehash(want);
  }

  std::size_t Home(std::int32_t rx, std::int32_t ry) const {
    const std::uint64_t key =
        (std::uint64_t{static_cast<std::uint32_t>(rx)} << 32) | static_cast<std::uint32_t>(ry);
    return static_cast<std::size_t>((key * 0x9e3779b97f4a7c15ULL) >> shift);
  }

  const Slot* Find(std::int32_t rx, std::int32_t ry) const {
    const std::size_t mask = slots.size() - 1;
    for (std::size_t i = Home(rx, ry);; i = (i + 1) & mask) {
      const Slot& s = slots[i];
      if (s.head == kNone) return nullptr;
      if (s.rx == rx && s.ry == ry) return &s;
    }
  }

  Slot& FindOrInsert(std::int32_t rx, std::int32_t ry) {
    if (2 * (used + 1) > slots.size()) Rehash(slots.size() * 2);
    const std::size_t mask = slots.size() - 1;
    std::size_t i = Home(rx, ry);
    while (slots[i].head != kNone) {
      if (slots[i].rx == rx && slots[i].ry == ry) return slots[i];
      i = (i + 1) & mask;
    }
    slots[i].rx = rx;
    slots[i].ry = ry;
    ++used;
    return slots[i];
  }

  void Rehash(std::size_t size) {
    std::vector<Slot> old(size);
    old.swap(slots);
    shift = 64 - std::countr_zero(size);
    const std::size_t mask = slots.size() - 1;
    for (const Slot& s : old) {
      if (s.head == kNone) continue;
      std::size_t i = Home(s.rx, s.ry);
      while (slots[i].head != kNone) i = (i + 1) & mask;
      slots[i] = s;
    }
  }

  static bool InWindow(std::int64_t r) { return r > -kWindow && r < kWindow; }

  void ScanCell(std::int64_t cx, std::int64_t cy, const TPunkt& P, std::int32_t& best) const {
    const Slot* s = Find(static_cast<std::int32_t>(cx - ox), static_cast<std::int32_t>(cy - oy));
    if (!s) return;
    for (std::int32_t k = s->head; k != kNone && (best == kNone || k < best);
         k = next[static_cast<std::size_t>(k)]) {
      const XY& q = pts[static_cast<std::size_t>(k)];
      if (Matches(q.x, q.y, P, tol)) {
        best = k;
        return;
      }
    }
  }

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
          if (InWindow(cy - oy)) ScanCell(cx, cy, P, best);
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

  void Store(std::int32_t index, const TPunkt& P) {
    pts.push_back({P.X, P.Y});
    next.push_back(kNone);
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
    Slot& s = FindOrInsert(static_cast<std::int32_t>(cx - ox), static_cast<std::int32_t>(cy - oy));
    if (s.head == kNone) {
      s.head = index;
    } else {
      next[static_cast<std::size_t>(s.tail)] = index;
    }
    s.tail = index;
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

void PointMerge::Reserve(std::size_t points) {
  grid_->Reserve(points);
}

std::int32_t PointMerge::AddContourPoint(TContour& contour, const TPunkt& P) {
  assert(contour.Points.size() == grid_->pts.size());
  if (!grid_->usable) {
    const std::int32_t k = AddContourPointLinear(contour, P, tolerance_);
    if (static_cast<std::size_t>(k) == grid_->pts.size()) {
      grid_->pts.push_back({P.X, P.Y});
      grid_->next.push_back(kNone);
    }
    return k;
  }
  if (std::isfinite(P.X) && std::isfinite(P.Y)) {
    const std::int32_t found = grid_->Lookup(P);
    if (found != kNone) return found;
  }
  const auto index = static_cast<std::int32_t>(contour.Points.size());
  TPunkt stored;
  stored.X = P.X;
  stored.Y = P.Y;
  contour.Points.push_back(stored);
  grid_->Store(index, P);
  return index;
}

std::int32_t AddContourPointLinear(TContour& contour, const TPunkt& P, double PtTolerance) {
  const std::size_t n = contour.Points.size();
  for (std::size_t k = 0; k < n; ++k) {
    const TPunkt& s = contour.Points[k];
    if (Matches(s.X, s.Y, P, PtTolerance)) return static_cast<std::int32_t>(k);
  }
  TPunkt stored;
  stored.X = P.X;
  stored.Y = P.Y;
  contour.Points.push_back(stored);
  return static_cast<std::int32_t>(n);
}

}  // namespace quervik
