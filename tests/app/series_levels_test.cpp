// The level texts of a series: where it starts, where it stops, how each
// level is written, and which steps are refused.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "app/series_levels.h"
#include "core/number_format.h"
#include "support/errors.h"

namespace quervik {
namespace {

using Texts = std::vector<std::string>;

class SeriesLevels : public ::testing::Test {
 protected:
  void SetUp() override { SetDecimalSeparator('.'); }
  void TearDown() override { SetDecimalSeparator('.'); }
};

std::string Refusal(double zmin, double zmax, double dh) {
  return test::ErrorText([&] { SeriesLevelTexts(zmin, zmax, dh); });
}

TEST_F(SeriesLevels, StartAtAWholeMultipleOfTheStep) {
  EXPECT_EQ(SeriesLevelTexts(2.5, 5.2, 1), (Texts{"   2.000", "   3.000", "   4.000", "   5.000"}));
  // Towards zero: -2.5 starts at -2, not -3.
  EXPECT_EQ(SeriesLevelTexts(-2.5, 0.2, 1), (Texts{"  -2.000", "  -1.000", "   0.000"}));
  // trunc(-0.5) is minus zero; the first level is written without a sign.
  EXPECT_EQ(SeriesLevelTexts(-0.5, 1.3, 1), (Texts{"   0.000", "   1.000"}));
  EXPECT_EQ(SeriesLevelTexts(-0.5, 0.7, 0.25)[0], "  -0.500");
  EXPECT_EQ(SeriesLevelTexts(7.2, 7.9, 2.5), (Texts{"   5.000", "   7.500"}));
}

TEST_F(SeriesLevels, StopWhenTheAccumulatedLevelPassesTheTop) {
  // Three additions of 0.1 give slightly more than 0.3: 0.3 is not cut.
  EXPECT_EQ(SeriesLevelTexts(0, 0.3, 0.1), (Texts{"   0.000", "   0.100", "   0.200"}));
  // A level equal to the top is cut.
  EXPECT_EQ(SeriesLevelTexts(0, 2, 1), (Texts{"   0.000", "   1.000", "   2.000"}));
  // At least one level, also before any file was loaded.
  EXPECT_EQ(SeriesLevelTexts(0, 0, 1), (Texts{"   0.000"}));
  EXPECT_EQ(SeriesLevelTexts(3.7, 3.7, 10), (Texts{"   0.000"}));
}

TEST_F(SeriesLevels, AreWrittenEightWideWithTheProcessWideSeparator) {
  EXPECT_EQ(SeriesLevelTexts(9999, 10001, 1), (Texts{"9999.000", "10000.000", "10001.000"}));
  EXPECT_EQ(SeriesLevelTexts(-1000, -999, 1), (Texts{"-1000.000", "-999.000"}));
  // Rounded to three decimals, every level its own text.
  EXPECT_EQ(SeriesLevelTexts(0, 0.0026, 0.0012), (Texts{"   0.000", "   0.001", "   0.002"}));
  EXPECT_EQ(SeriesLevelTexts(0, 0.0035, 0.001).size(), 4u);
  SetDecimalSeparator(',');
  EXPECT_EQ(SeriesLevelTexts(2.5, 3.2, 0.5), (Texts{"   2,500", "   3,000"}));
}

TEST_F(SeriesLevels, RefuseAStepThatIsNotPositive) {
  const std::string text = "Die Schrittweite muss größer als 0 sein";
  EXPECT_EQ(Refusal(0, 10, 0), text);
  EXPECT_EQ(Refusal(0, 0, 0), text);
  EXPECT_EQ(Refusal(0, 10, -0.0), text);
  EXPECT_EQ(Refusal(0, 10, -1), text);
  EXPECT_EQ(Refusal(0, 10, std::numeric_limits<double>::quiet_NaN()), text);
  EXPECT_EQ(Refusal(0, 10, -std::numeric_limits<double>::infinity()), text);
}

TEST_F(SeriesLevels, RefuseMoreThanAMillionLevels) {
  const std::string text = "Die Schrittweite ist zu klein: mehr als 1000000 Schnitte";
  EXPECT_EQ(Refusal(0, 1000000, 1), text);  // 1000001 levels
  EXPECT_EQ(Refusal(0, 1000, 0.0009), text);
  const Texts most = SeriesLevelTexts(0, 999999, 1);
  ASSERT_EQ(most.size(), 1000000u);
  EXPECT_EQ(most.back(), "999999.000");
}

TEST_F(SeriesLevels, RefuseLevelsThatWouldShareALayer) {
  // The layer "S%8.3fd" shows three decimals: 0 and 0.0004 are both
  // "   0.000".
  const std::string shared =
      "Die Schrittweite ist zu klein: zwei Schnitte kämen auf denselben Layer ";
  EXPECT_EQ(Refusal(0, 0.0013, 0.0004), shared + "'S   0.000d'");
  EXPECT_EQ(Refusal(0, 4, 0.0001), shared + "'S   0.000d'");
  EXPECT_EQ(Refusal(-1, 0, 0.0004), shared + "'S  -1.000d'");
  // Also when there would be more than a million levels: a smaller count
  // would not help.
  EXPECT_EQ(Refusal(0, 100, 1e-9), shared + "'S   0.000d'");
  SetDecimalSeparator(',');
  EXPECT_EQ(Refusal(7, 7.001, 0.0004), shared + "'S   7,000d'");
  // A small step over a range that holds one level is no trouble.
  EXPECT_EQ(SeriesLevelTexts(0.0001, 0.0002, 0.0004), (Texts{"   0,000"}));
}

TEST_F(SeriesLevels, RefuseAStepThatDoesNotChangeTheLevel) {
  const std::string lost = "Die Schrittweite ist zu klein: sie ändert die Höhe ";
  EXPECT_EQ(Refusal(1e20, 1e20, 1), lost + "100000000000000000000.000 nicht");
  EXPECT_EQ(Refusal(0, 1e20, 1), lost + "100000000000000000000.000 nicht");
  EXPECT_EQ(Refusal(-1e17, 5, 1), lost + "-100000000000000000.000 nicht");
  EXPECT_EQ(Refusal(0, 100, std::numeric_limits<double>::denorm_min()), lost + "100.000 nicht");
}

TEST_F(SeriesLevels, AHugeStepGivesOneLevel) {
  EXPECT_EQ(SeriesLevelTexts(-3, 4, 1e300), (Texts{"   0.000"}));
  EXPECT_EQ(SeriesLevelTexts(-3, 4, std::numeric_limits<double>::infinity()).size(), 1u);
}

}  // namespace
}  // namespace quervik
