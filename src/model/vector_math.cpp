#include "model/vector_math.h"

#include <cmath>
#include <numbers>

#include "core/errors.h"

namespace quervik {

namespace {

// Lengths inside this band square and multiply without overflow or
// underflow, so the plain formulas give their exact double results there.
constexpr double kSafeLow = 1e-150;
constexpr double kSafeHigh = 1e150;

bool InSafeBand(double length) {
  return length > kSafeLow && length < kSafeHigh;
}

bool IsZero(const Tvect3D& a) {
  return a[0] == 0 && a[1] == 0 && a[2] == 0;
}

bool IsFinite(const Tvect3D& a) {
  return std::isfinite(a[0]) && std::isfinite(a[1]) && std::isfinite(a[2]);
}

// a multiplied by a power of two that brings its largest component into
// [1, 2). Scaling by a power of two is exact, so directions and cosines
// computed from the scaled vector are those of the original; it only keeps
// the squares of very short or very long vectors from underflowing to 0 or
// overflowing to infinity. Expects a finite, non-zero vector.
Tvect3D ScaledToUnitRange(const Tvect3D& a) {
  const double m = std::fmax(std::fabs(a[0]), std::fmax(std::fabs(a[1]), std::fabs(a[2])));
  const int e = std::ilogb(m);
  return {std::ldexp(a[0], -e), std::ldexp(a[1], -e), std::ldexp(a[2], -e)};
}

}  // namespace

int sgn(double x) {
  if (x < 0) return -1;
  if (x > 0) return 1;
  return 0;
}

void RIWI(double dy, double dx, double& S, double& T) {
  constexpr double pi = std::numbers::pi;
  if (dx == 0) {
    T = sgn(dy) * pi / 2;
  } else {
    T = std::atan(dy / dx);
  }
  if (dx < 0) T = T + pi;
  if (T < 0) T = T + pi + pi;
  S = std::sqrt(dy * dy + dx * dx);
  if (dx == 0 && dy == 0) {
    S = 0;
    T = 0;
  }
}

Tvect3D Kreuzprodukt(const Tvect3D& a, const Tvect3D& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double MultVect(const Tvect3D& a, const Tvect3D& b) {
  return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

double BetragVect(const Tvect3D& a) {
  return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
}

Tvect3D NormVect(const Tvect3D& a) {
  const double s = BetragVect(a);
  if (InSafeBand(s)) return {a[0] / s, a[1] / s, a[2] / s};
  // 0/0 for the zero vector, inf/inf or NaN for a vector that is not finite.
  if (IsZero(a) || !IsFinite(a)) RaiseInvalidOperation();
  const Tvect3D u = ScaledToUnitRange(a);
  const double su = BetragVect(u);
  return {u[0] / su, u[1] / su, u[2] / su};
}

double WinkelVect(const Tvect3D& a, const Tvect3D& b) {
  const double la = BetragVect(a);
  const double lb = BetragVect(b);
  if (InSafeBand(la) && InSafeBand(lb)) return MultVect(a, b) / (lb * la);
  if (IsZero(a) || IsZero(b) || !IsFinite(a) || !IsFinite(b)) RaiseInvalidOperation();
  const Tvect3D ua = ScaledToUnitRange(a);
  const Tvect3D ub = ScaledToUnitRange(b);
  return MultVect(ua, ub) / (BetragVect(ub) * BetragVect(ua));
}

}  // namespace quervik
