// ReadMesh: which lines it takes and how, the counts, the height range, the
// decimal separator it leaves, and the face corners it resolves or refuses.
#include "model/obj_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/errors.h"
#include "core/number_format.h"
#include "mesh_compare.h"
#include "model/mesh.h"
#include "temp_files.h"

namespace quervik {
namespace {

using namespace std::string_literals;
using quervik::testing::TempDir;

class ObjReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { SetDecimalSeparator('.'); }
  void TearDown() override { SetDecimalSeparator('.'); }

  Mesh Read(const std::string& text) { return ReadMesh(dir_.Write("t.obj", text)); }

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

struct LineCase {
  const char* name;
  std::string text;
  std::vector<Tvertex> V;   // without the placeholder
  std::vector<TFace> Fc;    // without the placeholder
  std::vector<Tvect3D> Vn;  // without the placeholder
};

std::string CaseName(const ::testing::TestParamInfo<LineCase>& c) {
  return c.param.name;
}

class ObjLineRules : public ObjReaderTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(ObjLineRules, GivesExactlyTheseRecords) {
  const LineCase& c = GetParam();
  const Mesh m = Read(c.text);
  std::vector<Tvertex> V(c.V);
  V.insert(V.begin(), Tvertex{});
  std::vector<TFace> Fc(c.Fc);
  Fc.insert(Fc.begin(), TFace{});
  std::vector<Tvect3D> Vn(c.Vn);
  Vn.insert(Vn.begin(), Tvect3D{});
  EXPECT_EQ(m.V, V);
  EXPECT_EQ(m.Fc, Fc);
  EXPECT_EQ(m.Vn, Vn);
  EXPECT_TRUE(m.Fn.empty());
  EXPECT_EQ(m.vp.size(), 0u);
}

const Tvertex O{0, 0, 0}, X{1, 0, 0}, Y{0, 1, 0};

INSTANTIATE_TEST_SUITE_P(
    Vertices, ObjLineRules,
    ::testing::Values(
        LineCase{"Point", "v 1.5 2 3\n", {{1.5, 2, 3}}, {}, {}},
        LineCase{"Comma", "v 1,5 2 3\n", {{1.5, 2, 3}}, {}, {}},
        LineCase{"MixedSeparators", "v 1,5 -2.25 3,0e1\n", {{1.5, -2.25, 30}}, {}, {}},
        LineCase{"TwoValues", "v 1 2\n", {{1, 2, 0}}, {}, {}},
        LineCase{"NoValues", "v \n", {{0, 0, 0}}, {}, {}},
        LineCase{"Garbage", "v abc 2 3\nv 4 5 6\n", {{0, 2, 3}, {4, 5, 6}}, {}, {}},
        LineCase{"FourthValueIgnored", "v 1 2 3 4 0.5 0.5\n", {{1, 2, 3}}, {}, {}},
        LineCase{"ManyBlanks", "v    1   2   3   \n", {{1, 2, 3}}, {}, {}},
        LineCase{"UpperCase", "V 1 2 3\n", {}, {}, {}},
        LineCase{"LeadingBlank", " v 1 2 3\n", {}, {}, {}},
        LineCase{"Tab", "v\t1 2 3\n", {}, {}, {}},
        LineCase{"TabInsideLine", "v 1\t2 3\n", {{0, 3, 0}}, {}, {}},
        LineCase{"KeywordAlone", "v\n", {}, {}, {}},
        LineCase{"TextureCoordinate", "vt 0.5 0.5\n", {}, {}, {}},
        LineCase{"Normal", "vn 0 0 1\n", {}, {}, {{0, 0, 1}}},
        LineCase{"NormalAnyThirdCharacter", "vnx 1 2 3\nvn0 4 5\n", {}, {}, {{1, 2, 3}, {4, 5, 0}}},
        LineCase{"OtherRecords",
                 "# v 1 2 3\ng a\no b\ns 1\nusemtl c\nmtllib d\nl 1 2\nvp 1\n\n",
                 {},
                 {},
                 {}}),
    CaseName);

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
        LineCase{
            "QuadLosesFourthCorner", kTriangle + "f 1 2 3 4\n", {O, X, Y}, {TFace{{1, 2, 3}}}, {}},
        LineCase{"TwoCorners",
                 kTriangle + "v 0 0 1\nv 1 1 1\nv 2 2 2\nf 5 6\n",
                 {O, X, Y, {0, 0, 1}, {1, 1, 1}, {2, 2, 2}},
                 {TFace{{5, 6, 0}}},
                 {}},
        LineCase{"NoCorners", kTriangle + "f \n", {O, X, Y}, {TFace{{0, 0, 0}}}, {}},
        LineCase{
            "ZeroIsThePlaceholder", kTriangle + "f 0 1 2\n", {O, X, Y}, {TFace{{0, 1, 2}}}, {}},
        LineCase{"UnreadableCorners", kTriangle + "f 1 x 2.0\n", {O, X, Y}, {TFace{{1, 0, 0}}}, {}},
        LineCase{"SlashFirst", kTriangle + "f /2 //3 1\n", {O, X, Y}, {TFace{{2, 3, 1}}}, {}},
        LineCase{"PlusSign", kTriangle + "f +1 +2 +3\n", {O, X, Y}, {TFace{{1, 2, 3}}}, {}},
        LineCase{"HugeCornerIsUnreadable",
                 kTriangle + "f 1 2 99999999999\n",
                 {O, X, Y},
                 {TFace{{1, 2, 0}}},
                 {}},
        LineCase{"Relative", kTriangle + "f -3 -2 -1\n", {O, X, Y}, {TFace{{1, 2, 3}}}, {}},
        LineCase{"RelativeCountsVerticesSoFar",
                 "v 0 0 0\nv 1 0 0\nf -1 -2 1\nv 0 1 0\nf -1 -2 -3\n",
                 {O, X, Y},
                 {TFace{{2, 1, 1}}, TFace{{3, 2, 1}}},
                 {}},
        LineCase{"ForwardReference", "f 1 2 3\n" + kTriangle, {O, X, Y}, {TFace{{1, 2, 3}}}, {}},
        LineCase{"UpperCase", kTriangle + "F 1 2 3\n", {O, X, Y}, {}, {}},
        LineCase{"LeadingBlank", kTriangle + " f 1 2 3\n", {O, X, Y}, {}, {}},
        LineCase{"Tab", kTriangle + "f\t1 2 3\n", {O, X, Y}, {}, {}}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    LineEnds, ObjLineRules,
    ::testing::Values(
        LineCase{
            "CarriageReturnLineFeed", "v 1 2 3\r\nv 4 5 6\r\n", {{1, 2, 3}, {4, 5, 6}}, {}, {}},
        LineCase{"OnlyOneCarriageReturnIsDropped", "v 1 2 3\r\r\n", {{1, 2, 0}}, {}, {}},
        LineCase{"NoFinalLineFeed", "v 1 2 3\nv 7 8 9", {{1, 2, 3}, {7, 8, 9}}, {}, {}},
        LineCase{"CarriageReturnAtEndOfFile", "v 7 8 9\r", {{7, 8, 9}}, {}, {}},
        // Without line feeds the whole file is one line.
        LineCase{"CarriageReturnsOnly", "v 1 2 3\rv 4 5 6\r", {{1, 2, 0}}, {}, {}},
        LineCase{"NulInsideNumber", "v 1\0 2 3\n"s, {{0, 2, 3}}, {}, {}},
        LineCase{"NulBeforeKeyword", "\0v 1 2 3\n"s, {}, {}, {}}, LineCase{"Empty", "", {}, {}, {}},
        LineCase{"OnlyLineFeeds", "\n\n\n", {}, {}, {}}),
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
  const std::vector<TFace> Fc{TFace{{0, 0, 0}}, TFace{{1, 2, 3}}, TFace{{1, 3, 4}},
                              TFace{{1, 3, 4}}, TFace{{4, 3, 0}}};
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
  const Mesh m = Read("v 0 0 5\nv 1 0 7\nv 0 1 6\n");
  EXPECT_EQ(m.zmin, 5.0);
  EXPECT_EQ(m.zmax, 7.0);
}

TEST_F(ObjReaderTest, NoVerticesGivesZeroHeightRange) {
  const Mesh m = Read("# nothing\nf 0 0 0\n");
  EXPECT_EQ(m.V.size(), 1u);
  EXPECT_EQ(m.Fc.size(), 2u);
  EXPECT_EQ(m.zmin, 0.0);
  EXPECT_EQ(m.zmax, 0.0);
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
      {"v 1 2 3\nv 1,5 2,0 3,25\n", '.', ','},
      {"v 1,5 2,0 3,25\nv 1,5 2 3\n", ',', '.'},
      // The third GetFloat meets an empty token, which sets '.'.
      {"v 1,5 2,0\n", ',', '.'},
      {"vn 0 0 1,0\n", '.', ','},
      {"v 1,5 2,5 3,5\nf 1 1 1\n# 2,5\nvt 0,5 0,5\n", '.', ','},
      // No "v " or "vn" line: the separator stays as it was.
      {"f 0 0 0\n# 1,5\n", ',', ','},
      {"f 0 0 0\n# 1,5\n", '.', '.'},
      {"", ',', ','},
  };
  for (const SeparatorCase& c : cases) {
    SetDecimalSeparator(c.before);
    Read(c.text);
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
  };
  for (const ErrorCase& c : cases) EXPECT_EQ(ErrorOf(c.text), c.error) << c.text;
}

TEST_F(ObjReaderTest, RefusedFileStillSetsTheSeparatorItRead) {
  SetDecimalSeparator('.');
  EXPECT_EQ(ErrorOf("v 1,5 2,5 3,5\nf 7 7 7\n"), "Zeile 2: Eckpunkt 7 existiert nicht");
  EXPECT_EQ(DecimalSeparator(), ',');
}

TEST_F(ObjReaderTest, ProgressReportsEachNewPercentUpToHundred) {
  std::string text;
  for (int i = 0; i < 150'000; ++i) text += "v " + std::to_string(i) + " 2.5 3.75\n";
  const std::string path = dir_.Write("progress.obj", text);  // about 3 MB
  std::vector<int> seen;
  const Mesh m = ReadMesh(path, [&](int percent) { seen.push_back(percent); });
  EXPECT_EQ(m.V.size(), 150'001u);
  EXPECT_EQ(m.V.back().x, 149'999.0);
  ASSERT_GE(seen.size(), 2u);
  for (size_t i = 1; i < seen.size(); ++i) EXPECT_LT(seen[i - 1], seen[i]);
  EXPECT_GE(seen.front(), 0);
  EXPECT_EQ(seen.back(), 100);

  seen.clear();
  ReadMesh(dir_.Write("empty.obj", ""), [&](int percent) { seen.push_back(percent); });
  EXPECT_EQ(seen, std::vector<int>{100});
}

}  // namespace
}  // namespace quervik
