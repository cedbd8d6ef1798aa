// ReadMesh: which lines it takes and how, the counts, the height range, the
// decimal separator it leaves, the face corners it resolves or refuses, the
// polygons it splits, and the coordinates it reports as unreadable.
#include "model/obj_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/errors.h"
#include "core/number_format.h"
#include "model/mesh.h"
#include "support/meshes.h"
#include "support/temp_dir.h"

namespace quervik {
namespace {

using namespace std::string_literals;
using test::TempDir;

class ObjReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { SetDecimalSeparator('.'); }
  void TearDown() override { SetDecimalSeparator('.'); }

  Mesh Read(const std::string& text, ObjReadReport* report = nullptr) {
    return ReadMesh(dir_.Write("t.obj", text), {}, report);
  }

  std::string ErrorOf(const std::string& text) {
    try {
      Read(text);
    } catch (const Error& e) {
      return e.what();
    }
    return "(accepted)";
  }

  TempDir dir_;
};

// Three vertices so that faces naming 1 … 3 are valid.
const std::string kTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
// A file needs a face to be a mesh.
const std::string kFace = "f 1 1 1\n";
const std::string kPoint = "v 0 0 0\n" + kFace;
const TFace F111{{1, 1, 1}};

struct LineCase {
  const char* name;
  std::string text;
  std::vector<Tvertex> V;       // without the placeholder
  std::vector<TFace> Fc;        // without the placeholder
  std::vector<Tvect3D> Vn;      // without the placeholder
  std::int64_t unreadable = 0;  // coordinates reported as missing or no number
};

std::string CaseName(const ::testing::TestParamInfo<LineCase>& c) {
  return c.param.name;
}

class ObjLineRules : public ObjReaderTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(ObjLineRules, GivesExactlyTheseRecords) {
  const LineCase& c = GetParam();
  ObjReadReport report;
  const Mesh m = Read(c.text, &report);
  std::vector<Tvertex> V(c.V);
  V.insert(V.begin(), Tvertex{});
  std::vector<TFace> Fc(c.Fc);
  Fc.insert(Fc.begin(), TFace{});
  std::vector<Tvect3D> Vn(c.Vn);
  Vn.insert(Vn.begin(), Tvect3D{});
  EXPECT_EQ(m.V, V);
  EXPECT_EQ(m.Fc, Fc);
  EXPECT_EQ(m.Vn, Vn);
  EXPECT_EQ(report.unreadableNumbers, c.unreadable);
}

const Tvertex O{0, 0, 0}, X{1, 0, 0}, Y{0, 1, 0};

INSTANTIATE_TEST_SUITE_P(
    Vertices, ObjLineRules,
    ::testing::Values(
        LineCase{"Point", "v 1.5 2 3\n" + kFace, {{1.5, 2, 3}}, {F111}, {}},
        LineCase{"Comma", "v 1,5 2 3\n" + kFace, {{1.5, 2, 3}}, {F111}, {}},
        LineCase{"MixedSeparators", "v 1,5 -2.25 3,0e1\n" + kFace, {{1.5, -2.25, 30}}, {F111}, {}},
        LineCase{"TwoValues", "v 1 2\n" + kFace, {{1, 2, 0}}, {F111}, {}, 1},
        LineCase{"NoValues", "v \n" + kFace, {{0, 0, 0}}, {F111}, {}, 3},
        LineCase{"Garbage", "v abc 2 3\nv 4 5 6\n" + kFace, {{0, 2, 3}, {4, 5, 6}}, {F111}, {}, 1},
        LineCase{"NotFinite", "v 1e309 nan -inf\n" + kFace, {{0, 0, 0}}, {F111}, {}, 3},
        LineCase{"TooSmallIsZero", "v 1e-400 2 3\n" + kFace, {{0, 2, 3}}, {F111}, {}},
        LineCase{"FourthValueIgnored", "v 1 2 3 4 0.5 x\n" + kFace, {{1, 2, 3}}, {F111}, {}},
        LineCase{"ManyBlanks", "v    1   2   3   \n" + kFace, {{1, 2, 3}}, {F111}, {}},
        LineCase{"UpperCase", "V 1 2 3\n" + kPoint, {O}, {F111}, {}},
        LineCase{"LeadingBlank", " v 1 2 3\n" + kPoint, {O}, {F111}, {}},
        LineCase{"Tab", "v\t1 2 3\n" + kPoint, {O}, {F111}, {}},
        LineCase{"TabInsideLine", "v 1\t2 3\n" + kFace, {{0, 3, 0}}, {F111}, {}, 2},
        LineCase{"KeywordAlone", "v\n" + kPoint, {O}, {F111}, {}},
        LineCase{"TextureCoordinate", "vt 0.5 0.5\n" + kPoint, {O}, {F111}, {}},
        LineCase{"Normal", "vn 0 0 1\n" + kPoint, {O}, {F111}, {{0, 0, 1}}},
        // Normals are only counted; their numbers are not reported.
        LineCase{"NormalAnyThirdCharacter",
                 "vnx 1 2 3\nvn0 4 5\n" + kPoint,
                 {O},
                 {F111},
                 {{1, 2, 3}, {4, 5, 0}}},
        LineCase{"OtherRecords",
                 "# v 1 2 3\ng a\no b\ns 1\nusemtl c\nmtllib d\nl 1 2\nvp 1\n\n" + kPoint,
                 {O},
                 {F111},
                 {}}),
    CaseName);

// An arrow head pointing up, 1 (0,0), 2 (2,1), 3 (4,0), 4 (2,4): corner 2
// points inwards. The fan (1,2,3), (1,3,4) would be the notch, turned over,
// and the whole outer triangle; the ears cut off are (4,1,2), then (4,2,3).
const std::string kDart = "v 0 0 0\nv 2 1 0\nv 4 0 0\nv 2 4 0\n";
const std::vector<Tvertex> kDartV{{0, 0, 0}, {2, 1, 0}, {4, 0, 0}, {2, 4, 0}};
const std::vector<TFace> kDartFc{TFace{{4, 1, 2}}, TFace{{4, 2, 3}}};

INSTANTIATE_TEST_SUITE_P(
    Faces, ObjLineRules,
    ::testing::Values(
        LineCase{"Plain", kTriangle + "f 1 2 3\n", {O, X, Y}, {TFace{{1, 2, 3}}}, {}},
        LineCase{"WithTextureAndNormal",
                 kTriangle + "f 1/4/7 2/5/8 3/6/9\n",
                 {O, X, Y},
                 {TFace{{1, 2, 3}}},
                 {}},
        LineCase{
            "WithNormalOnly", kTriangle + "f 1//7 2//8 3//9\n", {O, X, Y}, {TFace{{1, 2, 3}}}, {}},
        LineCase{
            "WithTextureOnly", kTriangle + "f 3/1 1/2 2/3\n", {O, X, Y}, {TFace{{3, 1, 2}}}, {}},
        LineCase{"ConvexQuadIsAFan",
                 kTriangle + "v 1 1 0\nf 1 2 4 3\n",
                 {O, X, Y, {1, 1, 0}},
                 {TFace{{1, 2, 4}}, TFace{{1, 4, 3}}},
                 {}},
        LineCase{"ConvexPentagonWithTextureNumbers",
                 kTriangle + "v 1 1 0\nv 2 0.5 0\nf 1/1 2/2 5/3 4/4 3/5\n",
                 {O, X, Y, {1, 1, 0}, {2, 0.5, 0}},
                 {TFace{{1, 2, 5}}, TFace{{1, 5, 4}}, TFace{{1, 4, 3}}},
                 {}},
        LineCase{"NonConvexQuadIsCutIntoEars", kDart + "f 1 2 3 4\n", kDartV, kDartFc, {}},
        LineCase{"PolygonNamingVerticesFurtherDown", "f 1 2 3 4\n" + kDart, kDartV, kDartFc, {}},
        LineCase{"RelativePolygon", kDart + "f -4 -3 -2 -1\n", kDartV, kDartFc, {}},
        LineCase{"CommentEndsTheCorners",
                 kTriangle + "f 1 2 3 # 3 2\nf 3 2 1 #1\n",
                 {O, X, Y},
                 {TFace{{1, 2, 3}}, TFace{{3, 2, 1}}},
                 {}},
        LineCase{"SlashFirst", kTriangle + "f /2 //3 1\n", {O, X, Y}, {TFace{{2, 3, 1}}}, {}},
        LineCase{"PlusSign", kTriangle + "f +1 +2 +3\n", {O, X, Y}, {TFace{{1, 2, 3}}}, {}},
        LineCase{"Relative", kTriangle + "f -3 -2 -1\n", {O, X, Y}, {TFace{{1, 2, 3}}}, {}},
        LineCase{"RelativeCountsVerticesSoFar",
                 "v 0 0 0\nv 1 0 0\nf -1 -2 1\nv 0 1 0\nf -1 -2 -3\n",
                 {O, X, Y},
                 {TFace{{2, 1, 1}}, TFace{{3, 2, 1}}},
                 {}},
        LineCase{"ForwardReference", "f 1 2 3\n" + kTriangle, {O, X, Y}, {TFace{{1, 2, 3}}}, {}},
        LineCase{"UpperCase", kTriangle + "F 1 2 3\n" + kFace, {O, X, Y}, {F111}, {}},
        LineCase{"LeadingBlank", kTriangle + " f 1 2 3\n" + kFace, {O, X, Y}, {F111}, {}},
        LineCase{"Tab", kTriangle + "f\t1 2 3\n" + kFace, {O, X, Y}, {F111}, {}}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    LineEnds, ObjLineRules,
    ::testing::Values(
        LineCase{"CarriageReturnLineFeed",
                 "v 1 2 3\r\nv 4 5 6\r\nf 1 2 2\r\n",
                 {{1, 2, 3}, {4, 5, 6}},
                 {TFace{{1, 2, 2}}},
                 {}},
        LineCase{
            "OnlyOneCarriageReturnIsDropped", "v 1 2 3\r\r\n" + kFace, {{1, 2, 0}}, {F111}, {}, 1},
        LineCase{"NoFinalLineFeed",
                 "v 1 2 3\nv 7 8 9\nf 1 2 2",
                 {{1, 2, 3}, {7, 8, 9}},
                 {TFace{{1, 2, 2}}},
                 {}},
        LineCase{"CarriageReturnAtEndOfFile", "v 7 8 9\nf 1 1 1\r", {{7, 8, 9}}, {F111}, {}},
        // Without any line feed the carriage returns end the lines.
        LineCase{"CarriageReturnsOnly",
                 "v 1 2 3\rv 4 5 6\rf 1 2 2\r",
                 {{1, 2, 3}, {4, 5, 6}},
                 {TFace{{1, 2, 2}}},
                 {}},
        LineCase{"CarriageReturnsOnlyNoFinalOne", "v 1 2 3\r\rf 1 1 1", {{1, 2, 3}}, {F111}, {}},
        // One line feed anywhere: carriage returns inside lines are characters.
        LineCase{"CarriageReturnsAndOneLineFeed",
                 "v 1 2 3\rv 4 5 6\n" + kFace,
                 {{1, 2, 0}},
                 {F111},
                 {},
                 1},
        LineCase{"NulInsideNumber", "v 1\0 2 3\n"s + kFace, {{0, 2, 3}}, {F111}, {}, 1},
        LineCase{"NulBeforeKeyword", "\0v 1 2 3\n"s + kPoint, {O}, {F111}, {}}),
    CaseName);

TEST_F(ObjReaderTest, LengthsCountThePlaceholder) {
  const Mesh m = Read(kTriangle + "f 1 2 3\n");
  EXPECT_EQ(m.V.size(), 4u);
  EXPECT_EQ(m.Vn.size(), 1u);
  EXPECT_EQ(m.Fc.size(), 2u);
}

TEST_F(ObjReaderTest, CubeFromDataFolder) {
  const Mesh m = ReadMesh(QUERVIK_TEST_DATA "/obj_cube.obj");
  EXPECT_EQ(m.V.size(), 9u);
  EXPECT_EQ(m.Vn.size(), 1u);
  EXPECT_EQ(m.Fc.size(), 13u);
  EXPECT_EQ(m.Fc[12], (TFace{{4, 5, 8}}));
  EXPECT_EQ(m.zmin, 0.0);
  EXPECT_EQ(m.zmax, 1.0);
}

TEST_F(ObjReaderTest, FileWithMostKindsOfRecords) {
  const Mesh m = ReadMesh(QUERVIK_TEST_DATA "/obj_features.obj");
  const std::vector<Tvertex> V{{0, 0, 0},
                               {10.5, 20.25, 100.125},
                               {11.5, 20.25, 101.5},
                               {11.5, 21.25, 99.75},
                               {10.5, 21.25, 102}};
  EXPECT_EQ(m.V, V);
  EXPECT_EQ(m.Vn, (std::vector<Tvect3D>{{0, 0, 0}, {0, 0, 1}, {0.1, 0.2, 0.97}}));
  // "f -4/1 -2/2 -1/1 1/1" is the polygon 1, 3, 4, 1: the fan (1,3,4), (1,4,1).
  const std::vector<TFace> Fc{TFace{{0, 0, 0}}, TFace{{1, 2, 3}}, TFace{{1, 3, 4}},
                              TFace{{1, 3, 4}}, TFace{{1, 4, 1}}, TFace{{4, 3, 2}}};
  EXPECT_EQ(m.Fc, Fc);
  EXPECT_EQ(m.zmin, 99.75);
  EXPECT_EQ(m.zmax, 102.0);
  EXPECT_EQ(DecimalSeparator(), ',');  // the last number read was "0,97"
}

// The example that ships with the program (scripts/make-example).
TEST_F(ObjReaderTest, BundledExample) {
  const Mesh m = ReadMesh(QUERVIK_TEST_DATA "/../../examples/halde.obj");
  EXPECT_EQ(m.V.size(), 9802u);
  EXPECT_EQ(m.Vn.size(), 1u);
  EXPECT_EQ(m.Fc.size(), 19201u);
  EXPECT_EQ(m.V[1], (Tvertex{0, 0, 100}));
  EXPECT_EQ(m.zmin, 100.0);
  EXPECT_GT(m.zmax, 117.0);
  EXPECT_LT(m.zmax, 119.0);
}

TEST_F(ObjReaderTest, HeightRangeIgnoresThePlaceholder) {
  const Mesh m = Read("v 0 0 5\nv 1 0 7\nv 0 1 6\n" + kFace);
  EXPECT_EQ(m.zmin, 5.0);
  EXPECT_EQ(m.zmax, 7.0);
}

// Without vertices no face can name one, so such a file is never a mesh.
TEST_F(ObjReaderTest, NoVerticesIsRefused) {
  EXPECT_EQ(ErrorOf("# nothing\nf 0 0 0\n"), "Zeile 2: Eckpunkt 0 existiert nicht");
}

TEST_F(ObjReaderTest, SameFileTwiceSameArraysNewVersion) {
  const std::string path = dir_.Write("twice.obj", kTriangle + "f 1 2 3\nvn 0 0 1\n");
  const Mesh a = ReadMesh(path);
  const Mesh b = ReadMesh(path);
  EXPECT_EQ(a.V, b.V);
  EXPECT_EQ(a.Fc, b.Fc);
  EXPECT_EQ(a.Vn, b.Vn);
  EXPECT_NE(a.version, 0u);
  EXPECT_NE(a.version, b.version);
}

struct SeparatorCase {
  std::string text;
  char before;
  char after;
};

TEST_F(ObjReaderTest, SeparatorIsTheOneOfTheLastNumberToken) {
  const SeparatorCase cases[] = {
      {"v 1 2 3\nv 1,5 2,0 3,25\n" + kFace, '.', ','},
      {"v 1,5 2,0 3,25\nv 1,5 2 3\n" + kFace, ',', '.'},
      // The third GetFloat meets an empty token, which sets '.'.
      {"v 1,5 2,0\n" + kFace, ',', '.'},
      {kPoint + "vn 0 0 1,0\n", '.', ','},
      {"v 1,5 2,5 3,5\nf 1 1 1\n# 2,5\nvt 0,5 0,5\n", '.', ','},
      // No "v " or "vn" line: the separator stays as it was (the files are
      // refused).
      {"f 0 0 0\n# 1,5\n", ',', ','},
      {"f 0 0 0\n# 1,5\n", '.', '.'},
      {"", ',', ','},
  };
  for (const SeparatorCase& c : cases) {
    SetDecimalSeparator(c.before);
    ErrorOf(c.text);
    EXPECT_EQ(DecimalSeparator(), c.after) << c.text;
  }
}

struct ErrorCase {
  std::string text;
  std::string error;
};

TEST_F(ObjReaderTest, CornerNamingNoVertexIsRefusedWithItsLine) {
  const ErrorCase cases[] = {
      {kTriangle + "f 1 2 4\n", "Zeile 4: Eckpunkt 4 existiert nicht"},
      {kTriangle + "f 1 2 3\n# ok\nf -4 1 2\n", "Zeile 6: Eckpunkt -4 existiert nicht"},
      {"f -1 1 1\n" + kTriangle, "Zeile 1: Eckpunkt -1 existiert nicht"},
      {"v 0 0 0\nf 1 2 3\nv 1 1 1\n", "Zeile 2: Eckpunkt 3 existiert nicht"},
      {kTriangle + "f 2147483647 1 2\n", "Zeile 4: Eckpunkt 2147483647 existiert nicht"},
      {kTriangle + "f -2147483648 1 2\n", "Zeile 4: Eckpunkt -2147483648 existiert nicht"},
      // The first bad corner in the file counts, across both kinds.
      {"v 0 0 0\nf 9 1 1\nf -5 1 1\n", "Zeile 2: Eckpunkt 9 existiert nicht"},
      {"v 0 0 0\nf -5 1 1\nf 9 1 1\n", "Zeile 2: Eckpunkt -5 existiert nicht"},
      {"v 0 0 0\nf 1 -5 9\n", "Zeile 2: Eckpunkt -5 existiert nicht"},
      {"v 0 0 0\nf 1 9 -5\n", "Zeile 2: Eckpunkt 9 existiert nicht"},
      {"v 0 0 0\nf 1 1 3\nf 1 1 2\n", "Zeile 2: Eckpunkt 3 existiert nicht"},
      {"v 0 0 0\nf 1 1 2\nf 1 1 3\n", "Zeile 2: Eckpunkt 2 existiert nicht"},
      {"f 2 2 2\r\nf 5 5 5\r\nv 0 0 0\r\nv 1 1 1\r\n", "Zeile 2: Eckpunkt 5 existiert nicht"},
      {"v 0 0 0\nf 1/2/3 1//3 -2/1\n", "Zeile 2: Eckpunkt -2 existiert nicht"},
      // Every corner of a polygon counts.
      {"v 0 0 0\nf 1 1 1 5\n", "Zeile 2: Eckpunkt 5 existiert nicht"},
      {"v 0 0 0\nf 1 1 1 1 -2\n", "Zeile 2: Eckpunkt -2 existiert nicht"},
  };
  for (const ErrorCase& c : cases) EXPECT_EQ(ErrorOf(c.text), c.error) << c.text;
}

// Faces that would need the placeholder origin V[0] as a corner.
TEST_F(ObjReaderTest, FaceWithoutThreeGoodCornersIsRefusedWithItsLine) {
  const ErrorCase cases[] = {
      {kTriangle + "f 1 2\n", "Zeile 4: Fläche mit weniger als 3 Eckpunkten"},
      {kTriangle + "f \n", "Zeile 4: Fläche mit weniger als 3 Eckpunkten"},
      {kTriangle + "f 1 2 # 3\n", "Zeile 4: Fläche mit weniger als 3 Eckpunkten"},
      {kTriangle + "f 0 1 2\n", "Zeile 4: Eckpunkt 0 existiert nicht"},
      {kTriangle + "f 1 -0 2\n", "Zeile 4: Eckpunkt -0 existiert nicht"},
      {kTriangle + "f 1 2 99999999999\n", "Zeile 4: Eckpunkt 99999999999 existiert nicht"},
      {kTriangle + "f 1 2 -2147483649/1\n", "Zeile 4: Eckpunkt -2147483649 existiert nicht"},
      {kTriangle + "f 1 2 " + std::string(30, '9') + "\n",
       "Zeile 4: Eckpunkt " + std::string(24, '9') + "... existiert nicht"},
      {kTriangle + "f 1 x 2.0\n", "Zeile 4: 'x' ist keine gültige Eckpunktnummer"},
      {kTriangle + "f 1 2 3 4.5\n", "Zeile 4: '4.5' ist keine gültige Eckpunktnummer"},
      {kTriangle + "f 1 // 2\n", "Zeile 4: '//' ist keine gültige Eckpunktnummer"},
      {kTriangle + "f 1\t2\t3\n", "Zeile 4: '1?2?3' ist keine gültige Eckpunktnummer"},
      {kTriangle + "f 1 2 3\r\r\n", "Zeile 4: '3?' ist keine gültige Eckpunktnummer"},
      {kTriangle + "f 1 2 \xc3\xa4" + std::string(30, 'x') + "\n",
       "Zeile 4: '??" + std::string(22, 'x') + "...' ist keine gültige Eckpunktnummer"},
      // The first fault in the file counts, also against a corner that names
      // a vertex further down the file that never comes.
      {"v 0 0 0\nf 1 1\nf 1 x 1\n", "Zeile 2: Fläche mit weniger als 3 Eckpunkten"},
      {"v 0 0 0\nf 9 x 1\n", "Zeile 2: Eckpunkt 9 existiert nicht"},
      {"v 0 0 0\nf 1 x 9\n", "Zeile 2: 'x' ist keine gültige Eckpunktnummer"},
      {"f 2 2 2\nf 1 1\nv 0 0 0\n", "Zeile 1: Eckpunkt 2 existiert nicht"},
      {"f 1 1 1\nf 1 1\nv 0 0 0\n", "Zeile 2: Fläche mit weniger als 3 Eckpunkten"},
  };
  for (const ErrorCase& c : cases) EXPECT_EQ(ErrorOf(c.text), c.error) << c.text;
}

// Empty, binary, UTF-16, PLY and STL files and vertices alone are no mesh.
TEST_F(ObjReaderTest, FileWithoutFacesIsRefusedNamingIt) {
  std::string utf16 = "\xff\xfe";
  for (const char c : kTriangle + "f 1 2 3\n") utf16 += std::string{c, '\0'};
  std::string stl(80, ' ');
  stl += "\x01\0\0\0"s + std::string(50, '\0');
  const std::string texts[] = {
      "",
      "\n\n\n",
      kTriangle,
      "# f 1 2 3\n" + kTriangle,
      utf16,
      "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
      "property float z\nelement face 1\nproperty list uchar int vertex_indices\n"
      "end_header\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n",
      "solid s\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\n"
      "vertex 0 1 0\nendloop\nendfacet\nendsolid s\n",
      stl,
  };
  for (const std::string& text : texts) {
    const std::string path = dir_.Write("netz.ply", text);
    std::string error;
    try {
      ReadMesh(path);
    } catch (const Error& e) {
      error = e.what();
    }
    EXPECT_EQ(error, "Die Datei '" + path +
                         "' enthält keine Flächen und ist kein Dreiecksnetz im OBJ-Format");
  }
}

// A box of six quadrilaterals keeps all of its surface: 12 triangles, two
// per side, wound as the quads are.
TEST_F(ObjReaderTest, QuadBoxGivesTwelveTriangles) {
  const Mesh m = Read(
      "v 0 0 0\nv 10 0 0\nv 10 10 0\nv 0 10 0\nv 0 0 5\nv 10 0 5\nv 10 10 5\nv 0 10 5\n"
      "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 2 3 7 6\nf 3 4 8 7\nf 4 1 5 8\n");
  const std::vector<TFace> Fc{
      TFace{{0, 0, 0}}, TFace{{1, 4, 3}}, TFace{{1, 3, 2}}, TFace{{5, 6, 7}}, TFace{{5, 7, 8}},
      TFace{{1, 2, 6}}, TFace{{1, 6, 5}}, TFace{{2, 3, 7}}, TFace{{2, 7, 6}}, TFace{{3, 4, 8}},
      TFace{{3, 8, 7}}, TFace{{4, 1, 5}}, TFace{{4, 5, 8}}};
  EXPECT_EQ(m.Fc, Fc);
}

TEST_F(ObjReaderTest, UnreadableCoordinatesAreCountedWithTheirFirstLines) {
  ObjReadReport report;
  Read(kPoint + "v 1 2\nv x y z\n" + kPoint + "v 1e999 0 0\nv 1 2 3\nvn a b c\nv 1 2\nv 1 2\n",
       &report);
  EXPECT_EQ(report.unreadableNumbers, 7);
  EXPECT_EQ(report.linesWithUnreadable, 5);
  EXPECT_EQ(report.unreadableLines, (std::vector<std::int64_t>{3, 4, 7, 10, 11}));
  EXPECT_EQ(UnreadableNumbersWarning(report),
            "7 Koordinaten fehlen oder sind keine gültigen Zahlen und wurden als 0 gelesen "
            "(Zeilen 3, 4, 7, 10, 11)");

  Read(kPoint + std::string(6, '\n') + "v 1 2\nv 1 2\nv 1 2\nv 1 2\nv 1 2\nv 1 2\n", &report);
  EXPECT_EQ(UnreadableNumbersWarning(report),
            "6 Koordinaten fehlen oder sind keine gültigen Zahlen und wurden als 0 gelesen "
            "(Zeilen 9, 10, 11, 12, 13, ...)");

  Read("v 1 2\n" + kFace, &report);
  EXPECT_EQ(UnreadableNumbersWarning(report),
            "1 Koordinate fehlt oder ist keine gültige Zahl und wurde als 0 gelesen (Zeile 1)");

  Read(kPoint, &report);  // the report starts afresh with each load
  EXPECT_EQ(report.unreadableNumbers, 0);
  EXPECT_TRUE(report.unreadableLines.empty());
  EXPECT_EQ(UnreadableNumbersWarning(report), "");
}

TEST_F(ObjReaderTest, RefusedFileStillSetsTheSeparatorItRead) {
  SetDecimalSeparator('.');
  EXPECT_EQ(ErrorOf("v 1,5 2,5 3,5\nf 7 7 7\n"), "Zeile 2: Eckpunkt 7 existiert nicht");
  EXPECT_EQ(DecimalSeparator(), ',');
}

TEST_F(ObjReaderTest, ProgressReportsEachNewPercentUpToHundred) {
  std::string text;
  for (int i = 0; i < 150'000; ++i) text += "v " + std::to_string(i) + " 2.5 3.75\n";
  const std::string path = dir_.Write("progress.obj", text + kFace);  // about 3 MB
  std::vector<int> seen;
  const Mesh m = ReadMesh(path, [&](int percent) { seen.push_back(percent); });
  EXPECT_EQ(m.V.size(), 150'001u);
  EXPECT_EQ(m.V.back().x, 149'999.0);
  ASSERT_GE(seen.size(), 2u);
  for (size_t i = 1; i < seen.size(); ++i) EXPECT_LT(seen[i - 1], seen[i]);
  EXPECT_GE(seen.front(), 0);
  EXPECT_EQ(seen.back(), 100);

  seen.clear();
  EXPECT_THROW(ReadMesh(dir_.Write("empty.obj", ""), [&](int percent) { seen.push_back(percent); }),
               Error);
  EXPECT_EQ(seen, std::vector<int>{100});
}

}  // namespace
}  // namespace quervik
