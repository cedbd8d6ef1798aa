// The numbers of the minimal DXF writer: every coordinate in a fixed
// 23-character scientific form, so that a file does not depend on the
// machine or the locale that wrote it.
#pragma once

#include <cstddef>
#include <string>

namespace quervik {

inline constexpr std::size_t kDxfRealWidth = 23;

// " 1.50000000000000E+0000": sign (blank for >= 0 and for -0), 15
// significant digits correctly rounded (a tie away from zero), 'E', exponent
// sign, 4 exponent digits. Not finite: "+Inf", "-Inf", "Nan" right-aligned
// in 23 characters.
std::string FormatDxfReal(double v);

// Writes the kDxfRealWidth characters of FormatDxfReal(v) to `out` and
// returns the end.
char* PutDxfReal(char* out, double v);

}  // namespace quervik
