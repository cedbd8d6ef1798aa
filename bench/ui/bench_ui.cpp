// How fast the window draws and follows the height slider, on Qt's
// offscreen platform:
//  - a redraw of 500,000 segments into an image of the drawing surface's
//    size (710 x 546, as after the first draw) with the surface's own
//    painter: one batched drawLines. The peer is the same picture drawn the
//    way the segments are described, one move-to and line-to (a drawLine)
//    per segment, in the same run.
//  - one step of the height slider on a terrain of 2,000,000 faces through
//    the window's TrackBar1Change: section, volume (the prism sum of Masse
//    m3 and the exact Über, Unter and Fläche m2), fit and draw. The section,
//    volume and clipped-volume indexes are built before the timing starts
//    (once per mesh, as in the window).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QSlider>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "bench/common/generators.h"
#include "ui/UnitMaintest.h"
#include "ui/section_painter.h"

namespace {

constexpr int kSurfaceWidth = 710;
constexpr int kSurfaceHeight = 546;

// A closed wiggly line of n short segments (a long contour, as a fine
// terrain gives), fitted to the surface like ZeigSchnittlinie does.
struct BigSection {
  quervik::TContour contour;
  SectionView view;

  explicit BigSection(int n) {
    contour.Points.reserve(static_cast<size_t>(n));
    contour.Contours.reserve(static_cast<size_t>(n));
    double xmin = 1e12, xmax = -1e12, ymax = -1e12;
    for (int i = 0; i < n; ++i) {
      const double a = 2 * 3.14159265358979 * i / n;
      const double r = 1000 + 120 * std::sin(37 * a) + 40 * std::cos(411 * a);
      quervik::TPunkt p;
      p.X = r * std::cos(a);
      p.Y = 0.7 * r * std::sin(a);
      xmin = std::min(xmin, p.X);
      xmax = std::max(xmax, p.X);
      ymax = std::max(ymax, p.Y);
      contour.Points.push_back(p);
      contour.Contours.push_back({i, (i + 1) % n, 0});
    }
    view.mf = (xmax - xmin) / kSurfaceWidth;
    view.xoffset = xmin;
    view.yoffset = ymax;
  }
};

// The hard case: 500,000 segments of 5 to 40 pixels in all directions,
// spread over the whole surface (a zoomed-in section of a rough surface), so
// no two consecutive segments fall on the same pixels.
struct ScatteredSection {
  quervik::TContour contour;
  SectionView view;

  explicit ScatteredSection(int n) {
    std::uint64_t state = 12345;
    auto next = [&state] {  // a fixed linear congruential sequence in [0, 1)
      state = state * 6364136223846793005ULL + 1442695040888963407ULL;
      return static_cast<double>(state >> 11) / 9007199254740992.0;
    };
    for (int i = 0; i < n; ++i) {
      quervik::TPunkt a, b;
      a.X = next() * kSurfaceWidth;
      a.Y = -next() * kSurfaceHeight;
      const double len = 5 + 35 * next();
      const double dir = 2 * 3.14159265358979 * next();
      b.X = a.X + len * std::cos(dir);
      b.Y = a.Y + len * std::sin(dir);
      contour.Points.push_back(a);
      contour.Points.push_back(b);
      contour.Contours.push_back({2 * i, 2 * i + 1, 0});
    }
    view.mf = 1;
    view.xoffset = 0;
    view.yoffset = 0;
  }
};

const BigSection& Section500k() {
  static const BigSection s(500000);
  return s;
}

// The surface's own redraw of a section into an image of its size.
void Redraw(benchmark::State& state, const quervik::TContour& contour, const SectionView& view) {
  QImage image(kSurfaceWidth, kSurfaceHeight, QImage::Format_ARGB32_Premultiplied);
  SectionPainter painter;
  for (auto _ : state) {
    QPainter p(&image);
    painter.Paint(p, image.width(), image.height(), contour, view);
    p.end();
    benchmark::DoNotOptimize(image.constBits());
  }
  state.counters["segments"] = static_cast<double>(contour.Contours.size());
  state.counters["lines_drawn"] = static_cast<double>(painter.Lines().size());
}

void BM_Redraw500kSegments(benchmark::State& state) {
  const BigSection& s = Section500k();
  Redraw(state, s.contour, s.view);
}

void BM_Redraw500kScatteredSegments(benchmark::State& state) {
  static const ScatteredSection s(500000);
  Redraw(state, s.contour, s.view);
}

// The peer: the same pixels computed the same way, but one drawLine per
// segment instead of one batch.
void BM_Redraw500kSegmentsOneCallEach(benchmark::State& state) {
  const BigSection& s = Section500k();
  QImage image(kSurfaceWidth, kSurfaceHeight, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    QPainter p(&image);
    p.fillRect(0, 0, image.width(), image.height(), QColor(255, 255, 255));
    p.setPen(QPen(QColor(255, 0, 0), 1));
    const auto& pts = s.contour.Points;
    for (const quervik::TLine& l : s.contour.Contours) {
      const quervik::TPunkt& a = pts[static_cast<size_t>(l.sp)];
      const quervik::TPunkt& b = pts[static_cast<size_t>(l.ep)];
      p.drawLine(static_cast<int>((a.X - s.view.xoffset) / s.view.mf),
                 static_cast<int>(-(a.Y - s.view.yoffset) / s.view.mf),
                 static_cast<int>((b.X - s.view.xoffset) / s.view.mf),
                 static_cast<int>(-(b.Y - s.view.yoffset) / s.view.mf));
    }
    p.end();
    benchmark::DoNotOptimize(image.constBits());
  }
  state.counters["segments"] = static_cast<double>(s.contour.Contours.size());
}

// Errors and warnings are counted, not shown in a box that would wait for a
// click.
class CountingServices : public UiServices {
 public:
  std::optional<QString> OpenObjFile(QWidget*) override { return std::nullopt; }
  std::optional<QString> SavePlanFile(QWidget*, const QString&) override { return std::nullopt; }
  void ShowError(QWidget*, const QString& text) override {
    ++errors;
    last = text;
  }
  void ShowWarning(QWidget*, const QString& text) override {
    ++errors;
    last = text;
  }
  int errors = 0;
  QString last;
};

void BM_SliderStepTerrain2MFaces(benchmark::State& state) {
  auto owned = std::make_unique<CountingServices>();
  CountingServices* services = owned.get();
  auto form = std::make_unique<TForm1>(std::move(owned));
  form->show();
  QApplication::processEvents();
  // The terrain goes into the window as a user's file would: loaded.
  const std::string obj =
      (std::filesystem::temp_directory_path() / "quervik-bench-ui-terrain.obj").string();
  if (!quervik::gen::WriteObj(quervik::gen::MakeTerrain(1000, 1000), obj)) {
    state.SkipWithError("cannot write the terrain's OBJ file");
    return;
  }
  form->OpenFile(QString::fromStdString(obj));
  std::filesystem::remove(obj);
  // The first step builds the section and volume indexes of this mesh.
  QSlider* slider = form->findChild<QSlider*>(QStringLiteral("TrackBar1"));
  slider->setValue(300);
  int position = 300;
  size_t segments = 0;
  for (auto _ : state) {
    position = position == 400 ? 300 : position + 1;
    slider->setValue(position);
    segments += form->contour().Contours.size();
  }
  state.counters["faces"] = static_cast<double>(form->mesh().Fc.size() - 1);
  state.counters["segments_per_step"] =
      static_cast<double>(segments) / static_cast<double>(std::max<int64_t>(1, state.iterations()));
  if (services->errors > 0) {
    state.SkipWithError(("the slider step failed: " + services->last.toStdString()).c_str());
  } else if (form->contour().Contours.empty()) {
    state.SkipWithError("the slider step cut nothing");
  }
}

BENCHMARK(BM_Redraw500kSegments)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_Redraw500kScatteredSegments)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_Redraw500kSegmentsOneCallEach)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2);
BENCHMARK(BM_SliderStepTerrain2MFaces)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
