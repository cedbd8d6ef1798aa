// FitView and FitAll: the views that show a whole section, computed
// without a window.
#include <QtTest>
#include <cmath>
#include <limits>

#include "ui/section_painter.h"
#include "ui_test_support.h"

namespace {

// A section of the segments (a, b), (c, d), ... through the given points.
quervik::TContour Section(std::vector<quervik::TPunkt> points,
                          std::vector<std::pair<int, int>> segments) {
  quervik::TContour c;
  c.Points = std::move(points);
  for (const auto& [a, b] : segments) c.Contours.push_back({a, b, 0});
  return c;
}

}  // namespace

class FitViewTest : public QObject {
  Q_OBJECT

 private slots:
  void fits() {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
      const char* what;
      quervik::TContour contour;
      int width, height;
      SectionView view;
    };
    const Case cases[] = {
        // The width spans the points; the highest point is on row 0.
        {"extent", Section({{0, 0}, {10, 5}, {4, -1}}, {{0, 1}, {1, 2}}), 100, 50, {0.1, 0, 5}},
        // A vertical line fills the height, centred across.
        {"vertical", Section({{3, 1}, {3, 5}}, {{0, 1}}), 100, 40, {0.1, -2, 5}},
        // One point, or a vertical line on a surface without height: 100
        // pixels per unit, centred.
        {"point", Section({{2, 3}}, {{0, 0}}), 100, 40, {0.01, 1.5, 3.2}},
        {"flat", Section({{3, 1}, {3, 5}}, {{0, 1}}), 100, 0, {0.01, 2.5, 5}},
        // A width below 1 counts as 1; points that are missing or not finite
        // take no part.
        {"narrow",
         Section({{0, 0}, {10, 5}, {nan, 99}}, {{0, 1}, {2, 0}, {0, 7}}),
         0,
         50,
         {10, 0, 5}},
    };
    for (const Case& c : cases) {
      const std::optional<SectionView> v = FitView(c.contour, c.width, c.height);
      QVERIFY2(v.has_value(), c.what);
      QVERIFY2(std::fabs(v->mf - c.view.mf) < 1e-15, c.what);
      QVERIFY2(std::fabs(v->xoffset - c.view.xoffset) < 1e-12, c.what);
      QVERIFY2(std::fabs(v->yoffset - c.view.yoffset) < 1e-12, c.what);
    }
  }

  // FitAll: both extents within the margins at one scale, centred.
  void fitsAll() {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
      const char* what;
      quervik::TContour contour;
      int width, height, margin;
      SectionView view;
    };
    const Case cases[] = {
        // Taller than wide: the height sets the scale, centred across.
        {"tall", Section({{0, 0}, {4, 8}, {nan, 0}}, {{0, 1}, {1, 2}}), 100, 50, 5, {0.2, -8, 9}},
        // Wider than high: the width sets it, centred up and down.
        {"wide", Section({{0, 0}, {20, 5}}, {{0, 1}}), 100, 50, 0, {0.2, 0, 7.5}},
        {"point", Section({{2, 3}}, {{0, 0}}), 100, 40, 10, {0.01, 1.5, 3.2}},
        // A surface inside its margins counts as one pixel.
        {"tiny", Section({{0, 0}, {4, 8}}, {{0, 1}}), 10, 10, 10, {8, -38, 44}},
        // Extents beyond the largest number do not overflow.
        {"huge", Section({{-1e308, 0}, {1e308, 0}}, {{0, 1}}), 100, 50, 0, {2e306, -1e308, 5e307}},
    };
    for (const Case& c : cases) {
      const std::optional<SectionView> v = FitAll(c.contour, c.width, c.height, c.margin);
      QVERIFY2(v.has_value(), c.what);
      QVERIFY2(std::fabs(v->mf / c.view.mf - 1) < 1e-14, c.what);
      QVERIFY2(std::fabs(v->xoffset - c.view.xoffset) <= 1e-12 * std::fabs(c.view.xoffset) + 1e-12,
               c.what);
      QVERIFY2(std::fabs(v->yoffset - c.view.yoffset) <= 1e-12 * std::fabs(c.view.yoffset) + 1e-12,
               c.what);
    }
  }

  // Nothing to fit: no segment, or none with a finite point that exists.
  void nothingToFit() {
    const double inf = std::numeric_limits<double>::infinity();
    QVERIFY(!FitView(quervik::TContour{}, 100, 50));
    QVERIFY(!FitView(Section({{1, 1}}, {}), 100, 50));
    QVERIFY(!FitView(Section({{inf, 1}, {1, -inf}}, {{0, 1}, {-1, 5}}), 100, 50));
    QVERIFY(!FitAll(quervik::TContour{}, 100, 50));
    QVERIFY(!FitAll(Section({{inf, 1}, {1, -inf}}, {{0, 1}, {-1, 5}}), 100, 50));
  }
};

QUERVIK_UI_TEST_MAIN(FitViewTest)
#include "fit_view_test.moc"
