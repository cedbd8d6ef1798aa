// quervik-batch on one mesh written as OBJ, PLY (ASCII, both binary byte
// orders, float and double, uchar and int list counts, extra properties)
// and STL (ASCII and binary): the section DXF has the same bytes from every
// one of them, and the mesh DXF lands beside the input as <name>.DXF.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../model/format_meshes.h"
#include "model/obj_reader.h"
#include "support/program.h"
#include "support/temp_dir.h"

namespace quervik {
namespace {

using test::ReadFile;
using test::TempDir;

using test::Outcome;

// The arguments are paths of a temporary folder and numbers: no blanks.
Outcome Batch(const std::string& args) {
  std::vector<std::string> argv;
  for (size_t at = 0; at < args.size();) {
    const size_t blank = args.find(' ', at);
    argv.push_back(args.substr(at, blank - at));
    at = blank == std::string::npos ? args.size() : blank + 1;
  }
  return test::Program(QUERVIK_BATCH).Run(argv);
}

TEST(BatchMeshFormats, SameSectionFromEveryFormat) {
  TempDir dir;
  const std::string obj = dir / "heap.obj";
  test::WriteFile(obj, gen::ObjBytes(testing::HeapPolygons()));
  Outcome r = Batch("section " + obj + " 101.75");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string want = ReadFile(dir / "S101_75.dxf");
  size_t lines = 0;
  for (size_t at = want.find("LINE\r\n"); at != std::string::npos;
       at = want.find("LINE\r\n", at + 1)) {
    ++lines;
  }
  ASSERT_GE(lines, 8u);  // a real section, not an empty one
  r = Batch("mesh " + obj);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string wantMesh = ReadFile(dir / "heap.DXF");

  for (const testing::FormatFile& f : testing::HeapFiles(ReadMesh(obj))) {
    std::filesystem::remove(dir / "S101_75.dxf");
    const std::string path = dir / f.name;
    test::WriteFile(path, f.bytes);
    r = Batch("section " + path + " 101.75");
    EXPECT_EQ(r.status, 0) << f.name << r.err;
    EXPECT_EQ(r.out, dir / "S101_75.dxf\n") << f.name;
    EXPECT_EQ(ReadFile(dir / "S101_75.dxf"), want) << f.name;
    if (f.name.ends_with(".ply")) {
      const std::string stem = f.name.substr(0, f.name.size() - 4);
      r = Batch("mesh " + path);
      EXPECT_EQ(r.out, dir / (stem + ".DXF") + "\n") << f.name;
      EXPECT_EQ(ReadFile(dir / (stem + ".DXF")), wantMesh) << f.name;
    }
  }
  r = Batch("info " + dir / "ascii_clutter.ply");
  EXPECT_EQ(r.out,
            "13 Vertices 13 Verticenormals 13 Faces geladen\nSchnitthöhe 100.000 - 104.000\n");
  test::WriteFile(dir / "kaputt.stl", "solid x\nfacet normal 0 0 1\nouter loop\n");
  r = Batch("info " + dir / "kaputt.stl");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "Die STL-Datei '" + dir / "kaputt.stl" + "' endet mitten in einem Dreieck (Zeile 3)\n");
}

}  // namespace
}  // namespace quervik
