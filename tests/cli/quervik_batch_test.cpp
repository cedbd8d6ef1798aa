// quervik-batch run as a program: each command on small OBJ files in a
// temporary folder, its output, its files, its exit status and its German
// error texts.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "app/dxf_exports.h"
#include "core/number_format.h"
#include "dxf/dxf_number.h"
#include "model/obj_reader.h"
#include "support/dxf_lines.h"
#include "support/program.h"
#include "support/temp_dir.h"

namespace quervik {
namespace {

using test::DxfLine;
using test::DxfLines;
using test::Framed;
using test::LineRecord;
using test::PyramidSection;
using test::ReadFile;
using test::TempDir;
using Lines = std::vector<std::string>;

using test::Outcome;

class QuervikBatch : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"dxf_pyramid.obj", "dxf_pyramid_comma.obj", "dxf_plateau.obj"}) {
      std::filesystem::copy_file(std::string(QUERVIK_TEST_DATA) + "/" + name, dir / name);
    }
  }

  // The tool with its output into files; `fileSizeLimit` limits the size
  // of the files it writes, as `ulimit -f` does.
  pid_t Start(const Lines& args, rlim_t fileSizeLimit = RLIM_INFINITY) {
    const pid_t pid = tool.Start(args, {}, fileSizeLimit);
    if (pid < 0) ADD_FAILURE() << "cannot start " << QUERVIK_BATCH;
    return pid;
  }
  Outcome Finish(pid_t pid) { return tool.Finish(pid); }
  Outcome Batch(const Lines& args) { return Finish(Start(args)); }

  std::string Obj(const std::string& name) const { return dir / name; }

  TempDir dir;  // the OBJ files and the DXF files beside them
  test::Program tool{QUERVIK_BATCH};
};

TEST_F(QuervikBatch, HelpNamesEveryCommand) {
  const Outcome r = Batch({"--help"});
  EXPECT_EQ(r.status, 0);
  for (const char* cmd : {"section", "series", "mesh", "info", "creases", "volume", "curve"}) {
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
  SchreibDXF(other / "dxf_pyramid.obj", "2", c);
  EXPECT_EQ(ReadFile(other / "S2.dxf"), ReadFile(dir / "S2.dxf"));
}

TEST_F(QuervikBatch, SectionLevelTextNamesFileAndLayer) {
  // Blanks around the level stay out of the file name, as in the window,
  // and keep their place in the layer.
  Outcome r = Batch({"section", Obj("dxf_pyramid.obj"), "   3.000"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, dir / "S3_000.dxf\n");
  EXPECT_EQ(DxfLines(ReadFile(dir / "S3_000.dxf")), Framed(PyramidSection("SCHNITT   3.000", 3)));
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
  EXPECT_EQ(r.err,
            "Die Schrittweite ist zu klein: zwei Schnitte kämen auf denselben Layer "
            "'S   0.000d'\n");
  r = Batch({"series", Obj("dxf_pyramid.obj"), "eins"});
  EXPECT_EQ(r.err, "'eins' ist kein gültiger Gleitkommawert\n");
  EXPECT_EQ(dir.Names(), (Lines{"dxf_plateau.obj", "dxf_pyramid.obj", "dxf_pyramid_comma.obj"}));
}

// The reported case: a few thousand faces spanning the whole height range
// give a series of a million levels and hundreds of gigabytes. It is
// refused at once with the full disk's error, and no file is touched. (The
// file-size limit only keeps a tool that starts writing from filling the
// disk.)
TEST_F(QuervikBatch, ASeriesLargerThanTheDiskIsRefusedAtOnce) {
  struct statvfs fs {};
  ASSERT_EQ(statvfs(dir.path().c_str(), &fs), 0);
  const double room = static_cast<double>(fs.f_bfree) * static_cast<double>(fs.f_frsize);
  // Each face gives a line of at least 225 bytes on each of 999,999 levels.
  const auto faces = std::max(3200.0, room / (999999.0 * 225) + 1);
  std::string obj = "v 0 0 0\nv 1 0 999999\nv 0 1 0\n";
  for (double f = 0; f < faces; ++f) obj += "f 1 2 3\n";
  test::WriteFile(dir / "wand.obj", obj);
  const Outcome r = Finish(Start({"series", dir / "wand.obj", "1"}, 1 << 20));
  EXPECT_EQ(r.status, 1) << "signal " << r.signal;
  EXPECT_EQ(r.err, "E/A-Fehler 28\n");
  EXPECT_EQ(dir.Names(),
            (Lines{"dxf_plateau.obj", "dxf_pyramid.obj", "dxf_pyramid_comma.obj", "wand.obj"}));
}

// Stopped by a file-size limit, the tool says so and keeps the old file.
TEST_F(QuervikBatch, AFileSizeLimitIsAnErrorAndLeavesNothingBehind) {
  test::WriteFile(dir / "dxf_pyramid.DXF", "alt");
  const Outcome r = Finish(Start({"mesh", Obj("dxf_pyramid.obj")}, 1000));
  EXPECT_EQ(r.signal, 0);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "E/A-Fehler 27\n");
  EXPECT_EQ(ReadFile(dir / "dxf_pyramid.DXF"), "alt");
  EXPECT_EQ(dir.Names(), (Lines{"dxf_plateau.obj", "dxf_pyramid.DXF", "dxf_pyramid.obj",
                                "dxf_pyramid_comma.obj"}));
}

// Ctrl-C or SIGTERM while the mesh is written: the process ends by the
// signal, the temporary file is gone and the old file is kept. The signal is
// sent as soon as the temporary file shows up; the export of 300,000 faces
// (about 200 MB) lasts far longer than that.
TEST_F(QuervikBatch, InterruptedExportsLeaveNothingBehind) {
  std::string obj = "v 0 0 0\nv 1 0 0\nv 0 1 1\n";
  for (int f = 0; f < 300000; ++f) obj += "f 1 2 3\n";
  test::WriteFile(dir / "netz.obj", obj);
  for (const int sig : {SIGINT, SIGTERM}) {
    test::WriteFile(dir / "netz.DXF", "alt");
    const pid_t pid = Start({"mesh", dir / "netz.obj"});
    bool sent = false;
    auto running = [pid] {
      siginfo_t info{};
      return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
             info.si_pid == 0;
    };
    while (!sent && running()) {
      for (const std::string& name : dir.Names()) {
        if (name.rfind("netz.DXF.", 0) == 0) sent = kill(pid, sig) == 0;
      }
      if (!sent) usleep(1000);
    }
    const Outcome r = Finish(pid);
    ASSERT_TRUE(sent) << "the export ended before the signal: " << r.out << r.err;
    EXPECT_EQ(r.signal, sig);
    EXPECT_EQ(ReadFile(dir / "netz.DXF"), "alt");
    EXPECT_EQ(dir.Names(), (Lines{"dxf_plateau.obj", "dxf_pyramid.obj", "dxf_pyramid_comma.obj",
                                  "netz.DXF", "netz.obj"}));
  }
}

TEST_F(QuervikBatch, MeshExportBesideTheObjFile) {
  Outcome r = Batch({"mesh", Obj("dxf_pyramid.obj")});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, dir / "dxf_pyramid.DXF\n");
  const Lines lines = DxfLines(ReadFile(dir / "dxf_pyramid.DXF"));
  ASSERT_EQ(lines.size(), 8 + 18 * 18u);  // 3 lines for each of the 6 faces
  // Face 1 (1, 2, 5) comes first, its first line A-B with x and y exchanged.
  const Lines ab = DxfLine("FACE", 0, 0, 0, 0, 4, 0);
  EXPECT_EQ(Lines(lines.begin() + 4, lines.begin() + 4 + 18), ab);

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
  EXPECT_EQ(
      DxfLines(ReadFile(dir / "Bruchkanten.dxf")),
      Framed({DxfLine("Bruchkante", 0, 0, 0, 4, 0, 0), DxfLine("Bruchkante", 0, 0, 0, 2, 2, 4),
              DxfLine("Bruchkante", 4, 0, 0, 2, 2, 4), DxfLine("Bruchkante", 4, 0, 0, 4, 4, 0),
              DxfLine("Bruchkante", 4, 4, 0, 2, 2, 4), DxfLine("Bruchkante", 4, 4, 0, 0, 4, 0),
              DxfLine("Bruchkante", 0, 4, 0, 2, 2, 4), DxfLine("Bruchkante", 0, 0, 0, 0, 4, 0)}));
  r = Batch({"creases", Obj("dxf_pyramid.obj"), "85"});
  EXPECT_EQ(DxfLines(ReadFile(dir / "Bruchkanten.dxf")).size(), 8 + 4 * 18u);
  r = Batch({"creases", Obj("dxf_pyramid.obj"), "30,5"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "'30,5' ist kein gültiger Gleitkommawert\n");
}

TEST_F(QuervikBatch, CreaseEdgesSkipFacesWithoutAreaAndRefuseAnglesBeyond180) {
  // The pyramid with a face naming a vertex twice and one with its corners
  // on the base edge 1-2: the same crease edges, and a word about the two.
  test::WriteFile(dir / "flach.obj",
                  ReadFile(Obj("dxf_pyramid.obj")) + "v 2 0 0\nf 1 2 2\nf 1 6 2\n");
  Outcome r = Batch({"creases", dir / "flach.obj", "30"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, dir / "Bruchkanten.dxf\n2 Faces ohne Fläche übersprungen\n");
  const std::string skipped = ReadFile(dir / "Bruchkanten.dxf");
  r = Batch({"creases", Obj("dxf_pyramid.obj"), "30"});
  EXPECT_EQ(r.out, dir / "Bruchkanten.dxf\n");
  EXPECT_EQ(ReadFile(dir / "Bruchkanten.dxf"), skipped);

  for (const char* angle : {"0", "360", "-30"}) {
    r = Batch({"creases", Obj("dxf_pyramid.obj"), angle});
    EXPECT_EQ(r.status, 1) << angle;
    EXPECT_EQ(r.err, "Der Kantenwinkel muss größer als 0° und höchstens 180° sein\n") << angle;
    EXPECT_EQ(ReadFile(dir / "Bruchkanten.dxf"), skipped) << angle;
  }
}

TEST_F(QuervikBatch, AnExportOntoItsOwnInputIsRefused) {
  std::filesystem::copy_file(Obj("dxf_pyramid.obj"), dir / "netz.DXF");
  const Outcome r = Batch({"mesh", dir / "netz.DXF"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Die DXF-Datei würde die OBJ-Datei überschreiben: " + (dir / "netz.DXF") + "\n");
  EXPECT_EQ(ReadFile(dir / "netz.DXF"), ReadFile(Obj("dxf_pyramid.obj")));
  EXPECT_EQ(dir.Names(),
            (Lines{"dxf_plateau.obj", "dxf_pyramid.obj", "dxf_pyramid_comma.obj", "netz.DXF"}));
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

// dxf_pyramid.obj is closed (wound outwards): 64/3 enclosed, above 2 the
// top pyramid of side 2, 8/3, below it 56/3, cross-section 2 x 2.
TEST_F(QuervikBatch, VolumePrintsTheExactFigures) {
  Outcome r = Batch({"volume", Obj("dxf_pyramid.obj"), "2"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "Höhe 2.000\nÜber 2.67\nUnter 18.67\nFläche m2 4.00\nFläche unter m2 4.00\n"
            "Geschlossenes Netz\n");
  r = Batch({"volume", Obj("dxf_pyramid.obj"), "2", "--json"});
  EXPECT_EQ(r.out,
            "{\"level\": 2, \"above\": 2.6666666666666665, \"below\": 18.666666666666668, "
            "\"area_above\": 4, \"area_below\": 4, \"closed\": true}\n");
  // A negative level before the option; an open face: 3 * 2 above the level.
  r = Batch({"volume", Obj("dxf_plateau.obj"), "-1", "--json"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "{\"level\": -1, \"above\": 12, \"below\": 0, \"area_above\": 2, "
            "\"area_below\": 0, \"closed\": false}\n");
  r = Batch({"volume", Obj("dxf_pyramid_comma.obj"), "3,5"});
  EXPECT_EQ(r.out,
            "Höhe 3,500\nÜber 0,04\nUnter 21,29\nFläche m2 0,25\nFläche unter m2 0,25\n"
            "Geschlossenes Netz\n");
  r = Batch({"volume", Obj("dxf_pyramid.obj"), "zwei"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "'zwei' ist kein gültiger Gleitkommawert\n");
}

TEST_F(QuervikBatch, CurveAsTableAndAsCsv) {
  Outcome r = Batch({"curve", Obj("dxf_pyramid.obj"), "1.5"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "      Höhe       Fläche m2            Über           Unter Fläche unter m2\n"
            "     0.000           16.00           21.33            0.00            0.00\n"
            "     1.500            6.25            5.21           16.13            6.25\n"
            "     3.000            1.00            0.33           21.00            1.00\n");
  const std::string csv = dir / "kurve.csv";
  r = Batch({"curve", Obj("dxf_pyramid_comma.obj"), "1,5", "--csv", csv});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, csv + "\n");
  EXPECT_EQ(ReadFile(csv),
            "Höhe;Fläche über m2;Über m3;Unter m3;Fläche unter m2\n"
            "0;16;21,333333333333332;0;0\n"
            "1,5;6,25;5,208333333333333;16,125;6,25\n"
            "3;1;0,3333333333333333;21;1\n");
  const Lines files{"dxf_plateau.obj", "dxf_pyramid.obj", "dxf_pyramid_comma.obj", "kurve.csv"};
  for (const Lines& bad :
       {Lines{"0", "Die Schrittweite muss größer als 0 sein\n"},
        Lines{"-1", "Die Schrittweite muss größer als 0 sein\n"},
        Lines{"1e-9", "Die Schrittweite ist zu klein: mehr als 1000000 Schnitte\n"},
        Lines{"1.5", "'1.5' ist kein gültiger Gleitkommawert\n"}}) {
    r = Batch({"curve", Obj("dxf_pyramid_comma.obj"), bad[0], "--csv", csv});
    EXPECT_EQ(r.status, 1) << bad[0];
    EXPECT_EQ(r.err, bad[1]);
  }
  r = Batch({"curve", Obj("dxf_pyramid.obj"), "1", "--csv", dir / "fehlt/k.csv"});
  EXPECT_EQ(r.err, "Ungültiger Dateiname\n");
  EXPECT_EQ(dir.Names(), files) << "nothing else written, nothing left behind";
  EXPECT_EQ(ReadFile(csv).substr(0, 5), "Höhe");
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
