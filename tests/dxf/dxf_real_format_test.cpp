// The 23-character number form of the DXF files, pinned on chosen values and
// checked against an exact reference on many random ones.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "dxf/dxf_number.h"

namespace quervik {
namespace {

struct RealCase {
  double value;
  const char* text;
};

class FormatDxfRealTable : public ::testing::TestWithParam<RealCase> {};

TEST_P(FormatDxfRealTable, WritesTheExactText) {
  const std::string s = FormatDxfReal(GetParam().value);
  EXPECT_EQ(s, GetParam().text);
  EXPECT_EQ(s.size(), 23u);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FormatDxfRealTable,
    ::testing::Values(
        RealCase{1.5, " 1.50000000000000E+0000"}, RealCase{-0.25, "-2.50000000000000E-0001"},
        RealCase{0.0, " 0.00000000000000E+0000"}, RealCase{-0.0, " 0.00000000000000E+0000"},
        RealCase{345.678, " 3.45678000000000E+0002"},
        RealCase{2.0 / 3.0, " 6.66666666666667E-0001"},
        RealCase{-2.0 / 3.0, "-6.66666666666667E-0001"}, RealCase{100.0, " 1.00000000000000E+0002"},
        RealCase{1.0, " 1.00000000000000E+0000"}, RealCase{0.1, " 1.00000000000000E-0001"},
        // A carry out of the first digit raises the exponent.
        RealCase{9.999999999999999, " 1.00000000000000E+0001"},
        RealCase{-9.999999999999999e-5, "-1.00000000000000E-0004"},
        RealCase{99999.99999999999, " 1.00000000000000E+0005"},
        RealCase{1e-300, " 1.00000000000000E-0300"}, RealCase{1e300, " 1.00000000000000E+0300"},
        RealCase{-1e300, "-1.00000000000000E+0300"},
        RealCase{1.7976931348623157e308, " 1.79769313486232E+0308"},
        RealCase{2.2250738585072014e-308, " 2.22507385850720E-0308"},
        // Subnormal numbers keep their exact value's digits.
        RealCase{4.9406564584124654e-324, " 4.94065645841247E-0324"},
        RealCase{-2.5e-323, "-2.47032822920623E-0323"},
        // 15 significant digits, rounded from the exact binary value.
        RealCase{123456789012345678.0, " 1.23456789012346E+0017"},
        RealCase{0.30000000000000004, " 3.00000000000000E-0001"},
        RealCase{1234567890123455.0, " 1.23456789012346E+0015"},
        // Exact ties round away from zero (to even would give ...344 and ...342).
        RealCase{1234567890123445.0, " 1.23456789012345E+0015"},
        RealCase{-1234567890123445.0, "-1.23456789012345E+0015"},
        RealCase{12345678901234.25, " 1.23456789012343E+0013"},
        // Just beside a tie: the exact value decides.
        RealCase{1234567890123444.75, " 1.23456789012344E+0015"},
        RealCase{1234567890123445.25, " 1.23456789012345E+0015"},
        // Not finite: right-aligned words.
        RealCase{std::numeric_limits<double>::infinity(), "                   +Inf"},
        RealCase{-std::numeric_limits<double>::infinity(), "                   -Inf"},
        RealCase{std::numeric_limits<double>::quiet_NaN(), "                    Nan"}));

// The reference: the exact decimal expansion (glibc prints it exactly; 780
// digits hold every double), its 16th digit rounding half away from zero.
std::string ReferenceDxfReal(double v) {
  char buf[1000];
  std::snprintf(buf, sizeof buf, "%.780e", std::fabs(v));
  char digits[16];
  int n = 0;
  const char* p = buf;
  for (; *p != 'e'; ++p) {
    if (*p == '.') continue;
    if (n < 16) digits[n] = *p;
    ++n;
  }
  int exponent = std::atoi(p + 1);
  bool up = digits[15] >= '5';
  for (int k = 14; up && k >= 0; --k) {
    if (digits[k] == '9') {
      digits[k] = '0';
    } else {
      ++digits[k];
      up = false;
    }
  }
  if (up) {
    digits[0] = '1';
    ++exponent;
  }
  char out[32];
  std::snprintf(out, sizeof out, "%c%c.%.14sE%c%04d", std::signbit(v) && v != 0 ? '-' : ' ',
                digits[0], digits + 1, exponent < 0 ? '-' : '+', std::abs(exponent));
  return out;
}

TEST(FormatDxfReal, AgreesWithTheExactReferenceOnRandomBitPatterns) {
  std::mt19937_64 rng(20240601);
  int checked = 0;
  for (int i = 0; i < 20000; ++i) {
    const std::uint64_t bits = rng();
    double v = 0;
    std::memcpy(&v, &bits, sizeof v);
    if (!std::isfinite(v)) continue;
    ASSERT_EQ(FormatDxfReal(v), ReferenceDxfReal(v)) << "bits " << bits;
    ++checked;
  }
  EXPECT_GT(checked, 19000);
}

TEST(FormatDxfReal, AgreesWithTheExactReferenceNearTies) {
  // Decimals of 16 digits ending in 5 read as doubles: most lie just beside
  // the tie, on either side, and their shortest form ends in that 5.
  std::mt19937_64 rng(7);
  std::uniform_int_distribution<std::uint64_t> mantissa(100000000000000, 999999999999999);
  std::uniform_int_distribution<int> exponent(-335, 290);
  for (int i = 0; i < 20000; ++i) {
    char text[64];
    std::snprintf(text, sizeof text, "%llu5e%d", static_cast<unsigned long long>(mantissa(rng)),
                  exponent(rng));
    const double v = std::strtod(text, nullptr);
    ASSERT_EQ(FormatDxfReal(v), ReferenceDxfReal(v)) << text;
    ASSERT_EQ(FormatDxfReal(-v), ReferenceDxfReal(-v)) << text;
  }
}

TEST(FormatDxfReal, RoundsExactTiesAwayFromZero) {
  // m * 2^-k with m * 5^k a 16-digit number ending in 5: exactly halfway
  // between two 15-digit results.
  std::mt19937_64 rng(11);
  int ties = 0;
  for (int k = 1; k <= 22; ++k) {
    double p5 = 1;
    for (int j = 0; j < k; ++j) p5 *= 5;
    const double lo = std::ceil(1e15 / p5), hi = std::floor(9.999e15 / p5);
    if (lo > hi || lo > 9e15) continue;
    std::uniform_real_distribution<double> pick(lo, hi);
    for (int i = 0; i < 200; ++i) {
      double m = std::floor(pick(rng));
      if (std::fmod(m, 2) == 0) m += 1;
      if (m > hi) continue;
      const double v = std::ldexp(m, -k);
      ASSERT_EQ(FormatDxfReal(v), ReferenceDxfReal(v)) << m << " * 2^-" << k;
      ASSERT_EQ(FormatDxfReal(-v), ReferenceDxfReal(-v));
      ++ties;
    }
  }
  EXPECT_GT(ties, 1000);
}

TEST(FormatDxfReal, AgreesWithTheExactReferenceOnShortAndSubnormalValues) {
  std::mt19937_64 rng(3);
  std::uniform_int_distribution<int> digits(-99999, 99999);
  std::uniform_int_distribution<int> scale(-12, 12);
  for (int i = 0; i < 5000; ++i) {
    const double v = digits(rng) * std::pow(10.0, scale(rng));
    ASSERT_EQ(FormatDxfReal(v), ReferenceDxfReal(v)) << v;
  }
  for (int i = 0; i < 2000; ++i) {
    const std::uint64_t bits = rng() & ((std::uint64_t{1} << 52) - 1);
    double v = 0;
    std::memcpy(&v, &bits, sizeof v);
    ASSERT_EQ(FormatDxfReal(v), ReferenceDxfReal(v)) << bits;
  }
}

}  // namespace
}  // namespace quervik
