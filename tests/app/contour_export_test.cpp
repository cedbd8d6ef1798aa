// The contour export: its levels, its refusals before any file is touched,
// the exact entities and GeoJSON of a small case, the same files for every
// thread count, and the previous files kept when an export fails. The whole
// drawing is read back by ezdxf, GDAL and LibreCAD in contour_readback.py.
#include "app/contour_export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/export_files.h"
#include "app/status_texts.h"
#include "bench/common/generators.h"
#include "core/errors.h"
#include "core/number_format.h"
#include "support/dxf_lines.h"
#include "support/errors.h"
#include "support/meshes.h"
#include "support/temp_dir.h"

namespace quervik {
namespace {

using test::DxfLines;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;
using Lines = std::vector<std::string>;

struct LevelsCase {
  double zmin, zmax, step;
  int major;
  const char* levels;  // the labels, a major level marked by '*'
};

void PrintTo(const LevelsCase& c, std::ostream* os) {
  *os << c.zmin << " … " << c.zmax << " every " << c.step << ", major " << c.major;
}

class ContourLevelsTable : public ::testing::TestWithParam<LevelsCase> {};

TEST_P(ContourLevelsTable, AreTheMultiplesOfTheStepInTheRange) {
  const LevelsCase& c = GetParam();
  std::string levels;
  for (const ContourLevel& l : ContourLevels(c.zmin, c.zmax, c.step, c.major)) {
    EXPECT_EQ(l.z, std::stod(l.label));  // the height is the decimal number on the label
    levels += (levels.empty() ? "" : " ") + l.label + (l.major ? "*" : "");
  }
  EXPECT_EQ(levels, c.levels);
}

INSTANTIATE_TEST_SUITE_P(Ranges, ContourLevelsTable,
                         ::testing::Values(
                             // Not from zmin like the series: 2.5 is no multiple.
                             LevelsCase{2.5, 5.2, 1, 5, "3 4 5*"},
                             LevelsCase{-2.5, 1, 1, 2, "-2* -1 0* 1"},
                             // 3 · 0.1 is 0.30000000000000004; the level is 0.3, and it is in.
                             LevelsCase{0, 0.3, 0.1, 3, "0.0* 0.1 0.2 0.3*"},
                             LevelsCase{101, 110, 2.5, 2, "102.5 105.0* 107.5 110.0*"},
                             LevelsCase{100.2, 100.8, 1, 5, ""}, LevelsCase{0, 0, 1, 1, "0*"}));

TEST(ContourRefusals, BadInputIsRefusedBeforeAnyFileIsTouched) {
  const Mesh m = test::Pyramid();
  SetDecimalSeparator('.');
  struct Case {
    double step;
    int major;
    std::string level;
    std::string text;
  };
  const Case cases[] = {
      {0, 5, "", "Die Schrittweite muss größer als 0 sein"},
      {std::nan(""), 5, "", "Die Schrittweite muss größer als 0 sein"},
      {1e-6, 5, "", "Die Schrittweite ist zu klein: mehr als 1000000 Höhenlinien"},
      {1e-300, 5, "", "Die Schrittweite ist zu klein: mehr als 1000000 Höhenlinien"},
      {1, 0, "", "Der Abstand der Haupthöhenlinien muss mindestens 1 sein"},
      {1, -3, "2", "Der Abstand der Haupthöhenlinien muss mindestens 1 sein"},
      {1, 5, "zwei", "'zwei' ist kein gültiger Gleitkommawert"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    ContourOptions options;
    options.levelText = c.level;
    options.geojson = true;
    EXPECT_EQ(test::ErrorText(
                  [&] { WriteContours(m, nullptr, c.step, c.major, dir / "p.obj", options); }),
              c.text);
    EXPECT_TRUE(dir.Names().empty());
  }
}

TEST(ContourExport, ThePyramidGivesOneClosedRingPerLevel) {
  TempDir dir;
  const ContourResult r = WriteContours(test::Pyramid(), nullptr, 1, 2, dir / "p.obj");
  // Levels 0 … 4: the base outline at 0, rings at 1, 2, 3, nothing at the apex.
  EXPECT_EQ(r.levels, 5u);
  EXPECT_EQ(r.polylines, 4u);
  EXPECT_EQ(r.closed, 4u);
  EXPECT_EQ(r.files, Lines{dir / "Hoehenlinien.dxf"});
  EXPECT_EQ(ContourSummary(r), "4 Polylinien, davon 4 geschlossen");
  EXPECT_EQ(ContourSummary(ContourResult{{}, 1, 1, 0}), "1 Polylinie, davon 0 geschlossen");
}

TEST(ContourExport, OneLevelGivesExactlyTheseEntitiesAndFeatures) {
  TempDir dir;
  SetDecimalSeparator('.');
  ContourOptions options;
  options.levelText = "2";
  options.geojson = true;
  const ContourResult r = WriteContours(test::Pyramid(), nullptr, 1, 2, dir / "p.obj", options);
  EXPECT_EQ(r.files, (Lines{dir / "Hoehenlinie_2.dxf", dir / "Hoehenlinie_2.geojson"}));
  // The ring through the midpoints of the four sides, from the first face's
  // segment on; its label on the middle of its middle segment, turned along
  // it, 1/200 of the pyramid's width high.
  const Lines entities = {
      "  0", "LWPOLYLINE", "  5", "100", "330", "1F", "100", "AcDbEntity", "  8", "HL_MAJOR", "100",
      "AcDbPolyline", " 90", "4", " 70", "1", " 38", "2", " 10", "3", " 20", "1", " 10", "1", " 20",
      "1", " 10", "1", " 20", "3", " 10", "3", " 20", "3",
      //
      "  0", "TEXT", "  5", "101", "330", "1F", "100", "AcDbEntity", "  8", "HL_MAJOR", "100",
      "AcDbText", " 10", "1", " 20", "2", " 30", "2", " 40", "0.02", "  1", "2", " 50", "90", "  7",
      "Standard", " 72", "1", " 11", "1", " 21", "2", " 31", "2", "100", "AcDbText", " 73", "2",
      //
      "  0", "ENDSEC"};
  const Lines lines = DxfLines(ReadFile(dir / "Hoehenlinie_2.dxf"));
  auto at = std::search(lines.begin(), lines.end(), entities.begin(), entities.end());
  EXPECT_NE(at, lines.end()) << "entities not found";
  // The value of group `code` in the header variable `name`.
  auto value = [&](const std::string& name, int code) -> std::string {
    auto k = std::find(lines.begin(), lines.end(), name);
    for (++k; k < lines.end() - 1 && *k != "  9"; k += 2) {
      if (std::stoi(*k) == code) return *(k + 1);
    }
    return {};
  };
  EXPECT_EQ(value("$HANDSEED", 5), "0000000000000102");
  EXPECT_EQ(std::stod(value("$EXTMIN", 10)), 1);
  EXPECT_EQ(std::stod(value("$EXTMIN", 30)), 2);
  EXPECT_EQ(std::stod(value("$EXTMAX", 20)), 3);
  EXPECT_EQ(ReadFile(dir / "Hoehenlinie_2.geojson"),
            "{\"type\":\"FeatureCollection\",\"features\":[\n"
            "{\"type\":\"Feature\",\"properties\":{\"elevation\":2,\"major\":true},"
            "\"geometry\":{\"type\":\"LineString\",\"coordinates\":"
            "[[3,1,2],[1,1,2],[1,3,2],[3,3,2],[3,1,2]]}}\n]}\n");

  options.levelText = "1.5";
  options.geojson = false;
  EXPECT_EQ(WriteContours(test::Pyramid(), nullptr, 1, 2, dir / "p.obj", options).files,
            Lines{dir / "Hoehenlinie_1_5.dxf"});
  EXPECT_NE(ReadFile(dir / "Hoehenlinie_1_5.dxf").find("HL_MINOR\r\n100\r\nAcDbPolyline"),
            std::string::npos);
}

TEST(ContourExport, EveryThreadCountWritesTheSameFiles) {
  const Mesh m = gen::MakeTerrain(120, 90);
  const SectionIndex index = SectionIndex::Build(m);
  std::string dxf[3], geojson[3];
  const unsigned threads[3] = {1, 2, 0};
  for (int k = 0; k < 3; ++k) {
    TempDir dir;
    ContourOptions options;
    options.geojson = true;
    options.threads = threads[k];
    std::size_t done = 0, all = 0;
    options.levelDone = [&](std::size_t i, std::size_t total) {
      EXPECT_EQ(i, ++done);
      all = total;
    };
    const ContourResult r = WriteContours(m, &index, 2, 5, dir / "t.obj", options);
    EXPECT_EQ(done, r.levels);
    EXPECT_EQ(all, r.levels);
    EXPECT_GT(r.polylines, r.levels);
    dxf[k] = ReadFile(dir / "Hoehenlinien.dxf");
    geojson[k] = ReadFile(dir / "Hoehenlinien.geojson");
  }
  EXPECT_TRUE(dxf[0] == dxf[1] && dxf[0] == dxf[2]);
  EXPECT_TRUE(geojson[0] == geojson[1] && geojson[0] == geojson[2]);
}

TEST(ContourExport, AFailedExportKeepsThePreviousFiles) {
  TempDir dir;
  WriteFile(dir / "Hoehenlinien.dxf", "alt");
  // The GeoJSON file cannot be written: a folder has its name.
  std::filesystem::create_directory(dir.path() / "Hoehenlinien.geojson");
  ContourOptions options;
  options.geojson = true;
  EXPECT_EQ(test::ErrorText(
                [&] { WriteContours(test::Pyramid(), nullptr, 1, 5, dir / "p.obj", options); }),
            "Dateizugriff verweigert");
  EXPECT_EQ(ReadFile(dir / "Hoehenlinien.dxf"), "alt");
  EXPECT_EQ(dir.Names(), (Lines{"Hoehenlinien.dxf", "Hoehenlinien.geojson"}));

  // A crossing beyond the range of doubles (at 0 the edge from -1.5e308 to
  // 1.5e308 gives -1.5e308 + inf · 0), found while writing.
  std::filesystem::remove(dir.path() / "Hoehenlinien.geojson");
  WriteFile(dir / "Hoehenlinien.geojson", "alt");
  Mesh huge;
  huge.V = {{}, {-1.5e308, 0, 0}, {1.5e308, 0, 2}, {0, 1, 0}};
  huge.Vn = {{}};
  huge.Fc = {TFace{}, TFace{{1, 2, 3}}};
  ZMinMax(huge);
  huge.version = NewMeshVersion();
  EXPECT_EQ(test::ErrorText([&] { WriteContours(huge, nullptr, 1, 5, dir / "p.obj", options); }),
            "Die Höhenlinie bei 0 hat einen Punkt außerhalb des Zahlenbereichs");
  EXPECT_EQ(ReadFile(dir / "Hoehenlinien.dxf"), "alt");
  EXPECT_EQ(ReadFile(dir / "Hoehenlinien.geojson"), "alt");
  EXPECT_EQ(dir.Names(), (Lines{"Hoehenlinien.dxf", "Hoehenlinien.geojson"}));
}

}  // namespace
}  // namespace quervik
