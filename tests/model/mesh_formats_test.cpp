// The PLY and STL readers and the choice of reader by content: the same
// mesh from every format and variant, across every border between blocks;
// each malformed file refused with its message; cut-off files never crash;
// STL corners merged by exact equality.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

#include "../../bench/common/generators.h"
#include "core/errors.h"
#include "core/number_format.h"
#include "format_meshes.h"
#include "model/mesh_reader.h"
#include "model/ply_reader.h"
#include "model/stl_reader.h"
#include "support/meshes.h"
#include "support/temp_dir.h"

namespace quervik {
namespace {

using namespace std::string_literals;
using test::TempDir;

bool SameBits(const Tvertex& a, const Tvertex& b) {
  return std::bit_cast<std::uint64_t>(a.x) == std::bit_cast<std::uint64_t>(b.x) &&
         std::bit_cast<std::uint64_t>(a.y) == std::bit_cast<std::uint64_t>(b.y) &&
         std::bit_cast<std::uint64_t>(a.z) == std::bit_cast<std::uint64_t>(b.z);
}

// Overwrites the bytes at `at` (from the end when negative) with those of v.
template <typename T>
std::string Patched(std::string bytes, long at, T v) {
  const size_t where = at < 0 ? bytes.size() - static_cast<size_t>(-at) : static_cast<size_t>(at);
  std::memcpy(bytes.data() + where, &v, sizeof v);
  return bytes;
}

// The same triangles over the same points; a PLY file keeps the vertex
// numbers of the OBJ file too, an STL file numbers them as they appear.
void ExpectSameMesh(const Mesh& want, const Mesh& got, const std::string& what) {
  ASSERT_EQ(got.V.size(), want.V.size()) << what;
  ASSERT_EQ(got.Fc.size(), want.Fc.size()) << what;
  const bool stl = what.find(".stl") != std::string::npos;
  for (size_t i = 1; i < want.Fc.size(); ++i) {
    for (int k = 1; k <= 3; ++k) {
      const auto g = static_cast<size_t>(got.Fc[i][k]);
      ASSERT_TRUE(SameBits(got.V[g], want.V[static_cast<size_t>(want.Fc[i][k])])) << what << i;
      if (!stl) {
        ASSERT_EQ(got.Fc[i][k], want.Fc[i][k]) << what;
      }
    }
  }
  EXPECT_EQ(got.zmin, want.zmin) << what;
  EXPECT_EQ(got.zmax, want.zmax) << what;
  EXPECT_NE(got.version, want.version) << what;
  const bool normals = what.find("clutter") != std::string::npos;
  EXPECT_EQ(got.Vn.size(), normals ? got.V.size() : 1) << what;
  if (normals) {
    EXPECT_EQ(got.Vn.back(), (Tvect3D{0, 0, 1})) << what;
  }
}

class MeshFormats : public ::testing::Test {
 protected:
  void SetUp() override {
    obj_ = dir_.Write("heap.obj", gen::ObjBytes(testing::HeapPolygons()));
    heap_ = ReadMesh(obj_);
  }
  TempDir dir_;
  std::string obj_;
  Mesh heap_;
};

TEST_F(MeshFormats, EveryFormatGivesTheObjMesh) {
  ASSERT_EQ(heap_.Fc.size(), 1 + 4 * 2 + 4u);  // quads in two, the hexagon in four
  for (const testing::FormatFile& f : testing::HeapFiles(heap_)) {
    SetDecimalSeparator(',');
    ObjReadReport report;
    report.unreadableNumbers = 3;
    ExpectSameMesh(heap_, ReadMeshFile(dir_.Write(f.name, f.bytes), {}, &report), f.name);
    EXPECT_EQ(report.unreadableNumbers, 0) << f.name;
    EXPECT_EQ(DecimalSeparator(), '.') << f.name;
    // Every border between blocks, from one byte at a time on.
    for (const size_t block : std::initializer_list<size_t>{1, 2, 3, 5, 7, 64}) {
      const bool stl = f.name.ends_with(".stl");
      ExpectSameMesh(heap_,
                     stl ? ParseStl(f.bytes, f.name, block) : ParsePly(f.bytes, f.name, block),
                     f.name + " in blocks of " + std::to_string(block));
    }
  }
  // The OBJ file itself goes to the OBJ reader.
  ExpectSameMesh(heap_, ReadMeshFile(obj_), "heap.obj");
}

// A PLY file may list its faces before its vertices; polygons are split
// once the vertices are read.
TEST_F(MeshFormats, FacesBeforeVertices) {
  const std::string ply = gen::PlyBytes(testing::HeapPolygons(), {gen::PlyOptions::Format::kAscii});
  const size_t vertexHead = ply.find("element vertex");
  const size_t faceHead = ply.find("element face");
  const size_t data = ply.find("end_header\n");
  size_t faceData = data;
  for (int line = 0; line <= 12; ++line) faceData = ply.find('\n', faceData) + 1;
  const std::string facesFirst = ply.substr(0, vertexHead) + ply.substr(faceHead, data - faceHead) +
                                 ply.substr(vertexHead, faceHead - vertexHead) + "end_header\n" +
                                 ply.substr(faceData) + ply.substr(data + 11, faceData - data - 11);
  ExpectSameMesh(heap_, ParsePly(facesFirst, "n.ply", 5), "faces first.ply");
}

// Corners merge only where all three coordinates are equal; 0 and -0 are.
TEST(StlMerge, ExactlyEqualCornersOnly) {
  gen::Polygons soup;
  const double tiny = std::nextafter(1.0f, 2.0f);
  soup.points = {{0, 0, 0},    {1, 0, 0},    {0, 1, 0}, {-0.0, 0, 0}, {1, 0, 0},
                 {0, 1, -0.0}, {tiny, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  soup.sizes = {3, 3, 3};
  soup.corners = {0, 1, 2, 3, 4, 5, 6, 7, 8};
  for (const bool binary : {true, false}) {
    const Mesh m = ParseStl(gen::StlBytes(soup, binary), "m.stl");
    ASSERT_EQ(m.V.size(), 6u) << binary;
    EXPECT_EQ(m.Fc[2], (TFace{{1, 2, 3}})) << binary;
    EXPECT_EQ(m.Fc[3], (TFace{{4, 3, 5}})) << binary;
    EXPECT_EQ(m.Vn.size(), 1u);
  }
}

// A binary file of more than 4096 triangles is read by two threads, one
// decoding and one merging; the mesh is the one the ASCII file of the same
// triangles gives (read by one), and an error late in the file still names
// its triangle. (The ASCII file's numbers are decimals, not the floats, so
// only the faces are compared.)
TEST(StlMerge, LargeFilesGiveTheSameMesh) {
  const Mesh terrain = gen::MakeTerrain(100, 50);  // 10,000 triangles
  const gen::Polygons soup = gen::TrianglesOf(terrain);
  const std::string binary = gen::StlBytes(soup, true);
  const Mesh one = ParseStl(gen::StlBytes(soup, false), "a.stl");
  const Mesh two = ParseStl(binary, "b.stl");
  ASSERT_EQ(two.V.size(), terrain.V.size());
  ASSERT_EQ(two.Fc.size(), terrain.Fc.size());
  for (size_t i = 1; i < two.Fc.size(); ++i) {
    ASSERT_EQ(one.Fc[i], two.Fc[i]) << i;
    for (int k = 1; k <= 3; ++k) {
      const Tvertex& t = terrain.V[static_cast<size_t>(terrain.Fc[i][k])];
      EXPECT_EQ(
          two.V[static_cast<size_t>(two.Fc[i][k])],
          (Tvertex{static_cast<float>(t.x), static_cast<float>(t.y), static_cast<float>(t.z)}));
    }
  }
  const std::string late =
      Patched(binary, 84 + 50 * 8999 + 20, std::numeric_limits<float>::infinity());
  EXPECT_THROW(
      {
        try {
          ParseStl(late, "c.stl", 4096);
        } catch (const Error& e) {
          EXPECT_STREQ(e.what(), "Dreieck 9000 hat eine Koordinate, die keine endliche Zahl ist");
          throw;
        }
      },
      Error);
}

// Files cut anywhere are refused with a German text or read; never more.
TEST_F(MeshFormats, EveryPrefixIsReadOrRefused) {
  for (const testing::FormatFile& f : testing::HeapFiles(heap_)) {
    for (size_t n = 0; n < f.bytes.size(); ++n) {
      try {
        const std::string_view cut(f.bytes.data(), n);
        const Mesh m =
            f.name.ends_with(".stl") ? ParseStl(cut, f.name, 16) : ParsePly(cut, f.name, 16);
        for (size_t i = 1; i < m.Fc.size(); ++i) {
          for (int k = 1; k <= 3; ++k) ASSERT_LT(static_cast<size_t>(m.Fc[i][k]), m.V.size());
        }
      } catch (const Error&) {
      }
    }
  }
}

TEST(MeshFormatDetection, ByContent) {
  std::string binaryStl = "solid looks like text" + std::string(59, ' ') + "\x01\0\0\0"s;
  binaryStl += std::string(50, '\0');
  const struct {
    std::string head;
    std::string path;
    MeshFormat want;
  } kCases[] = {
      {"ply\nformat ascii 1.0\n", "a.obj", MeshFormat::kPly},
      {"ply \r\n", "a", MeshFormat::kPly},
      {"plywood\n", "a.ply", MeshFormat::kObj},
      {binaryStl, "a.dat", MeshFormat::kStl},
      {binaryStl.substr(0, 133), "a.stl", MeshFormat::kStl},  // cut short: refused as STL
      {binaryStl.substr(0, 133), "a.obj", MeshFormat::kObj},
      {"  SOLID x\r\n  FACET normal 0 0 1\n", "a", MeshFormat::kStl},
      {"solid x\nendsolid x\n", "a", MeshFormat::kStl},
      {"solid x\nv 1 2 3\n", "a.stl", MeshFormat::kObj},
      {"solidx\nfacet\n", "a.stl", MeshFormat::kObj},
      {"v 0 0 0\nf 1 1 1\n", "a.stl", MeshFormat::kObj},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(DetectMeshFormat(c.head, c.head.size(), c.path), c.want) << c.head;
  }
}

// --- malformed files ---

// Two triangles over four points, as the cases below spoil them.
gen::Polygons Square() {
  gen::Polygons p;
  p.points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 1}, {0, 1, 0}};
  p.sizes = {3, 3};
  p.corners = {0, 1, 2, 0, 2, 3};
  return p;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

struct Malformed {
  const char* what;
  std::string bytes;
  std::string message;
};

std::vector<Malformed> MalformedFiles() {
  const gen::Polygons sq = Square();
  const std::string ascii = gen::PlyBytes(sq, {gen::PlyOptions::Format::kAscii});
  const std::string binary = gen::PlyBytes(sq, {});
  const size_t data = binary.find("end_header\n") + 11;
  const std::string stl = gen::StlBytes(sq, true);
  const std::string text = gen::StlBytes(sq, false);
  const std::string ply = "Die PLY-Datei 'netz' ";
  const std::string st = "Die STL-Datei 'netz' ";
  return {
      {"not ply", Replaced(ascii, "ply\n", "plx\n"), "Die Datei 'netz' beginnt nicht mit 'ply'"},
      {"no end_header", ascii.substr(0, ascii.find("end_header")),
       "Der Kopf der PLY-Datei 'netz' endet nicht mit 'end_header'"},
      {"data in the header", Replaced(ascii, "end_header\n", ""),
       "Zeile 10: '0 0 0' ist keine gültige Kopfzeile"},
      {"unknown type", Replaced(ascii, "float z", "half z"),
       "Zeile 7: unbekannter Eigenschaftstyp 'half'"},
      {"unknown format", Replaced(ascii, "ascii 1.0", "binary_middle_endian 1.0"),
       "Zeile 2: unbekanntes PLY-Format 'binary_middle_endian'"},
      {"no format", Replaced(ascii, "format ascii 1.0\n", ""),
       "Der Kopf der PLY-Datei 'netz' hat keine Zeile 'format'"},
      {"bad count", Replaced(ascii, "vertex 4", "vertex vier"),
       "Zeile 4: 'vier' ist keine gültige Anzahl"},
      {"no z", Replaced(ascii, "property float z\n", ""),
       "Zeile 4: Element 'vertex' ohne Eigenschaft 'z'"},
      {"no index list", Replaced(ascii, "vertex_indices", "vertex_ids"),
       "Zeile 8: Element 'face' ohne Liste 'vertex_indices'"},
      {"x a list", Replaced(ascii, "float x", "list uchar float x"),
       "Zeile 5: Eigenschaft 'x' von 'vertex' ist eine Liste"},
      {"no vertex element", Replaced(ascii, "vertex 4", "vertices 4"),
       "Der Kopf der PLY-Datei 'netz' hat kein Element 'vertex'"},
      {"no faces", Replaced(ascii, "face 2", "face 0"), ply + "enthält keine Flächen"},
      {"ascii bad corner", Replaced(ascii, "3 0 2 3", "3 0 a 3"),
       "Zeile 16: 'a' ist keine gültige Eckpunktnummer"},
      {"ascii bad count", Replaced(ascii, "3 0 2 3", "2.5 0 2 3"),
       "Zeile 16: '2.5' ist keine gültige Anzahl"},
      {"ascii cut", ascii.substr(0, ascii.size() - 4),
       ply + "ist unvollständig: 1 von 2 Elementen 'face' gelesen"},
      {"ascii index beyond", Replaced(ascii, "3 0 2 3", "3 0 2 4"),
       "Zeile 16: Eckpunkt 4 existiert nicht"},
      {"ascii two corners", Replaced(ascii, "3 0 2 3", "2 0 2"),
       "Zeile 16: Fläche mit weniger als 3 Eckpunkten"},
      {"ascii no number", Replaced(ascii, "1 1 1", "1 x1 1"),
       "Zeile 13: 'x1' ist keine gültige Zahl"},
      {"ascii nan", Replaced(ascii, "1 1 1", "1 nan 1"), "Zeile 13: 'nan' ist keine gültige Zahl"},
      {"binary cut in the vertices", binary.substr(0, data + 20),
       ply + "ist unvollständig: 1 von 4 Elementen 'vertex' gelesen"},
      {"binary cut in the faces", binary.substr(0, binary.size() - 3),
       ply + "ist unvollständig: 1 von 2 Elementen 'face' gelesen"},
      {"binary index beyond", Patched(binary, -4, std::int32_t{4}),
       "Fläche 2: Eckpunkt 4 existiert nicht"},
      {"binary negative index", Patched(binary, -4, std::int32_t{-1}),
       "Fläche 2: Eckpunkt -1 existiert nicht"},
      {"binary two corners", Patched(binary, static_cast<long>(data + 48), std::uint8_t{2}),
       "Fläche 1: weniger als 3 Eckpunkte"},
      {"binary infinite", Patched(binary, static_cast<long>(data + 28), INFINITY),
       "Eckpunkt 2 hat eine Koordinate, die keine endliche Zahl ist"},
      {"stl cut", stl.substr(0, stl.size() - 4),
       st + "ist unvollständig: 2 Dreiecke angegeben, aber nur 180 von 184 Bytes vorhanden"},
      {"stl too long", stl + "\0\0"s, st + "hat 2 Bytes mehr, als ihre 2 Dreiecke brauchen"},
      {"stl shorter than its header", "solid", st + "ist kürzer als ihr Kopf von 84 Bytes"},
      {"stl without triangles", Patched(stl.substr(0, 84), 80, std::uint32_t{0}),
       st + "enthält keine Flächen"},
      {"stl nan", Patched(stl, 84 + 50 + 16, std::nanf("")),
       "Dreieck 2 hat eine Koordinate, die keine endliche Zahl ist"},
      {"ascii stl keyword", Replaced(text, "vertex 1 0 0", "vertx 1 0 0"),
       "Zeile 5: 'vertex' oder 'endloop' erwartet statt 'vertx'"},
      {"ascii stl cut", text.substr(0, text.find("endloop")),
       st + "endet mitten in einem Dreieck (Zeile 6)"},
      {"ascii stl no number", Replaced(text, "vertex 1 1 1", "vertex 1 eins 1"),
       "Zeile 6: 'eins' ist keine gültige Zahl"},
      {"ascii stl two corners", Replaced(text, "      vertex 1 1 1\n", ""),
       "Zeile 6: Fläche mit weniger als 3 Eckpunkten"},
      {"ascii stl without facets", "solid leer\nendsolid leer\n", st + "enthält keine Flächen"},
  };
}

TEST(MalformedMeshFiles, EachGivesItsMessage) {
  for (const Malformed& c : MalformedFiles()) {
    const bool stl = std::string_view(c.what).find("stl") != std::string_view::npos;
    for (const size_t block : {size_t{3}, BlockReader::kBlockBytes}) {
      std::string error = "(read)";
      try {
        stl ? ParseStl(c.bytes, "netz", block) : ParsePly(c.bytes, "netz", block);
      } catch (const Error& e) {
        error = e.what();
      }
      EXPECT_EQ(error, c.message) << c.what;
    }
  }
}

TEST(MalformedMeshFiles, ThroughTheFileNameTheMessagesNameTheFile) {
  TempDir dir;
  const std::string path = dir.Write("netz.stl", gen::StlBytes(Square(), true) + "\0"s);
  try {
    ReadMeshFile(path);
    ADD_FAILURE() << "read";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Die STL-Datei '" + path + "' hat 1 Byte mehr, als ihre 2 Dreiecke brauchen");
  }
  // A pipe is refused at once, as by the OBJ reader.
  const std::string pipe = (dir.path() / "rohr.ply").string();
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_THROW(
      {
        try {
          ReadMeshFile(pipe);
        } catch (const Error& e) {
          EXPECT_STREQ(e.what(), "Dateizugriff verweigert");
          throw;
        }
      },
      Error);
}

}  // namespace
}  // namespace quervik
