// ShortestText and FormatShortest: the fewest digits that read back as the
// same double.
#include "core/shortest_number.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <utility>

namespace quervik {
namespace {

TEST(ShortestText, PlainDecimalsInTheUsualRangeScientificOutside) {
  const std::pair<double, const char*> cases[] = {
      {0.0, "0"},
      {-0.0, "0"},
      {100, "100"},
      {-2.5, "-2.5"},
      {1e-5, "0.00001"},
      {1e20, "1e+20"},
      {-2.5e-7, "-2.5e-07"},
      {5432109.123, "5432109.123"},  // UTM millimetres kept
      {0.30000000000000004, "0.30000000000000004"}};
  for (const auto& [v, text] : cases) EXPECT_EQ(ShortestText(v), text);
}

TEST(FormatShortest, TheShorterNotationWithTheDecimalSeparator) {
  EXPECT_EQ(FormatShortest(0.1 + 0.2, '.'), "0.30000000000000004");
  EXPECT_EQ(FormatShortest(1e-7, ','), "1e-07");
  EXPECT_EQ(FormatShortest(-2.5, ','), "-2,5");
  EXPECT_EQ(FormatShortest(0.0001, '.'), "1e-04");  // where ShortestText writes "0.0001"
  EXPECT_EQ(FormatShortest(-HUGE_VAL, '.'), "-INF");
  EXPECT_EQ(FormatShortest(std::nan(""), ','), "NAN");
}

TEST(ShortestText, EveryFiniteValueReadsBackExactly) {
  std::mt19937_64 rng(7);
  for (int i = 0; i < 200000; ++i) {
    const std::uint64_t bits = rng();
    double v = 0;
    std::memcpy(&v, &bits, sizeof v);
    if (!std::isfinite(v)) continue;
    const std::string s = ShortestText(v);
    double back = 1;
    std::from_chars(s.data(), s.data() + s.size(), back);
    ASSERT_TRUE(s.size() <= kShortestMaxLength && back == (v == 0 ? 0.0 : v)) << s;
  }
}

}  // namespace
}  // namespace quervik
