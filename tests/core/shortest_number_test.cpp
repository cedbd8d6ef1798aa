// ShortestText: the fewest digits that read back as the same double.
#include "core/shortest_number.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>

namespace quervik {
namespace {

TEST(ShortestText, PlainDecimalsInTheUsualRangeScientificOutside) {
  EXPECT_EQ(ShortestText(0.0), "0");
  EXPECT_EQ(ShortestText(-0.0), "0");
  EXPECT_EQ(ShortestText(100), "100");
  EXPECT_EQ(ShortestText(0.1), "0.1");
  EXPECT_EQ(ShortestText(-2.5), "-2.5");
  EXPECT_EQ(ShortestText(5432109.123), "5432109.123");  // UTM millimetres kept
  EXPECT_EQ(ShortestText(0.30000000000000004), "0.30000000000000004");
  EXPECT_EQ(ShortestText(1e-5), "0.00001");
  EXPECT_EQ(ShortestText(1e20), "1e+20");
  EXPECT_EQ(ShortestText(-2.5e-7), "-2.5e-07");
}

TEST(ShortestText, EveryFiniteValueReadsBackExactly) {
  std::mt19937_64 rng(7);
  for (int i = 0; i < 200000; ++i) {
    const std::uint64_t bits = rng();
    double v = 0;
    std::memcpy(&v, &bits, sizeof v);
    if (!std::isfinite(v)) continue;
    const std::string s = ShortestText(v);
    ASSERT_LE(s.size(), kShortestMaxLength);
    double back = 1;
    std::from_chars(s.data(), s.data() + s.size(), back);
    ASSERT_EQ(back, v == 0 ? 0.0 : v) << s;
  }
}

}  // namespace
}  // namespace quervik
