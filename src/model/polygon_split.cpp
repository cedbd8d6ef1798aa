#include "model/polygon_split.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <numbers>

namespace quervik {

namespace {

// Turns smaller than this share of the product of the two edge lengths are
// taken as straight: rounding in the projection must not make a convex
// polygon with corners on a straight edge look reflex.
constexpr double kStraight = 1e-9;

// The steps of the ear search allowed per corner (see the header).
constexpr std::uint64_t kStepsPerCorner = 256;

double Cross(double au, double av, double bu, double bv) {
  return au * bv - av * bu;
}

}  // namespace

// Takes the corners relative to the first one, sums the area normal and
// keeps the two coordinates across its largest component, mirrored where
// needed so that the polygon runs counter-clockwise in (u, v). Corners
// beyond 2^400 or all below 2^-400 are first scaled by a power of two into
// [-1, 1] (exactly), so that no product of two differences overflows and
// not all of them vanish.
void PolygonSplitter::Project(std::span<const Tvertex> corners) {
  const size_t k = corners.size();
  double largest = 0;
  for (const Tvertex& c : corners) {
    largest = std::max({largest, std::fabs(c.x), std::fabs(c.y), std::fabs(c.z)});
  }
  u_.resize(k);
  v_.resize(k);
  hasView_ = false;
  if (!(largest > 0) || !std::isfinite(largest)) return;
  const bool extreme = largest > 0x1p400 || largest < 0x1p-400;
  int exponent = 0;
  if (extreme) std::frexp(largest, &exponent);
  auto scaled = [&](const Tvertex& c) {
    if (!extreme) return c;
    return Tvertex{std::ldexp(c.x, -exponent), std::ldexp(c.y, -exponent),
                   std::ldexp(c.z, -exponent)};
  };
  const Tvertex o = scaled(corners[0]);
  double n[3] = {0, 0, 0};
  Tvertex d0{0, 0, 0};
  for (size_t i = 0; i < k; ++i) {
    const Tvertex s = scaled(corners[(i + 1) % k]);
    const Tvertex d1{s.x - o.x, s.y - o.y, s.z - o.z};
    n[0] += d0.y * d1.z - d0.z * d1.y;
    n[1] += d0.z * d1.x - d0.x * d1.z;
    n[2] += d0.x * d1.y - d0.y * d1.x;
    d0 = d1;
  }
  int axis = 2;
  if (std::fabs(n[0]) > std::fabs(n[axis])) axis = 0;
  if (std::fabs(n[1]) > std::fabs(n[axis])) axis = 1;
  if (!(n[axis] != 0)) return;
  const double sign = n[axis] > 0 ? 1.0 : -1.0;
  for (size_t i = 0; i < k; ++i) {
    const Tvertex s = scaled(corners[i]);
    const Tvertex d{s.x - o.x, s.y - o.y, s.z - o.z};
    // Across x: (y, z); across y: (z, x); across z: (x, y) - each pair
    // turns counter-clockwise about a positive normal.
    u_[i] = axis == 0 ? d.y : axis == 1 ? d.z : d.x;
    v_[i] = sign * (axis == 0 ? d.z : axis == 1 ? d.x : d.y);
  }
  hasView_ = true;
}

// Every turn between successive edges of non-zero length is a left turn or
// straight on (within kStraight), none turns back, and the edges go round
// once. Four corners cannot go round twice with turns below a half turn each;
// from five on, the turning angles are summed.
bool PolygonSplitter::ConvexInView() const {
  const size_t k = u_.size();
  size_t first = k;
  for (size_t i = 0; i < k && first == k; ++i) {
    const size_t j = (i + 1) % k;
    if (u_[j] != u_[i] || v_[j] != v_[i]) first = i;
  }
  if (first == k) return true;  // all in one point
  double pu = u_[(first + 1) % k] - u_[first];
  double pv = v_[(first + 1) % k] - v_[first];
  double turning = 0;
  for (size_t step = 1; step <= k; ++step) {
    const size_t i = (first + step) % k;
    const size_t j = (i + 1) % k;
    const double eu = u_[j] - u_[i];
    const double ev = v_[j] - v_[i];
    if (eu == 0 && ev == 0) continue;
    const double cross = Cross(pu, pv, eu, ev);
    const double dot = pu * eu + pv * ev;
    const double straight = kStraight * std::sqrt(pu * pu + pv * pv) * std::sqrt(eu * eu + ev * ev);
    if (cross < -straight) return false;
    if (cross <= straight && dot < 0) return false;
    if (k >= 5) turning += std::atan2(cross, dot);
    pu = eu;
    pv = ev;
  }
  return k < 5 || turning < 3 * std::numbers::pi;
}

bool PolygonSplitter::GivesFan(std::span<const Tvertex> corners) {
  assert(corners.size() >= 3);
  if (corners.size() == 3 || corners.size() > kMaxSplitCorners) return true;
  Project(corners);
  return !hasView_ || ConvexInView();
}

void PolygonSplitter::Split(std::span<const Tvertex> corners,
                            std::vector<PolygonTriangle>& triangles) {
  const size_t k = corners.size();
  assert(k >= 3 && k <= kMaxSplitCorners);
  triangles.clear();
  if (GivesFan(corners)) {
    for (size_t i = 1; i + 1 < k; ++i) {
      triangles.push_back({0, static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(i + 1)});
    }
    return;
  }
  CutEars(triangles);
}

// The turn at b from a to c: positive to the left (convex), 0 straight.
double PolygonSplitter::Turn(std::uint32_t a, std::uint32_t b, std::uint32_t c) const {
  return Cross(u_[b] - u_[a], v_[b] - v_[a], u_[c] - u_[b], v_[c] - v_[b]);
}

void PolygonSplitter::BuildGrid() {
  const auto k = static_cast<std::uint32_t>(u_.size());
  std::uint32_t blockers = 0;
  for (std::uint32_t i = 0; i < k; ++i) blockers += Turn(prev_[i], i, next_[i]) <= 0 ? 1 : 0;
  gridSide_ = std::max<std::uint32_t>(
      1, static_cast<std::uint32_t>(std::sqrt(static_cast<double>(blockers))));
  const auto [u0, u1] = std::minmax_element(u_.begin(), u_.end());
  const auto [v0, v1] = std::minmax_element(v_.begin(), v_.end());
  gridU0_ = *u0;
  gridV0_ = *v0;
  // A spread too small to divide by (a few subnormal steps) is one column.
  auto scale = [&](double spread) {
    const double s = gridSide_ / spread;
    return spread > 0 && std::isfinite(s) ? s : 0.0;
  };
  gridScaleU_ = scale(*u1 - *u0);
  gridScaleV_ = scale(*v1 - *v0);
  auto cell = [&](std::uint32_t i) {
    const auto cu =
        std::min(gridSide_ - 1, static_cast<std::uint32_t>((u_[i] - gridU0_) * gridScaleU_));
    const auto cv =
        std::min(gridSide_ - 1, static_cast<std::uint32_t>((v_[i] - gridV0_) * gridScaleV_));
    return cv * gridSide_ + cu;
  };
  cellStart_.assign(size_t{gridSide_} * gridSide_ + 1, 0);
  for (std::uint32_t i = 0; i < k; ++i) {
    if (Turn(prev_[i], i, next_[i]) <= 0) ++cellStart_[cell(i) + 1];
  }
  for (size_t c = 1; c < cellStart_.size(); ++c) cellStart_[c] += cellStart_[c - 1];
  cellItems_.resize(blockers);
  // Each cell is filled from its start, which moves its start to its end;
  // shifting by one cell brings the starts back.
  for (std::uint32_t i = 0; i < k; ++i) {
    if (Turn(prev_[i], i, next_[i]) <= 0) cellItems_[cellStart_[cell(i)]++] = i;
  }
  for (size_t c = cellStart_.size() - 1; c > 0; --c) cellStart_[c] = cellStart_[c - 1];
  cellStart_[0] = 0;
}

// b is convex, and no corner still in the ring that is reflex or straight
// lies in the triangle (a, b, c) or on its border, apart from corners at
// the very points a, b or c (a polygon touching itself there).
bool PolygonSplitter::IsEar(std::uint32_t a, std::uint32_t b, std::uint32_t c) {
  ++steps_;
  if (!(Turn(a, b, c) > 0)) return false;
  const double umin = std::min({u_[a], u_[b], u_[c]}), umax = std::max({u_[a], u_[b], u_[c]});
  const double vmin = std::min({v_[a], v_[b], v_[c]}), vmax = std::max({v_[a], v_[b], v_[c]});
  auto cellOf = [&](double x, double x0, double scale) {
    return std::min(gridSide_ - 1, static_cast<std::uint32_t>((x - x0) * scale));
  };
  const std::uint32_t cu0 = cellOf(umin, gridU0_, gridScaleU_);
  const std::uint32_t cu1 = cellOf(umax, gridU0_, gridScaleU_);
  const std::uint32_t cv0 = cellOf(vmin, gridV0_, gridScaleV_);
  const std::uint32_t cv1 = cellOf(vmax, gridV0_, gridScaleV_);
  auto at = [&](std::uint32_t p, std::uint32_t q) { return u_[p] == u_[q] && v_[p] == v_[q]; };
  for (std::uint32_t cv = cv0; cv <= cv1; ++cv) {
    for (std::uint32_t cu = cu0; cu <= cu1; ++cu) {
      const size_t cellIndex = size_t{cv} * gridSide_ + cu;
      ++steps_;
      for (std::uint32_t s = cellStart_[cellIndex]; s < cellStart_[cellIndex + 1]; ++s) {
        const std::uint32_t p = cellItems_[s];
        ++steps_;
        if (cut_[p] || p == a || p == b || p == c) continue;
        if (u_[p] < umin || u_[p] > umax || v_[p] < vmin || v_[p] > vmax) continue;
        if (at(p, a) || at(p, b) || at(p, c)) continue;
        if (Turn(prev_[p], p, next_[p]) > 0) continue;  // convex by now
        if (Turn(a, b, p) >= 0 && Turn(b, c, p) >= 0 && Turn(c, a, p) >= 0) return false;
      }
    }
  }
  return true;
}

void PolygonSplitter::CutEars(std::vector<PolygonTriangle>& triangles) {
  const auto k = static_cast<std::uint32_t>(u_.size());
  prev_.resize(k);
  next_.resize(k);
  for (std::uint32_t i = 0; i < k; ++i) {
    prev_[i] = i == 0 ? k - 1 : i - 1;
    next_[i] = i + 1 == k ? 0 : i + 1;
  }
  cut_.assign(k, 0);
  BuildGrid();
  steps_ = 0;
  const std::uint64_t budget = kStepsPerCorner * k;

  auto cutOff = [&](std::uint32_t b) {
    const std::uint32_t a = prev_[b], c = next_[b];
    triangles.push_back({a, b, c});
    next_[a] = c;
    prev_[c] = a;
    cut_[b] = 1;
    return c;
  };

  std::uint32_t left = k;
  std::uint32_t b = 0;
  std::uint32_t tried = 0;  // corners tried since the last cut
  while (left > 3) {
    if (steps_ > budget || IsEar(prev_[b], b, next_[b])) {
      b = cutOff(b);
      --left;
      tried = 0;
    } else if (++tried < left) {
      b = next_[b];
    } else {
      // A whole round without an ear: cut off the first convex corner, or
      // this one when there is none.
      std::uint32_t pick = b;
      for (std::uint32_t q = b, n = 0; n < left; q = next_[q], ++n, ++steps_) {
        if (Turn(prev_[q], q, next_[q]) > 0) {
          pick = q;
          break;
        }
      }
      b = cutOff(pick);
      --left;
      tried = 0;
    }
  }
  triangles.push_back({prev_[b], b, next_[b]});
}

}  // namespace quervik
