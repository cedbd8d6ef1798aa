// The curve's CSV: its text with either decimal separator, and the file;
// the window's curve beside the mesh file, its progress and its refusals.
#include "app/curve_export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "analysis/volume_curve.h"
#include "bench/common/generators.h"
#include "support/errors.h"
#include "support/meshes.h"
#include "support/temp_dir.h"

namespace quervik {
namespace {

// The closed box 2 x 3 x 4 from z = 1 at the levels 2.5 and 5.
const std::vector<VolumeFigures> kBox = {{2.5, 15, 9, 6, 6, true}, {5, 0, 24, 0, 0, true}};

TEST(CurveCsv, WithTheDecimalSeparator) {
  EXPECT_EQ(VolumeCurveCsv(kBox, '.'),
            "Höhe,Fläche über m2,Über m3,Unter m3,Fläche unter m2\n2.5,6,15,9,6\n5,0,0,24,0\n");
  EXPECT_EQ(VolumeCurveCsv(kBox, ','),
            "Höhe;Fläche über m2;Über m3;Unter m3;Fläche unter m2\n2,5;6;15;9;6\n5;0;0;24;0\n");
  EXPECT_EQ(VolumeCurveCsv({}, '.'), "Höhe,Fläche über m2,Über m3,Unter m3,Fläche unter m2\n");
}

TEST(CurveCsv, TheFileReplacesItsTargetWhole) {
  test::TempDir dir;
  dir.Write("kurve.csv", "alt");
  EXPECT_EQ(WriteCurveCsv(dir / "kurve.csv", kBox, ','), dir / "kurve.csv");
  EXPECT_EQ(test::ReadFile(dir / "kurve.csv"), VolumeCurveCsv(kBox, ','));
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"kurve.csv"});
}

// Volumenkurve.csv beside the mesh: the rows of VolumeCurve, reported face
// by face up to the whole; a cancel at any report keeps the previous file,
// and the mesh file itself under that name is never overwritten.
TEST(VolumeCurveExport, BesideTheMeshReportedAndCancelled) {
  test::TempDir dir;
  const Mesh m = gen::MakeTerrain(300, 300);  // 180,000 faces: three reports and the end
  const ClippedVolumeIndex index = ClippedVolumeIndex::Build(m);
  std::vector<std::size_t> done;
  const CurveExport curve = WriteVolumeCurve(dir / "t.obj", index, m.zmin, m.zmax, 5, '.',
                                             [&](std::size_t d, std::size_t total) {
                                               EXPECT_EQ(total, index.faces().size());
                                               done.push_back(d);
                                             });
  EXPECT_EQ(curve.file, dir / "Volumenkurve.csv");
  EXPECT_EQ(test::ReadFile(curve.file), VolumeCurveCsv(VolumeCurve(index, m.zmin, m.zmax, 5), '.'));
  EXPECT_EQ(done, (std::vector<std::size_t>{0, 65536, 131072, index.faces().size()}));

  for (const std::size_t stopAt : {std::size_t{0}, std::size_t{3}}) {
    dir.Write("Volumenkurve.csv", "alt");
    std::size_t reports = 0;
    EXPECT_EQ(test::ErrorText([&] {
                WriteVolumeCurve(dir / "t.obj", index, m.zmin, m.zmax, 5, '.',
                                 [&](std::size_t, std::size_t) {
                                   if (reports++ == stopAt) throw Cancelled();
                                 });
              }),
              "Abgebrochen");
    EXPECT_EQ(test::ReadFile(dir / "Volumenkurve.csv"), "alt");
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"Volumenkurve.csv"});
  }

  dir.Write("netz.obj", "v 0 0 0\n");
  std::filesystem::remove(dir / "Volumenkurve.csv");
  std::filesystem::create_symlink(dir / "netz.obj", dir / "Volumenkurve.csv");
  for (const char* mesh : {"netz.obj", "Volumenkurve.csv"}) {
    EXPECT_EQ(test::ErrorText([&] { WriteVolumeCurve(dir / mesh, index, 0, 1, 1, '.'); }),
              "Die CSV-Datei würde die OBJ-Datei überschreiben: " + dir / "Volumenkurve.csv");
  }
  EXPECT_EQ(test::ReadFile(dir / "netz.obj"), "v 0 0 0\n");
  EXPECT_EQ(test::ErrorText([&] { WriteVolumeCurve(dir / "x/t.obj", index, 0, 1, 0, '.'); }),
            "Die Schrittweite muss größer als 0 sein");
}

}  // namespace
}  // namespace quervik
