// Small vector routines shared by the geometric parts. All are pure; the
// ones that divide raise the program's floating-point errors by explicit
// checks instead of producing NaN.
#pragma once

#include "model/mesh.h"

namespace quervik {

// -1, 0 or +1.
int sgn(double x);

// Distance S and direction T (radians, 0 <= T < 2*pi, measured from the
// positive dx direction towards the positive dy direction) of the step
// (dx, dy). Note the argument order: dy first. dx = dy = 0 gives S = T = 0.
void RIWI(double dy, double dx, double& S, double& T);

// The cross product a x b.
Tvect3D Kreuzprodukt(const Tvect3D& a, const Tvect3D& b);

// The dot product a . b, summed in the order x, y, z.
double MultVect(const Tvect3D& a, const Tvect3D& b);

// The length of a.
double BetragVect(const Tvect3D& a);

// a scaled to length 1. A zero vector raises "Ungültige Gleitkommaoperation"
// (0/0); so does a vector whose result would not be finite.
Tvect3D NormVect(const Tvect3D& a);

// The cosine of the angle between a and b: a.b / (|b|*|a|), not clamped to
// [-1, 1]. A zero vector as either argument raises
// "Ungültige Gleitkommaoperation".
double WinkelVect(const Tvect3D& a, const Tvect3D& b);

}  // namespace quervik
