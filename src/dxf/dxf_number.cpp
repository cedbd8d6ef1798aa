#include "dxf/dxf_number.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace quervik {

namespace {

constexpr int kDigits = 15;  // significant digits of a coordinate

// 15 significant digits of a finite value > 0, and its decimal exponent.
struct Decimal15 {
  char digit[kDigits];
  int exponent;
};

// Adds one unit in the 15th digit; a carry out of the first digit raises the
// exponent (9.99…9 becomes 1.00…0 times ten).
void RoundUp(Decimal15& d) {
  int k = kDigits - 1;
  for (; k >= 0; --k) {
    if (d.digit[k] == '9') {
      d.digit[k] = '0';
    } else {
      ++d.digit[k];
      return;
    }
  }
  d.digit[0] = '1';
  ++d.exponent;
}

// Reads the digits and the exponent of std::to_chars' scientific output
// ("6.666666666666666e-01", "1e+300"). Returns the number of digits.
int ParseScientific(const char* p, const char* end, char* digits, int maxDigits, int& exponent) {
  int n = 0;
  for (; p != end && *p != 'e'; ++p) {
    if (*p == '.') continue;
    if (n < maxDigits) digits[n] = *p;
    ++n;
  }
  ++p;  // 'e'
  const bool negative = *p == '-';
  ++p;
  int e = 0;
  for (; p != end; ++p) e = e * 10 + (*p - '0');
  exponent = negative ? -e : e;
  return n;
}

// The value rounded from its exact binary expansion: the first 16 digits of
// that expansion decide, a 16th digit of 5 or more rounds up (a tie thus
// rounds away from zero). A double has at most 767 significant digits, so
// 780 digits are the exact expansion. Slow; used for subnormal numbers and
// kept as the reference that the fast path is tested against.
Decimal15 RoundExact(double a) {
  char buf[800];
  const auto r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, 780);
  char digits[kDigits + 1];
  Decimal15 d{};
  ParseScientific(buf, r.ptr, digits, kDigits + 1, d.exponent);
  std::memcpy(d.digit, digits, kDigits);
  if (digits[kDigits] >= '5') RoundUp(d);
  return d;
}

// True when `a` (normal, > 0) is exactly the 16-digit decimal s * 10^j with
// s ending in 5. With a = m * 2^q, m odd, that holds exactly when q == j and
// m * 5^-j == s (j < 0) or m == s * 5^j (j >= 0): both sides are odd.
bool IsExactly16DigitTie(double a, std::uint64_t s, int j) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &a, sizeof bits);
  std::uint64_t m = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  int q = static_cast<int>((bits >> 52) & 0x7ff) - 1075;
  while ((m & 1) == 0) {
    m >>= 1;
    ++q;
  }
  if (q != j) return false;
  if (j >= 0) {
    // s >= 10^15 and m < 2^53: only j == 0 can match.
    return j == 0 && m == s;
  }
  for (int k = 0; k < -j; ++k) {
    if (m > s / 5) return false;
    m *= 5;
  }
  return m == s;
}

// The correctly rounded 15 digits of a normal value > 0, from the shortest
// representation that reads back as `a` (fast) where that decides the
// rounding, which is almost always:
// - up to 15 digits: the shortest form lies within half a unit in the last
//   place of `a`, far closer than half a step of the 15-digit grid, so it is
//   the rounded value;
// - 16 or 17 digits: no 16-digit decimal lies strictly between `a` and its
//   shortest form (it would be a closer, no longer candidate), so rounding the
//   shortest form rounds `a`, except when the 16th digit is a 5 that ends the
//   form: then `a` is an exact tie (rounded up) or lies to one side of it,
//   which the correctly rounded 15-digit conversion tells.
Decimal15 RoundNormal(double a) {
  char buf[40];
  auto r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific);
  char digits[17];
  Decimal15 d{};
  const int n = ParseScientific(buf, r.ptr, digits, 17, d.exponent);
  if (n <= kDigits) {
    std::memcpy(d.digit, digits, static_cast<std::size_t>(n));
    std::memset(d.digit + n, '0', static_cast<std::size_t>(kDigits - n));
    return d;
  }
  std::memcpy(d.digit, digits, kDigits);
  if (n == 16 && digits[15] == '5') {
    std::uint64_t s = 0;
    for (int k = 0; k < 16; ++k) s = s * 10 + static_cast<std::uint64_t>(digits[k] - '0');
    if (IsExactly16DigitTie(a, s, d.exponent - 15)) {
      RoundUp(d);
      return d;
    }
    // Not a tie: the conversion's rounding to nearest is the right one.
    r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, kDigits - 1);
    ParseScientific(buf, r.ptr, d.digit, kDigits, d.exponent);
    return d;
  }
  if (digits[15] >= '5') RoundUp(d);
  return d;
}

}  // namespace

char* PutDxfReal(char* out, double v) {
  if (!std::isfinite(v)) {
    const char* text = std::isnan(v) ? "Nan" : (v < 0 ? "-Inf" : "+Inf");
    const std::size_t len = std::strlen(text);
    std::memset(out, ' ', kDxfRealWidth - len);
    std::memcpy(out + (kDxfRealWidth - len), text, len);
    return out + kDxfRealWidth;
  }
  out[0] = v < 0 ? '-' : ' ';
  const double a = std::fabs(v);
  Decimal15 d{};
  if (a == 0) {
    std::memset(d.digit, '0', kDigits);
    d.exponent = 0;
  } else if (a >= 2.2250738585072014e-308) {
    d = RoundNormal(a);
  } else {
    d = RoundExact(a);
  }
  out[1] = d.digit[0];
  out[2] = '.';
  std::memcpy(out + 3, d.digit + 1, kDigits - 1);
  out[17] = 'E';
  out[18] = d.exponent < 0 ? '-' : '+';
  int e = d.exponent < 0 ? -d.exponent : d.exponent;
  for (int k = 22; k >= 19; --k) {
    out[k] = static_cast<char>('0' + e % 10);
    e /= 10;
  }
  return out + kDxfRealWidth;
}

std::string FormatDxfReal(double v) {
  std::string s(kDxfRealWidth, ' ');
  PutDxfReal(s.data(), v);
  return s;
}

}  // namespace quervik
