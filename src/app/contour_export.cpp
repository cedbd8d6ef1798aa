#include "app/contour_export.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <numbers>
#include <span>

#include "app/export_files.h"
#include "app/geojson_writer.h"
#include "core/errors.h"
#include "core/number_format.h"
#include "core/prepare_in_order.h"
#include "dxf/dxf_drawing.h"
#include "section/contour_chain.h"

namespace quervik {

namespace {

// Whole numbers beyond this are not all 64-bit floats: levels k and k + 1
// could not be told apart.
constexpr double kMaxWholeNumber = 9007199254740992.0;  // 2^53
// Enough for the fixed notation of any double with any decimals asked for.
constexpr int kMaxDecimals = 400;
constexpr std::size_t kFixedBuffer = 800;

Error TooSmall() {
  return Error("Die Schrittweite ist zu klein: mehr als " + std::to_string(kMaxContourLevels) +
               " Höhenlinien");
}

void CheckStepAndMajor(double step, int major) {
  if (!(step > 0) || !std::isfinite(step)) throw Error("Die Schrittweite muss größer als 0 sein");
  if (major < 1) throw Error("Der Abstand der Haupthöhenlinien muss mindestens 1 sein");
}

// The decimals of the shortest text that reads back as `v` ("2.5": 1).
int DecimalsOf(double v) {
  char buf[kFixedBuffer];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
  const std::string_view s(buf, static_cast<std::size_t>(r.ptr - buf));
  const std::size_t dot = s.find('.');
  return dot == std::string_view::npos ? 0 : static_cast<int>(s.size() - dot - 1);
}

std::string Fixed(double v, int decimals) {
  char buf[kFixedBuffer];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed,
                               std::min(decimals, kMaxDecimals));
  return std::string(buf, r.ptr);
}

// k · step rounded to `decimals` decimals (never -0).
double LevelOf(double k, double step, int decimals) {
  const std::string text = Fixed(k * step, decimals);
  double z = 0;
  std::from_chars(text.data(), text.data() + text.size(), z);
  return z == 0 ? 0.0 : z;
}

// The larger side of the plan of the mesh's vertices (slot 0 left out).
double PlanSize(const Mesh& mesh) {
  double lo[2] = {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
  double hi[2] = {-lo[0], -lo[1]};
  for (std::size_t i = 1; i < mesh.V.size(); ++i) {
    const Tvertex& v = mesh.V[i];
    lo[0] = std::min(lo[0], v.x);
    hi[0] = std::max(hi[0], v.x);
    lo[1] = std::min(lo[1], v.y);
    hi[1] = std::max(hi[1], v.y);
  }
  return std::max(hi[0] - lo[0], hi[1] - lo[1]);
}

// The label of a polyline: the middle of its middle segment, turned along
// it and kept readable (the angle in (-90, 90] degrees).
void PlaceLabel(const TContour& contour, std::span<const std::int32_t> pts, bool closed, double& x,
                double& y, double& angle) {
  const std::size_t n = pts.size();
  const std::size_t segments = closed ? n : n - 1;
  const std::size_t m = (segments - 1) / 2;
  const TPunkt& a = contour.Points[static_cast<std::size_t>(pts[m])];
  const TPunkt& b = contour.Points[static_cast<std::size_t>(pts[(m + 1) % n])];
  x = a.X / 2 + b.X / 2;
  y = a.Y / 2 + b.Y / 2;
  angle = std::atan2(b.Y - a.Y, b.X - a.X) * (180 / std::numbers::pi);
  if (angle > 90) angle -= 180;
  if (angle <= -90) angle += 180;
}

// One level, prepared by a worker: its section, its polylines and their
// bytes for each file.
struct PreparedContours {
  TContour contour;
  TContourChains chains;
  DxfEntities dxf;
  GeoJsonFeatures geojson;
  std::size_t closed = 0;
};

}  // namespace

std::vector<ContourLevel> ContourLevels(double zmin, double zmax, double step, int major) {
  CheckStepAndMajor(step, major);
  if (std::isnan(zmin) || std::isnan(zmax)) RaiseInvalidOperation();
  double first = std::ceil(zmin / step);
  double last = std::floor(zmax / step);
  if (!(std::fabs(first) < kMaxWholeNumber && std::fabs(last) < kMaxWholeNumber)) throw TooSmall();
  if (last - first + 1 > static_cast<double>(kMaxContourLevels)) throw TooSmall();
  const int decimals = DecimalsOf(step);
  // Rounding k · step to the decimals may carry a level across zmin or
  // zmax: a step or two settles that. More would mean levels that rounding
  // cannot tell apart.
  auto settle = [&](double& k, auto outside, double dir) {
    for (int round = 0;; ++round) {
      if (round == 8) throw TooSmall();
      if (outside(LevelOf(k, step, decimals))) {
        k += dir;
      } else if (!outside(LevelOf(k - dir, step, decimals))) {
        k -= dir;
      } else {
        return;
      }
    }
  };
  settle(
      first, [&](double z) { return z < zmin; }, 1);
  settle(
      last, [&](double z) { return z > zmax; }, -1);
  std::vector<ContourLevel> levels;
  if (last < first) return levels;
  if (last - first + 1 > static_cast<double>(kMaxContourLevels)) throw TooSmall();
  levels.reserve(static_cast<std::size_t>(last - first + 1));
  for (double k = first; k <= last; ++k) {
    const double z = LevelOf(k, step, decimals);
    if (!levels.empty() && !(z > levels.back().z)) throw TooSmall();
    ContourLevel& level = levels.emplace_back();
    level.z = z;
    level.major = std::fmod(k, static_cast<double>(major)) == 0;
    level.label = Fixed(z, decimals);
  }
  return levels;
}

ContourLevel SingleContourLevel(std::string_view levelText, double step, int major) {
  CheckStepAndMajor(step, major);
  double z = StrToFloat(levelText);
  if (z == 0) z = 0;  // no -0
  const int decimals = DecimalsOf(step);
  const double k = std::round(z / step);
  ContourLevel level;
  level.z = z;
  level.major = std::fabs(k) < kMaxWholeNumber && LevelOf(k, step, decimals) == z &&
                std::fmod(k, static_cast<double>(major)) == 0;
  level.label = Fixed(z, std::max(decimals, DecimalsOf(z)));
  return level;
}

ContourResult WriteContours(const Mesh& mesh, const SectionIndex* index, double step, int major,
                            std::string_view objPath, const ContourOptions& options) {
  const std::vector<ContourLevel> levels =
      options.levelText.empty()
          ? ContourLevels(mesh.zmin, mesh.zmax, step, major)
          : std::vector<ContourLevel>{SingleContourLevel(options.levelText, step, major)};
  double labelHeight = PlanSize(mesh) / 200;
  if (!(labelHeight > 0) || !std::isfinite(labelHeight)) labelHeight = 1;

  const DxfLayer layers[] = {{kMinorContourLayer, kMinorContourColour, 18},
                             {kMajorContourLayer, kMajorContourColour, 35}};
  DxfDrawing drawing;
  drawing.Open(ContourFileName(objPath, options.levelText, ".dxf"), layers);
  GeoJsonFile geojson;
  if (options.geojson) geojson.Open(ContourFileName(objPath, options.levelText, ".geojson"));

  ContourResult result;
  result.levels = levels.size();
  PrepareInOrder<PreparedContours>(
      levels.size(), WorkerCount(options.threads, levels.size()),
      [&](std::size_t i, PreparedContours& slot) {
        const ContourLevel& level = levels[i];
        CalculateContour(mesh, level.z, slot.contour, index);
        ChainContour(slot.contour, slot.chains);
        for (const std::int32_t k : slot.chains.Points) {
          const TPunkt& p = slot.contour.Points[static_cast<std::size_t>(k)];
          if (!std::isfinite(p.X) || !std::isfinite(p.Y)) {
            throw Error("Die Höhenlinie bei " + level.label +
                        " hat einen Punkt außerhalb des Zahlenbereichs");
          }
        }
        slot.dxf.clear();
        slot.geojson.clear();
        slot.closed = 0;
        const char* layer = level.major ? kMajorContourLayer : kMinorContourLayer;
        for (const TPolyline& line : slot.chains.Lines) {
          const auto pts = slot.chains.PointsOf(line);
          slot.dxf.LwPolyline(layer, level.z, slot.contour.Points, pts, line.closed);
          if (level.major) {
            double x = 0, y = 0, angle = 0;
            PlaceLabel(slot.contour, pts, line.closed, x, y, angle);
            slot.dxf.Text(layer, x, y, level.z, labelHeight, angle, level.label);
          }
          if (options.geojson) {
            slot.geojson.LineString(slot.contour.Points, pts, line.closed, level.z, level.major);
          }
          if (line.closed) ++slot.closed;
        }
      },
      [&](std::size_t i, const PreparedContours& slot) {
        drawing.Write(slot.dxf);
        if (options.geojson) geojson.Write(slot.geojson);
        result.polylines += slot.chains.Lines.size();
        result.closed += slot.closed;
        if (options.levelDone) options.levelDone(i + 1, levels.size());
      });

  // Both files complete before either replaces its target.
  drawing.Finish();
  if (options.geojson) geojson.Finish();
  drawing.Commit();
  result.files.push_back(drawing.Path());
  if (options.geojson) {
    geojson.Commit();
    result.files.push_back(geojson.Path());
  }
  return result;
}

}  // namespace quervik
