// quervik-batch run as a program: each command on small OBJ files in a
// temporary folder, its output, its files, its exit status and its German
// error texts.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../dxf/dxf_test_support.h"
#include "core/number_format.h"
#include "dxf/dxf_exports.h"
#include "model/obj_reader.h"

extern char** environ;

namespace quervik {
namespace {

using test::DxfLines;
using test::Framed;
using test::LineRecord;
using test::ReadFile;
using test::TempDir;
using Lines = std::vector<std::string>;

struct Outcome {
  int status = -1;  // exit status, -1 when the tool did not exit normally
  std::string out;
  std::string err;
};

class QuervikBatch : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"dxf_pyramid.obj", "dxf_pyramid_comma.obj", "dxf_plateau.obj"}) {
      std::filesystem::copy_file(std::string(QUERVIK_TEST_DATA) + "/" + name, dir / name);
    }
  }

  Outcome Batch(const Lines& args) {
    std::vector<std::string> argv{QUERVIK_BATCH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargv;
    for (std::string& a : argv) cargv.push_back(a.data());
    cargv.push_back(nullptr);
    const std::string out = io / "out", err = io / "err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    Outcome r;
    const int rc = posix_spawn(&pid, cargv[0], &actions, nullptr, cargv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
      ADD_FAILURE() << "cannot start " << cargv[0];
      return r;
    }
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    if (WIFEXITED(wstatus)) r.status = WEXITSTATUS(wstatus);
    r.out = ReadFile(out);
    r.err = ReadFile(err);
    return r;
  }

  std::string Obj(const std::string& name) const { return dir / name; }

  TempDir dir;  // the OBJ files and the DXF files beside them
  TempDir io;   // the tool's stdout and stderr
};

Lines Line(const std::string& layer, double x1, double y1, double z1, double x2, double y2,
           double z2) {
  return LineRecord(layer, FormatDxfReal(x1), FormatDxfReal(y1), FormatDxfReal(z1),
                    FormatDxfReal(x2), FormatDxfReal(y2), FormatDxfReal(z2));
}

// The section of dxf_pyramid.obj at height h < 4: the square of half side
// 2 - h/2 about (2, 2), one segment per side face.
std::vector<Lines> PyramidSection(const std::string& layer, double h) {
  const double s = 2 - h / 2, lo = 2 - s, hi = 2 + s;
  return {Line(layer, hi, lo, h, lo, lo, h), Line(layer, hi, hi, h, hi, lo, h),
          Line(layer, lo, hi, h, hi, hi, h), Line(layer, lo, lo, h, lo, hi, h)};
}

TEST_F(QuervikBatch, HelpNamesEveryCommand) {
  const Outcome r = Batch({"--help"});
  EXPECT_EQ(r.status, 0);
  for (const char* cmd : {"section", "series", "mesh", "info", "creases"}) {
    EXPECT_NE(r.out.find(cmd), std::string::npos) << cmd;
  }
  EXPECT_NE(Batch({}).status, 0);
  EXPECT_NE(Batch({"schneiden", Obj("dxf_pyramid.obj")}).status, 0);
  EXPECT_NE(Batch({"section", Obj("dxf_pyramid.obj")}).status, 0);  // LEVEL missing
}

TEST_F(QuervikBatch, InfoPrintsTheCountsTheRangeAndASection) {
  Outcome r = Batch({"info", Obj("dxf_pyramid.obj")});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "6 Vertices 1 Verticenormals 7 Faces geladen\nSchnitthöhe 0.000 - 4.000\n");
  EXPECT_EQ(r.err, "");
  r = Batch({"info", Obj("dxf_pyramid.obj"), "--level", "2"});
  EXPECT_EQ(r.out,
            "6 Vertices 1 Verticenormals 7 Faces geladen\nSchnitthöhe 0.000 - 4.000\n"
            "Fertig: Schnittlinie 4 Punkte 4 Linien\n     0\n");
  // A face entirely above the level: (5 - 2) * area 2 = 6.
  r = Batch({"info", Obj("dxf_plateau.obj"), "--level", "2"});
  EXPECT_EQ(r.out,
            "4 Vertices 2 Verticenormals 2 Faces geladen\nSchnitthöhe 5.000 - 5.000\n"
            "Fertig: Schnittlinie 0 Punkte 0 Linien\n     6\n");
  EXPECT_EQ(dir.Names(), (Lines{"dxf_plateau.obj", "dxf_pyramid.obj", "dxf_pyramid_comma.obj"}));
}

TEST_F(QuervikBatch, SectionWritesTheFileTheWindowWrites) {
  const Outcome r = Batch({"section", Obj("dxf_pyramid.obj"), "2"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, dir / "S2.dxf\n");
  EXPECT_EQ(DxfLines(ReadFile(dir / "S2.dxf")), Framed(PyramidSection("SCHNITT2", 2)));

  // The window's road: load, cut at the level text, SchreibDXF.
  TempDir other;
  std::filesystem::copy_file(Obj("dxf_pyramid.obj"), other / "dxf_pyramid.obj");
  SetDecimalSeparator('.');
  const Mesh m = ReadMesh(other / "dxf_pyramid.obj");
  TContour c;
  CalculateContour(m, StrToFloat("2"), c);
  DxfWriter w;
  SchreibDXF(w, other / "dxf_pyramid.obj", "2", c);
  EXPECT_EQ(ReadFile(other / "S2.dxf"), ReadFile(dir / "S2.dxf"));
}

TEST_F(QuervikBatch, SectionLevelTextNamesFileAndLayer) {
  Outcome r = Batch({"section", Obj("dxf_pyramid.obj"), "   3.000"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(DxfLines(ReadFile(dir / "S   3_000.dxf")),
            Framed(PyramidSection("SCHNITT   3.000", 3)));
  // A negative level is a value, not an option; below the mesh nothing is cut.
  r = Batch({"section", Obj("dxf_pyramid.obj"), "-1"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(DxfLines(ReadFile(dir / "S-1.dxf")), Framed({}));
}

TEST_F(QuervikBatch, SectionFailuresAreGermanAndWriteNothing) {
  Outcome r = Batch({"section", Obj("dxf_pyramid.obj"), "abc"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "'abc' ist kein gültiger Gleitkommawert\n");
  EXPECT_EQ(r.out, "");
  r = Batch({"section", dir / "fehlt.obj", "2"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Datei nicht gefunden\n");
  r = Batch({"mesh", dir / "kein/ordner.obj"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Ungültiger Dateiname\n");
  EXPECT_EQ(dir.Names(), (Lines{"dxf_plateau.obj", "dxf_pyramid.obj", "dxf_pyramid_comma.obj"}));
}

TEST_F(QuervikBatch, SeriesOverTheMeshesRange) {
  const Outcome r = Batch({"series", Obj("dxf_pyramid.obj"), "1"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, dir / "Schnitte.dxf\n");
  std::vector<Lines> expected;
  for (int h = 0; h < 4; ++h) {
    for (Lines& l : PyramidSection("S   " + std::to_string(h) + ".000d", h)) expected.push_back(l);
  }
  EXPECT_EQ(DxfLines(ReadFile(dir / "Schnitte.dxf")), Framed(expected));
}

TEST_F(QuervikBatch, SeriesRefusesABadStepBeforeWriting) {
  for (const char* step : {"0", "-1", "0.0"}) {
    const Outcome r = Batch({"series", Obj("dxf_pyramid.obj"), step});
    EXPECT_EQ(r.status, 1) << step;
    EXPECT_EQ(r.err, "Die Schrittweite muss größer als 0 sein\n") << step;
  }
  Outcome r = Batch({"series", Obj("dxf_pyramid.obj"), "1e-9"});
  EXPECT_EQ(r.err, "Die Schrittweite ist zu klein: mehr als 1000000 Schnitte\n");
  r = Batch({"series", Obj("dxf_pyramid.obj"), "eins"});
  EXPECT_EQ(r.err, "'eins' ist kein gültiger Gleitkommawert\n");
  EXPECT_EQ(dir.Names(), (Lines{"dxf_plateau.obj", "dxf_pyramid.obj", "dxf_pyramid_comma.obj"}));
}

TEST_F(QuervikBatch, MeshExportBesideTheObjFile) {
  Outcome r = Batch({"mesh", Obj("dxf_pyramid.obj")});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, dir / "dxf_pyramid.DXF\n");
  const Lines lines = DxfLines(ReadFile(dir / "dxf_pyramid.DXF"));
  ASSERT_EQ(lines.size(), 8 + 21 * 18u);  // 3 lines for each of the 7 face slots
  // Face 1 (1, 2, 5), its first line A-B with x and y exchanged.
  const Lines ab = Line("FACE", 0, 0, 0, 0, 4, 0);
  EXPECT_EQ(Lines(lines.begin() + 4 + 3 * 18, lines.begin() + 4 + 4 * 18), ab);

  // A folder in the way of the file: nothing is destroyed.
  std::filesystem::remove(dir / "dxf_pyramid.DXF");
  std::filesystem::create_directories(dir.path() / "dxf_pyramid.DXF" / "drin");
  r = Batch({"mesh", Obj("dxf_pyramid.obj")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Dateizugriff verweigert\n");
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "dxf_pyramid.DXF" / "drin"));
}

TEST_F(QuervikBatch, CreaseEdgesAboveTheAngle) {
  Outcome r = Batch({"creases", Obj("dxf_pyramid.obj"), "30"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, dir / "Bruchkanten.dxf\n");
  // The sides meet at about 78.5 degrees, sides and base at about 116.6;
  // the base diagonal is flat. Found face by face, lower vertex first.
  EXPECT_EQ(DxfLines(ReadFile(dir / "Bruchkanten.dxf")),
            Framed({Line("Bruchkante", 0, 0, 0, 4, 0, 0), Line("Bruchkante", 0, 0, 0, 2, 2, 4),
                    Line("Bruchkante", 4, 0, 0, 2, 2, 4), Line("Bruchkante", 4, 0, 0, 4, 4, 0),
                    Line("Bruchkante", 4, 4, 0, 2, 2, 4), Line("Bruchkante", 4, 4, 0, 0, 4, 0),
                    Line("Bruchkante", 0, 4, 0, 2, 2, 4), Line("Bruchkante", 0, 0, 0, 0, 4, 0)}));
  r = Batch({"creases", Obj("dxf_pyramid.obj"), "85"});
  EXPECT_EQ(DxfLines(ReadFile(dir / "Bruchkanten.dxf")).size(), 8 + 4 * 18u);
  r = Batch({"creases", Obj("dxf_pyramid.obj"), "30,5"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "'30,5' ist kein gültiger Gleitkommawert\n");
}

TEST_F(QuervikBatch, ACommaFileTakesCommaNumbers) {
  Outcome r = Batch({"info", Obj("dxf_pyramid_comma.obj"), "--level", "2,0"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "6 Vertices 1 Verticenormals 7 Faces geladen\nSchnitthöhe 0,000 - 4,000\n"
            "Fertig: Schnittlinie 4 Punkte 4 Linien\n     0\n");
  r = Batch({"section", Obj("dxf_pyramid_comma.obj"), "2,5"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, dir / "S2,5.dxf\n");
  EXPECT_EQ(DxfLines(ReadFile(dir / "S2,5.dxf")), Framed(PyramidSection("SCHNITT2,5", 2.5)));
  r = Batch({"section", Obj("dxf_pyramid_comma.obj"), "2.5"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "'2.5' ist kein gültiger Gleitkommawert\n");
  r = Batch({"series", Obj("dxf_pyramid_comma.obj"), "1,5"});
  EXPECT_EQ(r.status, 0) << r.err;
  std::vector<Lines> expected = PyramidSection("S   0,000d", 0);
  for (Lines& l : PyramidSection("S   1,500d", 1.5)) expected.push_back(l);
  for (Lines& l : PyramidSection("S   3,000d", 3)) expected.push_back(l);
  EXPECT_EQ(DxfLines(ReadFile(dir / "Schnitte.dxf")), Framed(expected));
}

// A coordinate read as 0 is reported on stderr (after the count line of
// "info"); the command still does its work and ends with status 0.
TEST_F(QuervikBatch, UnreadableCoordinatesAreReportedOnStderr) {
  test::WriteFile(dir / "luecke.obj", "v 0 0 0\nv 4 0\nv 0 4 4\nf 1 2 3\n");
  const std::string warning =
      "1 Koordinate fehlt oder ist keine gültige Zahl und wurde als 0 gelesen (Zeile 2)\n";
  Outcome r = Batch({"info", dir / "luecke.obj"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "4 Vertices 1 Verticenormals 2 Faces geladen\nSchnitthöhe 0.000 - 4.000\n");
  EXPECT_EQ(r.err, warning);
  r = Batch({"section", dir / "luecke.obj", "2"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, dir / "S2.dxf\n");
  EXPECT_EQ(r.err, warning);
}

TEST_F(QuervikBatch, FileWithoutFacesIsRefused) {
  test::WriteFile(dir / "punkte.obj", "v 0 0 0\nv 4 0 0\n");
  const Outcome r = Batch({"mesh", dir / "punkte.obj"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "Die Datei '" + dir / "punkte.obj" +
                       "' enthält keine Flächen und ist kein Dreiecksnetz im OBJ-Format\n");
  EXPECT_EQ(dir.Names(),
            (Lines{"dxf_plateau.obj", "dxf_pyramid.obj", "dxf_pyramid_comma.obj", "punkte.obj"}));
}

}  // namespace
}  // namespace quervik
