#include "analysis/transformation.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <initializer_list>
#include <numbers>
#include <string>
#include <vector>

#include "core/errors.h"

namespace quervik {
namespace {

double Rad(double degrees) {
  return degrees * std::numbers::pi / 180;
}

Tvertex Moved(Tvertex p, const TrafoParams& t) {
  Mesh m = MakeMesh({p});
  Transformation(m, t);
  return m.V[1];
}

void ExpectNear(const Tvertex& got, const Tvertex& want, double tol = 1e-15) {
  EXPECT_NEAR(got.x, want.x, tol);
  EXPECT_NEAR(got.y, want.y, tol);
  EXPECT_NEAR(got.z, want.z, tol);
}

void ExpectExact(const Tvertex& got, const Tvertex& want) {
  EXPECT_EQ(got.x, want.x);
  EXPECT_EQ(got.y, want.y);
  EXPECT_EQ(got.z, want.z);
}

TEST(Transformation, TheStartValuesKeepEveryVertexToTheBit) {
  const std::vector<Tvertex> points = {
      {1, 2, 3}, {-0.1, 1e300, -7.25}, {123456.789, -1e-300, 0.3}, {0, 0, 0}};
  Mesh m = MakeMesh({points[0], points[1], points[2], points[3]});
  Transformation(m, TrafoParams{});
  for (size_t i = 0; i < points.size(); ++i) ExpectExact(m.V[i + 1], points[i]);
}

TEST(Transformation, EachAxisTurnsCounterClockwiseSeenFromItsPositiveEnd) {
  TrafoParams rz;
  rz.rz = Rad(90);
  ExpectNear(Moved({1, 0, 0}, rz), {0, 1, 0});
  ExpectNear(Moved({0, 1, 0}, rz), {-1, 0, 0});

  TrafoParams rx;
  rx.rx = Rad(90);
  ExpectNear(Moved({0, 1, 0}, rx), {0, 0, 1});
  ExpectNear(Moved({0, 0, 1}, rx), {0, -1, 0});

  TrafoParams ry;
  ry.ry = Rad(90);
  ExpectNear(Moved({0, 0, 1}, ry), {1, 0, 0});
  ExpectNear(Moved({1, 0, 0}, ry), {0, 0, -1});
}

TEST(Transformation, TheZTurnActsFirstThenYThenX) {
  TrafoParams t;
  t.rx = Rad(90);
  t.rz = Rad(90);
  ExpectNear(Moved({1, 0, 0}, t), {0, 0, 1});  // z: to (0,1,0), then x: to (0,0,1)

  TrafoParams u;
  u.ry = Rad(90);
  u.rz = Rad(90);
  ExpectNear(Moved({1, 0, 0}, u), {0, 1, 0});  // y leaves (0,1,0) alone
  ExpectNear(Moved({0, 0, 1}, u), {1, 0, 0});

  // Arbitrary angles against the product Rx * Ry * Rz formed here.
  TrafoParams w;
  w.rx = 0.3;
  w.ry = -1.1;
  w.rz = 2.5;
  auto rot = [](int axis, double a, std::array<double, 3> p) {
    const double c = std::cos(a), s = std::sin(a);
    const int i = (axis + 1) % 3, j = (axis + 2) % 3;
    const double pi = p[static_cast<size_t>(i)], pj = p[static_cast<size_t>(j)];
    p[static_cast<size_t>(i)] = c * pi - s * pj;
    p[static_cast<size_t>(j)] = s * pi + c * pj;
    return p;
  };
  const std::array<double, 3> q = rot(0, 0.3, rot(1, -1.1, rot(2, 2.5, {1.5, -2, 0.75})));
  ExpectNear(Moved({1.5, -2, 0.75}, w), {q[0], q[1], q[2]}, 1e-14);
}

TEST(Transformation, ScalesAboutTheOriginThenShifts) {
  TrafoParams t;
  t.M = 2;
  t.dx = 1;
  ExpectExact(Moved({1, 1, 1}, t), {3, 2, 2});

  TrafoParams all;
  all.rz = Rad(90);
  all.M = 2;
  all.dx = 1;
  all.dy = -1;
  all.dz = 10;
  ExpectNear(Moved({1, 0, 0}, all), {1, 1, 10});
}

// A scale of 0 and a result that is not finite are refused before the first
// vertex is written: the vertices ahead of the failing one keep their bits,
// and the version stays.
TEST(Transformation, RefusesWhatWouldDestroyTheMesh) {
  struct Case {
    TrafoParams t;
    const char* error;
  };
  std::vector<Case> cases(4);
  cases[0].t.M = 0;
  cases[0].t.dx = 4;
  cases[0].error = "Der Maßstab darf nicht 0 sein";
  cases[1].t.M = -0.0;
  cases[1].error = "Der Maßstab darf nicht 0 sein";
  cases[2].t.dx = 1e308;  // 1e308 + 1e308 in slot 3
  cases[2].error =
      "Die Transformation ergäbe bei Eckpunkt 3 eine Koordinate außerhalb des Zahlenbereichs";
  cases[3].t.M = 1e300;  // 1e300 * 1e10 in slot 2, turned into y
  cases[3].t.rz = Rad(90);
  cases[3].error =
      "Die Transformation ergäbe bei Eckpunkt 2 eine Koordinate außerhalb des Zahlenbereichs";
  for (const Case& c : cases) {
    Mesh m = MakeMesh({{1, 2, 3}, {1e10, 0, 0}, {1e308, 0, 0}});
    m.version = NewMeshVersion();
    const Mesh before = m;
    std::string error = "(kein Fehler)";
    try {
      Transformation(m, c.t);
    } catch (const Error& e) {
      error = e.what();
    }
    EXPECT_EQ(error, c.error);
    for (size_t i = 0; i < m.V.size(); ++i) ExpectExact(m.V[i], before.V[i]);
    EXPECT_EQ(m.version, before.version);
  }
}

TEST(Transformation, LeavesThePlaceholderTheFacesAndTheNormals) {
  Mesh m = MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  m.Fc.push_back(TFace{{1, 2, 3}});
  m.Vn.push_back(Tvect3D{0, 0, 1});
  const Mesh before = m;

  TrafoParams t;
  t.dx = 5;
  t.ry = 1;
  t.M = 3;
  Transformation(m, t);
  ExpectExact(m.V[0], {0, 0, 0});
  ExpectNear(m.V[1], {5, 0, 0});  // the origin only shifts
  EXPECT_EQ(m.Fc[1].corner, before.Fc[1].corner);
  EXPECT_EQ(m.Vn, before.Vn);
}

TEST(Transformation, EveryRunMovesAgainAndGivesANewVersion) {
  Mesh m = MakeMesh({{1, 1, 1}});
  TrafoParams t;
  t.dx = 1;
  const auto v0 = m.version;
  Transformation(m, t);
  const auto v1 = m.version;
  Transformation(m, t);
  ExpectExact(m.V[1], {3, 1, 1});
  EXPECT_NE(v1, v0);
  EXPECT_NE(m.version, v1);
  EXPECT_NE(m.version, v0);

  Mesh nothingLoaded;
  Transformation(nothingLoaded, t);
  EXPECT_TRUE(nothingLoaded.V.empty());
}

}  // namespace
}  // namespace quervik
