// Where the exports write: the folder of the OBJ path and the three file
// name rules.
#include <gtest/gtest.h>

#include <string>

#include "app/export_files.h"
#include "support/errors.h"

namespace quervik {
namespace {

using test::ErrorText;

TEST(ObjFolder, IsThePathUpToItsLastSlash) {
  EXPECT_EQ(ObjFolder("/home/anna/daten/teil.obj"), "/home/anna/daten/");
  EXPECT_EQ(ObjFolder("daten/teil.obj"), "daten/");
  EXPECT_EQ(ObjFolder("/teil.obj"), "/");
  EXPECT_EQ(ObjFolder("daten/"), "daten/");
  EXPECT_EQ(ObjFolder("teil.obj"), "");  // the working directory
  EXPECT_EQ(ObjFolder(""), "");
  // Backslash and colon are ordinary characters of a file name here; taking
  // them as folder ends would put every export into the working directory.
  EXPECT_EQ(ObjFolder("C:\\daten\\teil.obj"), "");
  EXPECT_EQ(ObjFolder("/mnt/c:\\x/teil.obj"), "/mnt/c:\\x/");
}

TEST(SectionDxfFileName, TurnsEveryPointOfTheLevelTextIntoAnUnderscore) {
  EXPECT_EQ(SectionDxfFileName("/d/teil.obj", "12.5"), "/d/S12_5.dxf");
  // The blanks of a padded level (a series, the transformation) stay out.
  EXPECT_EQ(SectionDxfFileName("/d/teil.obj", "   3.000"), "/d/S3_000.dxf");
  EXPECT_EQ(SectionDxfFileName("/d/teil.obj", "  12.5  "), "/d/S12_5.dxf");
  EXPECT_EQ(SectionDxfFileName("/d/teil.obj", "   "), "/d/S.dxf");
  EXPECT_EQ(SectionDxfFileName("/d/teil.obj", "12,5"), "/d/S12,5.dxf");
  EXPECT_EQ(SectionDxfFileName("/d/teil.obj", ""), "/d/S.dxf");
  EXPECT_EQ(SectionDxfFileName("/d/teil.obj", "1.2.3"), "/d/S1_2_3.dxf");
  EXPECT_EQ(SectionDxfFileName("/d/teil.obj", "-0.5"), "/d/S-0_5.dxf");
  EXPECT_EQ(SectionDxfFileName("teil.obj", "12.5"), "S12_5.dxf");
  EXPECT_EQ(SectionDxfFileName("", "7"), "S7.dxf");
}

TEST(FixedNames, SeriesCreasesAndContoursBesideTheObjFile) {
  EXPECT_EQ(SeriesDxfFileName("/d/teil.obj"), "/d/Schnitte.dxf");
  EXPECT_EQ(BruchkantenDxfFileName("teil.obj"), "Bruchkanten.dxf");
  EXPECT_EQ(ContourFileName("/d/teil.obj", "", ".dxf"), "/d/Hoehenlinien.dxf");
  EXPECT_EQ(ContourFileName("/d/teil.obj", "104.5", ".geojson"), "/d/Hoehenlinie_104_5.geojson");
}

TEST(MeshDxfFileName, ReplacesTheExtensionByDXF) {
  EXPECT_EQ(MeshDxfFileName("/d/teil.obj"), "/d/teil.DXF");
  EXPECT_EQ(MeshDxfFileName("/d/teil"), "/d/teil.DXF");
  EXPECT_EQ(MeshDxfFileName("/d/daten.alt/teil"), "/d/daten.alt/teil.DXF");
  EXPECT_EQ(MeshDxfFileName("/d/teil.tar.obj"), "/d/teil.tar.DXF");
  EXPECT_EQ(MeshDxfFileName("/d/TEIL.OBJ"), "/d/TEIL.DXF");
  EXPECT_EQ(MeshDxfFileName("teil.Obj"), "teil.DXF");
  EXPECT_EQ(MeshDxfFileName("teil.dxf"), "teil.DXF");
  EXPECT_EQ(MeshDxfFileName("teil."), "teil.DXF");
  EXPECT_EQ(MeshDxfFileName("/d/.obj"), "/d/.DXF");
  // A point in a folder name does not count, behind either kind of slash.
  EXPECT_EQ(MeshDxfFileName("C:\\daten.alt\\teil"), "C:\\daten.alt\\teil.DXF");
  EXPECT_EQ(MeshDxfFileName("C:\\daten\\teil.obj"), "C:\\daten\\teil.DXF");
}

TEST(MeshDxfFileName, RefusesAnEmptyPathAndForbiddenCharacters) {
  EXPECT_EQ(ErrorText([] { MeshDxfFileName(""); }), "Kein Dateiname angegeben");
  EXPECT_EQ(ErrorText([] { MeshDxfFileName(std::string("/d/te\0il.obj", 12)); }),
            "Ungültige Zeichen im Pfad");
  EXPECT_EQ(MeshDxfFileName("/d/te|il <1>.obj"), "/d/te|il <1>.DXF");
}

}  // namespace
}  // namespace quervik
