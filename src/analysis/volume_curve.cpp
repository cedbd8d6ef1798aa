#include "analysis/volume_curve.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

#include "analysis/clipped_face.h"
#include "core/errors.h"

namespace quervik {

namespace {

using volume_detail::FaceParts;
using volume_detail::PartsAt;

// The levels k * step for k = first … first + count - 1.
struct Levels {
  std::int64_t first = 0;
  std::size_t count = 0;
  double step = 1;

  double LevelOf(std::int64_t k) const { return k == 0 ? 0.0 : static_cast<double>(k) * step; }
  double operator[](std::size_t i) const { return LevelOf(first + static_cast<std::int64_t>(i)); }

  // The first index whose level is >= y (strictly: > y), count if none.
  std::size_t FirstAtOrAbove(double y, bool strictly) const {
    auto below = [&](std::int64_t k) {
      const double l = LevelOf(k);
      return strictly ? l <= y : l < y;
    };
    const std::int64_t last = first + static_cast<std::int64_t>(count);
    const double guess = std::ceil(y / step);
    std::int64_t k = first;
    if (guess >= static_cast<double>(last)) {
      k = last;
    } else if (guess > static_cast<double>(first)) {
      k = static_cast<std::int64_t>(guess);
    }
    while (k > first && !below(k - 1)) --k;
    while (k < last && below(k)) ++k;
    return static_cast<std::size_t>(k - first);
  }
};

[[noreturn]] void StepTooSmall() {
  throw Error("Die Schrittweite ist zu klein: mehr als " + std::to_string(kMaxCurveLevels) +
              " Schnitte");
}

Levels MakeLevels(double zmin, double zmax, double step) {
  if (!(step > 0)) throw Error("Die Schrittweite muss größer als 0 sein");
  if (std::isnan(zmin) || std::isnan(zmax)) RaiseInvalidOperation();
  Levels levels;
  levels.step = step;
  if (zmin > zmax) return levels;
  // Whole numbers beyond 2^53 are no longer all doubles: the step is lost
  // against the heights there.
  constexpr double kWhole = 9007199254740992.0;
  const double lo = std::ceil(zmin / step), hi = std::floor(zmax / step);
  if (!(std::fabs(lo) < kWhole) || !(std::fabs(hi) < kWhole)) StepTooSmall();
  if (hi < lo - 1) return levels;
  if (hi - lo > static_cast<double>(kMaxCurveLevels)) StepTooSmall();
  std::int64_t k0 = static_cast<std::int64_t>(lo), k1 = static_cast<std::int64_t>(hi);
  while (levels.LevelOf(k0) < zmin) ++k0;
  while (levels.LevelOf(k0 - 1) >= zmin) --k0;
  while (levels.LevelOf(k1) > zmax) --k1;
  while (levels.LevelOf(k1 + 1) <= zmax) ++k1;
  if (k1 < k0) return levels;
  if (k1 - k0 + 1 > static_cast<std::int64_t>(kMaxCurveLevels)) StepTooSmall();
  for (std::int64_t k = k0; k < k1; ++k) {
    if (!(levels.LevelOf(k + 1) > levels.LevelOf(k))) StepTooSmall();
  }
  levels.first = k0;
  levels.count = static_cast<std::size_t>(k1 - k0 + 1);
  return levels;
}

// A cubic in x = level - L about one level L, times 3 for volumes as in
// FaceParts: c[0] + c[1] x + c[2] x^2 + c[3] x^3.
using Cubic = std::array<double, 4>;

void AddScaled(Cubic& to, double w, const Cubic& p) {
  for (std::size_t i = 0; i < 4; ++i) to[i] += w * p[i];
}

// The same cubic about L + d.
void Shift(Cubic& p, double d) {
  p[0] += d * (p[1] + d * (p[2] + d * p[3]));
  p[1] += d * (2 * p[2] + 3 * d * p[3]);
  p[2] += 3 * d * p[3];
}

// k (h - y)^3 about L, with e = L - y.
Cubic RisingCube(double k, double e) {
  return {k * e * e * e, 3 * k * e * e, 3 * k * e, k};
}

// k (y - h)^3 about L, with g = y - L.
Cubic FallingCube(double k, double g) {
  return {k * g * g * g, -3 * k * g * g, 3 * k * g, -k};
}

// What changes at one level: the cubics of the volume above and below that
// begin or end there (about that level), and the faces clipped there
// directly.
struct LevelEvents {
  Cubic above{};
  Cubic below{};
  FaceParts direct;
};

// A piece covering at most this many levels is clipped at each of them
// directly. A longer piece spans more than (kDirect - 1) steps, which keeps
// its cubic coefficients small against its values over a step, so that
// adding it at one level and taking it off at another leaves only rounding
// of its own size.
constexpr std::size_t kDirect = 16;

// How often the curve reports its progress: a few milliseconds of work.
constexpr std::size_t kFacesPerReport = 1 << 16;

}  // namespace

std::vector<double> CurveLevels(double zmin, double zmax, double step) {
  const Levels levels = MakeLevels(zmin, zmax, step);
  std::vector<double> out(levels.count);
  for (std::size_t i = 0; i < levels.count; ++i) out[i] = levels[i];
  return out;
}

std::vector<VolumeFigures> VolumeCurve(const ClippedVolumeIndex& index, double zmin, double zmax,
                                       double step, const ProgressFn& progress) {
  const Levels L = MakeLevels(zmin, zmax, step);
  const std::size_t n = L.count;
  std::vector<VolumeFigures> rows(n);
  if (n == 0) return rows;
  std::vector<LevelEvents> ev(n);

  auto direct = [&](const ClippedFace& f, std::size_t from, std::size_t to) {
    for (std::size_t k = from; k < to; ++k) {
      const FaceParts p = PartsAt(f, L[k]);
      FaceParts& d = ev[k].direct;
      d.above3 += f.weight * p.above3;
      d.below3 += f.weight * p.below3;
      d.area_above += f.weight * p.area_above;
      d.area_below += f.weight * p.area_below;
    }
  };

  const std::size_t faces = index.faces().size();
  for (std::size_t i = 0; i < faces; ++i) {
    if (progress && i % kFacesPerReport == 0) progress(i, faces);
    const ClippedFace& f = index.faces()[i];
    const double w = f.weight;
    // The levels where PartsAt takes each of its branches: wholly above
    // (level <= lo, level < hi), two corners above (lo < level < mid), one
    // corner above (mid <= level < hi), wholly below (level >= hi).
    const std::size_t kHi = L.FirstAtOrAbove(f.hi, false);
    const std::size_t endAbove = std::min(L.FirstAtOrAbove(f.lo, true), kHi);
    const std::size_t endTwo = std::clamp(L.FirstAtOrAbove(f.mid, false), endAbove, kHi);

    if (endAbove > 0) {
      // 3 (mean - h): from the first level on, taken off where it ends.
      auto linear = [&](double l) {
        return Cubic{((f.lo - l) + (f.mid - l)) + (f.hi - l), -3, 0, 0};
      };
      AddScaled(ev[0].above, w, linear(L[0]));
      if (endAbove < n) AddScaled(ev[endAbove].above, -w, linear(L[endAbove]));
    }
    if (kHi < n) {
      // 3 (h - mean) below, up to the last level.
      const double l = L[kHi];
      AddScaled(ev[kHi].below, w, Cubic{((l - f.lo) + (l - f.mid)) + (l - f.hi), 3, 0, 0});
    }

    if (endTwo - endAbove <= kDirect) {
      direct(f, endAbove, endTwo);
    } else {
      // Above: 3 (mean - h) + k1 (h - lo)^3; below: k1 (h - lo)^3.
      const double k1 = 1 / ((f.mid - f.lo) * (f.hi - f.lo));
      auto piece = [&](std::size_t k, double sign) {
        const double l = L[k];
        const Cubic cube = RisingCube(k1, l - f.lo);
        Cubic above = cube;
        above[0] += ((f.lo - l) + (f.mid - l)) + (f.hi - l);
        above[1] -= 3;
        AddScaled(ev[k].above, sign * w, above);
        AddScaled(ev[k].below, sign * w, cube);
      };
      piece(endAbove, 1);
      if (endTwo < n) piece(endTwo, -1);
    }

    if (kHi - endTwo <= kDirect) {
      direct(f, endTwo, kHi);
    } else {
      // Above: k2 (hi - h)^3; below: 3 (h - mean) + k2 (hi - h)^3.
      const double k2 = 1 / ((f.hi - f.mid) * (f.hi - f.lo));
      auto piece = [&](std::size_t k, double sign) {
        const double l = L[k];
        const Cubic cube = FallingCube(k2, f.hi - l);
        Cubic below = cube;
        below[0] += ((l - f.lo) + (l - f.mid)) + (l - f.hi);
        below[1] += 3;
        AddScaled(ev[k].above, sign * w, cube);
        AddScaled(ev[k].below, sign * w, below);
      };
      piece(endTwo, 1);
      if (kHi < n) piece(kHi, -1);
    }
  }

  if (progress) progress(faces, faces);

  const bool closed = index.closed();
  Cubic above{}, below{};
  for (std::size_t k = 0; k < n; ++k) {
    const double level = L[k];
    if (k > 0) {
      const double d = level - L[k - 1];
      Shift(above, d);
      Shift(below, d);
    }
    for (std::size_t i = 0; i < 4; ++i) {
      above[i] += ev[k].above[i];
      below[i] += ev[k].below[i];
    }
    const FaceParts& d = ev[k].direct;
    VolumeFigures& r = rows[k];
    r.level = level;
    r.closed = closed;
    r.above = (above[0] + d.above3) / 3;
    r.area_above = d.area_above - above[1] / 3;
    r.below = (below[0] + d.below3) / 3;
    r.area_below = d.area_below + below[1] / 3;
    if (closed) {
      r.below = 0.0 - r.below;
      r.area_below = 0.0 - r.area_below;
    } else {
      r.above = std::max(0.0, r.above);
      r.area_above = std::max(0.0, r.area_above);
      r.below = std::max(0.0, r.below);
      r.area_below = std::max(0.0, r.area_below);
    }
    if (index.faces().empty() || level >= index.highest()) r.above = r.area_above = 0;
    if (index.faces().empty() || level <= index.lowest()) r.below = r.area_below = 0;
    if (closed && (level < index.lowest() || level > index.highest()))
      r.area_above = r.area_below = 0;
  }
  return rows;
}

}  // namespace quervik
