// The exact parts of one face at a level, shared by the single level and
// the height-volume curve so that both clip a face with the same
// arithmetic. Internal to the analysis library.
#pragma once

#include "analysis/clipped_volume.h"

namespace quervik::volume_detail {

// Per unit of weight: three times the volume above and below the level
// (the division by 3 is left to the total) and the fraction of the area
// above and below.
struct FaceParts {
  double above3 = 0;
  double below3 = 0;
  double area_above = 0;
  double area_below = 0;
};

// With a, b, c the corner heights over the level, the function z - level is
// linear over the face. Where it changes sign, the side holding one corner
// is a triangle similar in the projection: for that corner's value p > 0
// and the other two -s, -u <= 0, its area is p^2 / ((p + s)(p + u)) of the
// face and three times its volume p^3 / ((p + s)(p + u)). The side holding
// two corners p, q > 0 opposite -t < 0 is written without a difference of
// large terms, all terms positive: area (pq + t(p + q)) / ((p + t)(q + t)),
// three times the volume (t(p^2 + pq + q^2) + pq(p + q)) / ((p + t)(q + t)).
// The corners come sorted, so the result does not depend on corner order.
inline FaceParts PartsAt(const ClippedFace& f, double level) {
  const double a = f.lo - level, b = f.mid - level, c = f.hi - level;
  FaceParts r;
  if (c <= 0) {
    r.below3 = -((a + b) + c);
    r.area_below = a < 0 ? 1.0 : 0.0;
  } else if (a >= 0) {
    r.above3 = (a + b) + c;
    r.area_above = 1.0;
  } else if (b > 0) {
    // b and c above, a below.
    const double t = -a;
    const double inv = 1.0 / ((b + t) * (c + t));
    r.above3 = (t * ((b * b + b * c) + c * c) + b * c * (b + c)) * inv;
    r.area_above = (b * c + t * (b + c)) * inv;
    r.below3 = t * t * t * inv;
    r.area_below = t * t * inv;
  } else {
    // c above, a and b at or below.
    const double s = -b, u = -a;
    const double inv = 1.0 / ((c + s) * (c + u));
    r.above3 = c * c * c * inv;
    r.area_above = c * c * inv;
    r.below3 = (c * ((u * u + u * s) + s * s) + u * s * (u + s)) * inv;
    r.area_below = (u * s + c * (u + s)) * inv;
  }
  return r;
}

}  // namespace quervik::volume_detail
