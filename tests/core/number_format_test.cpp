#include "core/number_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/errors.h"

namespace quervik {
namespace {

class NumberFormatTest : public ::testing::Test {
 protected:
  void SetUp() override { SetDecimalSeparator('.'); }
  void TearDown() override { SetDecimalSeparator('.'); }
};

TEST_F(NumberFormatTest, AcceptsNumbersWithBlanksAroundThem) {
  EXPECT_DOUBLE_EQ(StrToFloat("12.5"), 12.5);
  EXPECT_DOUBLE_EQ(StrToFloat("    12.500"), 12.5);  // as "%10.3f" writes it
  EXPECT_DOUBLE_EQ(StrToFloat("  -3  "), -3.0);
  EXPECT_DOUBLE_EQ(StrToFloat("+.5"), 0.5);
  EXPECT_DOUBLE_EQ(StrToFloat("7."), 7.0);
  EXPECT_DOUBLE_EQ(StrToFloat("1e3"), 1000.0);
  EXPECT_DOUBLE_EQ(StrToFloat("2.5E-1"), 0.25);
  EXPECT_EQ(StrToFloat("1e-400"), 0.0);  // underflow is zero, not an error
}

TEST_F(NumberFormatTest, RefusesWhatIsNoNumberWithTheGermanText) {
  for (const char* bad : {"", "   ", "abc", "1,5", "1.5.2", "1e", "e5", "-", ".", "inf", "nan",
                          "0x10", "1 2", "12a", "1e400", "\t1"}) {
    try {
      StrToFloat(bad);
      ADD_FAILURE() << "accepted '" << bad << "'";
    } catch (const Error& e) {
      EXPECT_EQ(e.what(), std::string("'") + bad + "' ist kein gültiger Gleitkommawert");
    }
  }
}

TEST_F(NumberFormatTest, TheSeparatorDecidesWhatIsANumber) {
  SetDecimalSeparator(',');
  EXPECT_DOUBLE_EQ(StrToFloat("2,5"), 2.5);
  EXPECT_THROW(StrToFloat("2.5"), Error);
  SetDecimalSeparator('.');
  EXPECT_DOUBLE_EQ(StrToFloat("2.5"), 2.5);
  EXPECT_THROW(StrToFloat("2,5"), Error);
}

TEST_F(NumberFormatTest, FixedFormatsPadAndRound) {
  EXPECT_EQ(FormatFixed(12.5, 10, 3), "    12.500");
  EXPECT_EQ(FormatFixed(2.5, 4, 3), "2.500");
  EXPECT_EQ(FormatFixed(6, 6, 0), "     6");
  EXPECT_EQ(FormatFixed(1234567, 6, 0), "1234567");  // the width is a minimum
  EXPECT_EQ(FormatFixed(50, 10, 6), " 50.000000");
  EXPECT_EQ(FormatFixed(-2, 8, 3), "  -2.000");
  EXPECT_EQ(FormatFixed(0.1 + 0.2, 4, 3), "0.300");
  EXPECT_EQ(FormatFixed(2.0 / 3.0, 4, 3), "0.667");
  EXPECT_EQ(FormatFixed(3.5, 8, 3, ','), "   3,500");
}

TEST_F(NumberFormatTest, ExactTiesRoundAwayFromZero) {
  EXPECT_EQ(FormatFixed(0.0625, 4, 3), "0.063");  // printf gives 0.062
  EXPECT_EQ(FormatFixed(-0.0625, 4, 3), "-0.063");
  EXPECT_EQ(FormatFixed(0.5, 6, 0), "     1");  // printf gives 0
  EXPECT_EQ(FormatFixed(2.5, 1, 0), "3");
  EXPECT_EQ(FormatFixed(9.5, 1, 0), "10");          // the carry adds a digit
  EXPECT_EQ(FormatFixed(99.9995, 1, 3), "99.999");  // not a tie in binary: below it
  EXPECT_EQ(FormatFixed(0.125, 1, 2), "0.13");
  EXPECT_EQ(FormatFixed(1.0000005, 1, 6), "1.000001");     // just above the tie in binary
  EXPECT_EQ(FormatFixed(2.675, 1, 2), "2.67");             // just below it
  EXPECT_EQ(FormatFixed(0.0009765625, 1, 6), "0.000977");  // 2^-10, a tie at 6 decimals
}

TEST_F(NumberFormatTest, NonFiniteValuesHaveNames) {
  EXPECT_EQ(FormatFixed(std::numeric_limits<double>::quiet_NaN(), 6, 0), "   NAN");
  EXPECT_EQ(FormatFixed(std::numeric_limits<double>::infinity(), 4, 3), " INF");
  EXPECT_EQ(FormatFixed(-std::numeric_limits<double>::infinity(), 4, 3), "-INF");
  EXPECT_EQ(FormatFixed(1e300, 4, 3).size(), 301u + 4u);
}

}  // namespace
}  // namespace quervik
