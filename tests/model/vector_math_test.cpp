#include "model/vector_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <string>

#include "support/errors.h"

namespace quervik {
namespace {

constexpr double pi = std::numbers::pi;

using test::ErrorText;

TEST(Sgn, SignOfZeroNegativeAndTinyPositive) {
  EXPECT_EQ(sgn(0.0), 0);
  EXPECT_EQ(sgn(-0.0), 0);
  EXPECT_EQ(sgn(-0.5), -1);
  EXPECT_EQ(sgn(1e-300), 1);
  EXPECT_EQ(sgn(-std::numeric_limits<double>::infinity()), -1);
}

struct RiwiCase {
  double dy, dx;
  double S, T;
};

// The step (dx, dy) in all eight directions, on the axes and between them,
// and the zero step.
TEST(Riwi, DistanceAndDirectionInEveryDirection) {
  const double a = std::atan(0.75);  // the angle of the 3-4-5 triangle, dy/dx = 3/4
  const RiwiCase cases[] = {
      {0, 4, 4, 0},                            // east
      {3, 4, 5, a},                            // north-east
      {1, 0, 1, pi / 2},                       // north
      {3, -4, 5, std::atan(-0.75) + pi},       // north-west
      {0, -4, 4, pi},                          // west
      {-3, -4, 5, a + pi},                     // south-west
      {-1, 0, 1, 3 * pi / 2},                  // south
      {-3, 4, 5, std::atan(-0.75) + pi + pi},  // south-east
      {0, 0, 0, 0},                            // no step
  };
  for (const RiwiCase& c : cases) {
    double S = -1, T = -1;
    RIWI(c.dy, c.dx, S, T);
    EXPECT_EQ(S, c.S) << "dy=" << c.dy << " dx=" << c.dx;
    EXPECT_EQ(T, c.T) << "dy=" << c.dy << " dx=" << c.dx;
    EXPECT_GE(T, 0.0);
    EXPECT_LT(T, 2 * pi);
  }
}

TEST(Riwi, ThreeFourFive) {
  double S = 0, T = 0;
  RIWI(3, 4, S, T);
  EXPECT_EQ(S, 5.0);
  EXPECT_EQ(T, std::atan(0.75));
}

TEST(Riwi, SouthIsThreeHalvesPiAndWestIsPi) {
  double S = 0, T = 0;
  RIWI(-1, 0, S, T);
  EXPECT_EQ(T, 3 * pi / 2);
  RIWI(0, -1, S, T);
  EXPECT_EQ(T, pi);
  EXPECT_EQ(S, 1.0);
}

TEST(Kreuzprodukt, RightHandRuleAndAntisymmetry) {
  EXPECT_EQ(Kreuzprodukt({1, 0, 0}, {0, 1, 0}), (Tvect3D{0, 0, 1}));
  EXPECT_EQ(Kreuzprodukt({0, 1, 0}, {1, 0, 0}), (Tvect3D{0, 0, -1}));
  EXPECT_EQ(Kreuzprodukt({0, 1, 0}, {0, 0, 1}), (Tvect3D{1, 0, 0}));
  EXPECT_EQ(Kreuzprodukt({2, 3, 4}, {5, 6, 7}), (Tvect3D{-3, 6, -3}));
  EXPECT_EQ(Kreuzprodukt({2, 3, 4}, {4, 6, 8}), (Tvect3D{0, 0, 0}));
}

TEST(MultVectAndBetragVect, DotProductAndLength) {
  EXPECT_EQ(MultVect({1, 2, 3}, {4, -5, 6}), 12.0);
  EXPECT_EQ(BetragVect({2, 3, 6}), 7.0);
  EXPECT_EQ(BetragVect({0, 0, 0}), 0.0);
  // Summed in the order x, y, z: 1e16 + 1 - 1e16 loses the 1.
  EXPECT_EQ(MultVect({1e16, 1, -1e16}, {1, 1, 1}), 0.0);
}

TEST(NormVect, ScalesToLengthOne) {
  EXPECT_EQ(NormVect({0, 0, 5}), (Tvect3D{0, 0, 1}));
  EXPECT_EQ(NormVect({3, 0, -4}), (Tvect3D{0.6, 0, -0.8}));
  const Tvect3D n = NormVect({1, 2, 2});
  EXPECT_EQ(n, (Tvect3D{1.0 / 3, 2.0 / 3, 2.0 / 3}));
}

TEST(NormVect, ZeroVectorRaisesInvalidOperation) {
  EXPECT_EQ(ErrorText([] { NormVect({0, 0, 0}); }), "Ungültige Gleitkommaoperation");
  EXPECT_EQ(ErrorText([] { NormVect({-0.0, 0, -0.0}); }), "Ungültige Gleitkommaoperation");
}

TEST(NormVect, VectorsThatAreNotFiniteRaiseInvalidOperation) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(ErrorText([&] { NormVect({inf, 0, 0}); }), "Ungültige Gleitkommaoperation");
  EXPECT_EQ(ErrorText([&] { NormVect({1, nan, 0}); }), "Ungültige Gleitkommaoperation");
}

// Squares of these components underflow to 0 or overflow to infinity; the
// vectors still have a direction.
TEST(NormVect, VeryShortAndVeryLongVectorsKeepTheirDirection) {
  auto expectNear = [](const Tvect3D& got, const Tvect3D& want) {
    for (size_t i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(got[i], want[i]) << "component " << i;
  };
  expectNear(NormVect({3e-200, 0, -4e-200}), {0.6, 0, -0.8});
  expectNear(NormVect({3e200, 4e200, 0}), {0.6, 0.8, 0});
  EXPECT_EQ(NormVect({0, 1e-320, 0}), (Tvect3D{0, 1, 0}));
}

TEST(WinkelVect, CosineDoesNotDependOnLength) {
  EXPECT_EQ(WinkelVect({1, 0, 0}, {2, 0, 0}), 1.0);
  EXPECT_EQ(WinkelVect({1, 0, 0}, {0, 3, 0}), 0.0);
  EXPECT_EQ(WinkelVect({1, 0, 0}, {-7, 0, 0}), -1.0);
  EXPECT_EQ(WinkelVect({3, 4, 0}, {4, 3, 0}), 24.0 / 25.0);
  EXPECT_EQ(WinkelVect({30, 40, 0}, {0.4, 0.3, 0}), WinkelVect({3, 4, 0}, {4, 3, 0}));
  EXPECT_DOUBLE_EQ(WinkelVect({3e-200, 4e-200, 0}, {4e200, 3e200, 0}), 24.0 / 25.0);
}

TEST(WinkelVect, ZeroOrInfiniteVectorRaisesInvalidOperation) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(ErrorText([] { WinkelVect({0, 0, 0}, {1, 0, 0}); }), "Ungültige Gleitkommaoperation");
  EXPECT_EQ(ErrorText([] { WinkelVect({1, 0, 0}, {0, 0, 0}); }), "Ungültige Gleitkommaoperation");
  EXPECT_EQ(ErrorText([&] {
              WinkelVect({inf, 0, 0}, {inf, 0, 0});
            }),
            "Ungültige Gleitkommaoperation");
}

}  // namespace
}  // namespace quervik
