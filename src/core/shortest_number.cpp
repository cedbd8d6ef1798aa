#include "core/shortest_number.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace quervik {

char* PutShortest(char* out, double v) {
  char* const end = out + kShortestMaxLength;
  if (v == 0) {
    *out = '0';
    return out + 1;
  }
  const double a = std::fabs(v);
  // Plain decimals where they stay short; a number written "1e+20" or
  // "2.5e-07" is still read by every DXF and JSON reader.
  const auto format =
      a >= 1e-5 && a < 1e16 ? std::chars_format::fixed : std::chars_format::scientific;
  return std::to_chars(out, end, v, format).ptr;
}

std::string ShortestText(double v) {
  char buf[kShortestMaxLength];
  return std::string(buf, PutShortest(buf, v));
}

std::string FormatShortest(double value, char decimalSeparator) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  std::string s(buf, r.ptr);
  if (decimalSeparator != '.') std::replace(s.begin(), s.end(), '.', decimalSeparator);
  return s;
}

}  // namespace quervik
