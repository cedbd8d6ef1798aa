// The exports, byte for byte: the section line, the whole mesh, the crease
// edges and the series (computed in parallel, written in order).
#include "app/dxf_exports.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/export_files.h"
#include "app/series_levels.h"
#include "app/status_texts.h"
#include "bench/common/generators.h"
#include "core/errors.h"
#include "core/number_format.h"
#include "core/progress.h"
#include "dxf/dxf_number.h"
#include "dxf/dxf_writer.h"
#include "support/dxf_lines.h"
#include "support/errors.h"
#include "support/meshes.h"
#include "support/temp_dir.h"

namespace quervik {
namespace {

using test::DxfLine;
using test::DxfLines;
using test::ErrorText;
using test::Framed;
using test::LineRecord;
using test::Pyramid;
using test::PyramidSection;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;
using Lines = std::vector<std::string>;

class DxfExports : public ::testing::Test {
 protected:
  void SetUp() override { SetDecimalSeparator('.'); }
  void TearDown() override { SetDecimalSeparator('.'); }
  TempDir dir;
};

TEST_F(DxfExports, SectionLinesAtTheContourLevelOnTheLevelTextsLayer) {
  TContour contour;
  contour.Level = 3;
  contour.Points = {{1, 2, 7, 0}, {4, 6, -7, 0}, {-1.5, 0.25, 0, 0}};
  contour.Contours = {{0, 1, 0}, {2, 0, 0}, {1, 1, 0}};
  EXPECT_EQ(SchreibDXF(dir / "teil.obj", "   3.000", contour), dir / "S3_000.dxf");
  // The points' own Z is never written; a zero-length segment is. The
  // layer keeps the blanks that the file name leaves out.
  EXPECT_EQ(DxfLines(ReadFile(dir / "S3_000.dxf")),
            Framed({DxfLine("SCHNITT   3.000", 1, 2, 3, 4, 6, 3),
                    DxfLine("SCHNITT   3.000", -1.5, 0.25, 3, 1, 2, 3),
                    DxfLine("SCHNITT   3.000", 4, 6, 3, 4, 6, 3)}));
  EXPECT_EQ(dir.Names(), Lines{"S3_000.dxf"});
}

TEST_F(DxfExports, SectionWithAnEmptyLevelTextAndAnEmptySection) {
  TContour contour;
  SchreibDXF(dir / "teil.obj", "", contour);
  EXPECT_EQ(DxfLines(ReadFile(dir / "S.dxf")), Framed({}));
  contour.Level = 12.5;
  contour.Points = {{0, 0, 0, 0}, {1, 0, 0, 0}};
  contour.Contours = {{0, 1, 0}};
  SchreibDXF(dir / "teil.obj", "12,5", contour);
  EXPECT_EQ(DxfLines(ReadFile(dir / "S12,5.dxf")),
            Framed({DxfLine("SCHNITT12,5", 0, 0, 12.5, 1, 0, 12.5)}));
}

TEST_F(DxfExports, SectionIntoAMissingFolderKeepsNothingOpen) {
  TContour contour;
  EXPECT_EQ(ErrorText([&] { SchreibDXF(dir / "fehlt/teil.obj", "1", contour); }),
            "Ungültiger Dateiname");
  EXPECT_TRUE(dir.Names().empty());
}

TEST_F(DxfExports, MeshOfOneFaceIsItsThreeLinesWithNoneAtTheOrigin) {
  const Mesh m = MakeMesh({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, {TFace{{1, 2, 3}}});
  EXPECT_EQ(WriteMeshDxf(dir / "teil.obj", m), dir / "teil.DXF");
  // x and y exchanged; A-B, A-C, B-C. The placeholder slot writes nothing.
  EXPECT_EQ(DxfLines(ReadFile(dir / "teil.DXF")),
            Framed({DxfLine("FACE", 2, 1, 3, 5, 4, 6), DxfLine("FACE", 2, 1, 3, 8, 7, 9),
                    DxfLine("FACE", 5, 4, 6, 8, 7, 9)}));
}

TEST_F(DxfExports, AnExportOntoItsOwnInputIsRefusedAndTheInputKept) {
  const std::string mesh = "v 0 0 0\nv 4 0 0\nv 2 2 4\nf 1 2 3\n";
  TContour contour;
  contour.Points = {{0, 0, 0, 0}, {1, 0, 0, 0}};
  contour.Contours = {{0, 1, 0}};
  const Mesh m = Pyramid();
  struct Case {
    std::string input;  // the OBJ file, named like the export's target
    std::function<void(const std::string&)> run;
  };
  const Case cases[] = {
      {"teil.DXF", [&](const std::string& obj) { WriteMeshDxf(obj, m); }},
      {"teil", [&](const std::string& obj) { WriteMeshDxf(obj, m); }},
      {"S2.dxf", [&](const std::string& obj) { SchreibDXF(obj, "2", contour); }},
      {"Schnitte.dxf",
       [&](const std::string& obj) { WriteSeriesDxf(obj, m, nullptr, {"   1.000"}); }},
      {"Bruchkanten.dxf",
       [&](const std::string& obj) {
         SchreibBruchkantenDXF(obj, m, {{1, 2}});
       }},
  };
  for (const Case& c : cases) {
    TempDir d;
    WriteFile(d / c.input, mesh);
    // The target of "teil" is a link to it.
    const bool link = c.input == "teil";
    if (link) std::filesystem::create_symlink(d / "teil", d / "teil.DXF");
    EXPECT_EQ(
        ErrorText([&] { c.run(d / c.input); }),
        "Die DXF-Datei würde die OBJ-Datei überschreiben: " + (link ? d / "teil.DXF" : d / c.input))
        << c.input;
    EXPECT_EQ(ReadFile(d / c.input), mesh) << c.input;
    EXPECT_EQ(d.Names().size(), link ? 2u : 1u) << c.input;
  }
}

TEST_F(DxfExports, MeshBeforeAnyLoadIsAnEmptyFile) {
  WriteMeshDxf(dir / "leer", Mesh{});
  EXPECT_EQ(DxfLines(ReadFile(dir / "leer.DXF")), Framed({}));
}

TEST_F(DxfExports, MeshWithAFaceNamingAMissingVertexIsRefusedAndThePreviousFileKept) {
  WriteFile(dir / "teil.DXF", "alt");
  const Mesh m = MakeMesh({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, {TFace{{1, 2, 3}}, TFace{{1, 9, 2}}});
  EXPECT_EQ(ErrorText([&] { WriteMeshDxf(dir / "teil.obj", m); }),
            "Fläche 2 nennt den Eckpunkt 9, den es nicht gibt");
  EXPECT_EQ(ReadFile(dir / "teil.DXF"), "alt");
  EXPECT_EQ(dir.Names(), Lines{"teil.DXF"});
}

TEST_F(DxfExports, MeshWithAnEmptyPathWritesNothing) {
  EXPECT_EQ(ErrorText([&] { WriteMeshDxf("", Pyramid()); }), "Kein Dateiname angegeben");
}

// The window shows CreasesWritingText with the file's name before the
// export and CreasesDoneText after it.
TEST_F(DxfExports, CreaseEdgesFromLowerToHigherVertex) {
  const Mesh m = Pyramid();
  const std::string file = SchreibBruchkantenDXF(dir / "teil.obj", m, {{1, 2}, {2, 5}});
  EXPECT_EQ(file, dir / "Bruchkanten.dxf");
  EXPECT_EQ(BruchkantenDxfFileName(dir / "teil.obj"), file);
  EXPECT_EQ(
      DxfLines(ReadFile(dir / "Bruchkanten.dxf")),
      Framed({DxfLine("Bruchkante", 0, 0, 0, 4, 0, 0), DxfLine("Bruchkante", 4, 0, 0, 2, 2, 4)}));
  EXPECT_EQ(CreasesWritingText(2, file), "2 Kanten gefunden schreibe " + (dir / "Bruchkanten.dxf"));
  EXPECT_EQ(CreasesDoneText(0), "Fertig!");

  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  // Into the working directory.
  EXPECT_EQ(SchreibBruchkantenDXF("teil.obj", m, {}), "Bruchkanten.dxf");
  std::filesystem::current_path(cwd);
  EXPECT_EQ(DxfLines(ReadFile(dir / "Bruchkanten.dxf")), Framed({}));
  EXPECT_EQ(CreasesWritingText(0, BruchkantenDxfFileName("teil.obj")),
            "0 Kanten gefunden schreibe Bruchkanten.dxf");
}

TEST_F(DxfExports, CreaseEdgesThatFailToBeWrittenLeaveNothing) {
  EXPECT_EQ(BruchkantenDxfFileName(dir / "fehlt/teil.obj"), dir / "fehlt/Bruchkanten.dxf");
  EXPECT_EQ(ErrorText([&] {
              SchreibBruchkantenDXF(dir / "fehlt/teil.obj", Pyramid(), {{1, 2}});
            }),
            "Ungültiger Dateiname");
  EXPECT_EQ(ErrorText([&] {
              SchreibBruchkantenDXF(dir / "teil.obj", Pyramid(), {{1, 6}});
            }),
            "Bruchkante 0 nennt den Eckpunkt 6, den es nicht gibt");
  EXPECT_TRUE(dir.Names().empty());
}

TEST_F(DxfExports, SeriesOfThePyramidOneLayerPerLevel) {
  const Mesh m = Pyramid();
  const std::vector<std::string> texts = SeriesLevelTexts(m.zmin, m.zmax, 1);
  ASSERT_EQ(texts, (Lines{"   0.000", "   1.000", "   2.000", "   3.000", "   4.000"}));
  std::vector<std::string> done;
  std::vector<double> levels;
  const auto caller = std::this_thread::get_id();
  bool onCaller = true;
  const std::string file = WriteSeriesDxf(
      dir / "teil.obj", m, nullptr, texts, [&](const std::string& text, const TContour& c) {
        done.push_back(text);
        levels.push_back(c.Level);
        onCaller = onCaller && std::this_thread::get_id() == caller;
      });
  EXPECT_EQ(file, dir / "Schnitte.dxf");
  std::vector<Lines> expected;
  for (int h = 0; h < 4; ++h) {
    for (Lines& l : PyramidSection("S   " + std::to_string(h) + ".000d", h)) expected.push_back(l);
  }
  // The apex level cuts nothing and leaves no trace.
  EXPECT_EQ(DxfLines(ReadFile(dir / "Schnitte.dxf")), Framed(expected));
  EXPECT_EQ(done, texts);
  EXPECT_EQ(levels, (std::vector<double>{0, 1, 2, 3, 4}));
  EXPECT_TRUE(onCaller);
}

TEST_F(DxfExports, SeriesLevelsAreTheirTextsReadBack) {
  const Mesh m = Pyramid();
  // Each level is cut at its text read back, on the layer the text names.
  WriteSeriesDxf(dir / "teil.obj", m, nullptr, {"   1.250", "  2"});
  std::vector<Lines> expected = PyramidSection("S   1.250d", 1.25);
  for (Lines& l : PyramidSection("S  2d", 2)) expected.push_back(l);
  EXPECT_EQ(DxfLines(ReadFile(dir / "Schnitte.dxf")), Framed(expected));

  SetDecimalSeparator(',');
  WriteSeriesDxf(dir / "teil.obj", m, nullptr, SeriesLevelTexts(2.5, 2.6, 0.5));
  EXPECT_EQ(DxfLines(ReadFile(dir / "Schnitte.dxf")), Framed(PyramidSection("S   2,500d", 2.5)));
}

TEST_F(DxfExports, SeriesWithATextThatIsNoNumberWritesNothing) {
  WriteFile(dir / "Schnitte.dxf", "alt");
  EXPECT_EQ(ErrorText([&] {
              WriteSeriesDxf(dir / "teil.obj", Pyramid(), nullptr, {"   1.000", "abc"});
            }),
            "'abc' ist kein gültiger Gleitkommawert");
  EXPECT_EQ(ReadFile(dir / "Schnitte.dxf"), "alt");
  SetDecimalSeparator(',');
  EXPECT_EQ(ErrorText([&] { WriteSeriesDxf(dir / "teil.obj", Pyramid(), nullptr, {"   1.000"}); }),
            "'   1.000' ist kein gültiger Gleitkommawert");
  EXPECT_EQ(dir.Names(), Lines{"Schnitte.dxf"});
}

TEST_F(DxfExports, SeriesStoppedByTheCallerKeepsThePreviousFile) {
  WriteFile(dir / "Schnitte.dxf", "alt");
  const Mesh m = gen::MakeTerrain(20, 20);
  const std::vector<std::string> texts = SeriesLevelTexts(m.zmin, m.zmax, 0.5);
  int calls = 0;
  EXPECT_THROW(WriteSeriesDxf(dir / "teil.obj", m, nullptr, texts,
                              [&](const std::string&, const TContour&) {
                                if (++calls == 7) throw std::runtime_error("abgebrochen");
                              }),
               std::runtime_error);
  EXPECT_EQ(calls, 7);
  EXPECT_EQ(ReadFile(dir / "Schnitte.dxf"), "alt");
  EXPECT_EQ(dir.Names(), Lines{"Schnitte.dxf"});
}

TEST_F(DxfExports, SeriesIsTheSameFileForEveryThreadCountAndWithTheIndex) {
  const Mesh m = gen::MakeTerrain(40, 30);
  const SectionIndex index = SectionIndex::Build(m);
  const std::vector<std::string> texts = SeriesLevelTexts(m.zmin, m.zmax, 0.125);
  ASSERT_GT(texts.size(), 100u);

  // The reference: one section after another, written as the window does.
  DxfWriter ref;
  ref.DXFFileName = dir / "ref.dxf";
  ref.DXFOpen();
  size_t lines = 0;
  for (const std::string& t : texts) {
    TContour c;
    CalculateContour(m, StrToFloat(t), c);
    for (const TLine& l : c.Contours) {
      const TPunkt& P = c.Points[static_cast<size_t>(l.sp)];
      const TPunkt& Q = c.Points[static_cast<size_t>(l.ep)];
      ref.DXFLinie(P.X, P.Y, c.Level, Q.X, Q.Y, c.Level, "S" + t + "d", "CONTINUOUS");
      ++lines;
    }
  }
  ref.DXFClose();
  ASSERT_GT(lines, 1000u);
  const std::string expected = ReadFile(dir / "ref.dxf");

  for (unsigned threads : {1u, 2u, 3u, 8u, 0u}) {
    for (const SectionIndex* ix : {static_cast<const SectionIndex*>(nullptr), &index}) {
      size_t calls = 0;
      ExportSettings settings;
      settings.threads = threads;
      WriteSeriesDxf(
          dir / "teil.obj", m, ix, texts,
          [&](const std::string& t, const TContour&) { EXPECT_EQ(t, texts[calls++]); }, settings);
      EXPECT_EQ(calls, texts.size());
      EXPECT_TRUE(ReadFile(dir / "Schnitte.dxf") == expected)
          << threads << " threads, index " << (ix != nullptr);
      // Without levelDone each worker reuses one section for its levels.
      WriteSeriesDxf(dir / "teil.obj", m, ix, texts, {}, settings);
      EXPECT_TRUE(ReadFile(dir / "Schnitte.dxf") == expected)
          << threads << " threads, index " << (ix != nullptr) << ", no levelDone";
    }
  }
}

// Each export knows its size before it opens the file: on a disk one byte
// too small it fails at once with the full disk's error and leaves the
// previous file; with exactly enough room it writes. The series counts its
// segments when the bound from the index is too large.
TEST_F(DxfExports, AFileTheDiskCannotHoldIsRefusedBeforeWriting) {
  const Mesh pyramid = Pyramid();
  const Mesh terrain = gen::MakeTerrain(30, 30);
  const SectionIndex index = SectionIndex::Build(terrain);
  const std::vector<std::string> levels = SeriesLevelTexts(terrain.zmin, terrain.zmax, 0.25);
  TContour contour;
  CalculateContour(pyramid, 1, contour);
  struct Case {
    std::string file;
    std::function<void()> run;
  };
  const std::string obj = dir / "teil.obj";
  std::uintmax_t room = UINTMAX_MAX;
  ExportSettings small;
  small.freeSpace = [&](const std::string&) { return std::optional<std::uintmax_t>(room); };
  const Case cases[] = {
      {"S1.dxf", [&] { SchreibDXF(obj, "1", contour, small); }},
      {"teil.DXF", [&] { WriteMeshDxf(obj, pyramid, small); }},
      {"Bruchkanten.dxf",
       [&] {
         SchreibBruchkantenDXF(obj, pyramid, {{1, 2}, {2, 5}}, small);
       }},
      {"Schnitte.dxf", [&] { WriteSeriesDxf(obj, terrain, &index, levels, {}, small); }},
      {"Schnitte.dxf", [&] { WriteSeriesDxf(obj, terrain, nullptr, levels, {}, small); }},
  };
  for (const Case& c : cases) {
    room = UINTMAX_MAX;
    c.run();
    const std::string written = ReadFile(dir / c.file);
    ASSERT_GT(written.size(), 52u) << c.file;
    room = written.size() - 1;
    EXPECT_EQ(ErrorText(c.run), "E/A-Fehler 28") << c.file;
    EXPECT_TRUE(ReadFile(dir / c.file) == written) << c.file;
    room = written.size();
    c.run();
    EXPECT_TRUE(ReadFile(dir / c.file) == written) << c.file;
  }
  EXPECT_EQ(dir.Names(), (Lines{"Bruchkanten.dxf", "S1.dxf", "Schnitte.dxf", "teil.DXF"}));
}

// Every export reports (0, total) first, never goes back, and ends with
// (total, total) before its file replaces the target; a progress function
// that throws Cancelled there, or on its way, stops the export with the
// previous file as it was and no temporary file.
TEST_F(DxfExports, ProgressOfEveryExportAndCancelKeepThePreviousFile) {
  const Mesh terrain = gen::MakeTerrain(100, 100);  // 20,000 faces: a step on the way
  const Mesh pyramid = Pyramid();
  TContour contour;
  CalculateContour(pyramid, 1, contour);
  const std::string obj = dir / "teil.obj";
  const std::vector<std::string> levels = SeriesLevelTexts(terrain.zmin, terrain.zmax, 5);
  ExportSettings one, two;
  one.threads = 1;
  two.threads = 2;
  struct Case {
    std::string file;
    std::size_t total;
    std::size_t calls;  // the mesh: one on the way, every 16384 faces; the series: per level
    std::function<void(const ProgressFn&)> run;
  };
  const std::size_t n = levels.size();
  const Case cases[] = {
      {"S1.dxf", 4, 2, [&](const ProgressFn& p) { SchreibDXF(obj, "1", contour, {}, p); }},
      {"teil.DXF", 20000, 3, [&](const ProgressFn& p) { WriteMeshDxf(obj, terrain, {}, p); }},
      {"Bruchkanten.dxf", 3, 2,
       [&](const ProgressFn& p) {
         SchreibBruchkantenDXF(obj, pyramid, {{1, 2}, {2, 5}, {3, 4}}, {}, p);
       }},
      {"Schnitte.dxf", n, n + 1,
       [&](const ProgressFn& p) { WriteSeriesDxf(obj, terrain, nullptr, levels, {}, one, p); }},
      {"Schnitte.dxf", n, n + 1,
       [&](const ProgressFn& p) { WriteSeriesDxf(obj, terrain, nullptr, levels, {}, two, p); }},
  };
  const auto caller = std::this_thread::get_id();
  for (const Case& c : cases) {
    std::vector<std::pair<std::size_t, std::size_t>> calls;
    c.run([&](std::size_t done, std::size_t total) {
      EXPECT_EQ(std::this_thread::get_id(), caller);
      calls.emplace_back(done, total);
    });
    const std::string written = ReadFile(dir / c.file);
    ASSERT_EQ(calls.size(), c.calls) << c.file;
    EXPECT_EQ(calls.front(), std::make_pair(std::size_t{0}, c.total)) << c.file;
    EXPECT_EQ(calls.back(), std::make_pair(c.total, c.total)) << c.file;
    for (std::size_t k = 1; k < calls.size(); ++k) {
      EXPECT_LE(calls[k - 1].first, calls[k].first) << c.file;
      EXPECT_EQ(calls[k].second, c.total) << c.file;
    }
    // Stopped at the last call, with every byte written, and at one on the way.
    for (const std::size_t stopAt : {calls.size() - 1, calls.size() / 2}) {
      WriteFile(dir / c.file, "alt");
      std::size_t seen = 0;
      EXPECT_EQ(ErrorText([&] {
                  c.run([&](std::size_t, std::size_t) {
                    if (seen++ == stopAt) throw Cancelled();
                  });
                }),
                "Abgebrochen")
          << c.file;
      EXPECT_EQ(seen, stopAt + 1) << c.file;
      EXPECT_EQ(ReadFile(dir / c.file), "alt") << c.file;
    }
    std::filesystem::remove(dir / c.file);
    EXPECT_TRUE(dir.Names().empty()) << c.file;
  }
}

// The series measured without its file: the same work, no file touched.
TEST_F(DxfExports, ASeriesWithItsBytesDiscardedTouchesNoFile) {
  WriteFile(dir / "Schnitte.dxf", "alt");
  ExportSettings discard;
  discard.discardBytes = true;
  const Mesh m = gen::MakeTerrain(20, 20);
  std::size_t levels = 0;
  EXPECT_EQ(WriteSeriesDxf(
                dir / "teil.obj", m, nullptr, SeriesLevelTexts(m.zmin, m.zmax, 1),
                [&](const std::string&, const TContour&) { ++levels; }, discard),
            dir / "Schnitte.dxf");
  EXPECT_GT(levels, 10u);
  EXPECT_EQ(ReadFile(dir / "Schnitte.dxf"), "alt");
  EXPECT_EQ(dir.Names(), Lines{"Schnitte.dxf"});
}

TEST_F(DxfExports, SeriesIntoAMissingFolderIsRefused) {
  EXPECT_EQ(
      ErrorText([&] { WriteSeriesDxf(dir / "fehlt/teil.obj", Pyramid(), nullptr, {"   1.000"}); }),
      "Ungültiger Dateiname");
}

}  // namespace
}  // namespace quervik
