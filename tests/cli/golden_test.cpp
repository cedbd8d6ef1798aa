// Every export and every printed text of quervik-batch on small meshes,
// compared byte for byte with the golden files under tests/data/golden/
// (one folder per case: each file the command wrote, and its output as
// stdout.txt). The window writes the same bytes (ui_batch_test).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "support/golden.h"
#include "support/program.h"
#include "support/temp_dir.h"

namespace quervik {
namespace {

using test::TempDir;

struct GoldenCase {
  const char* name;  // the folder of its golden files
  std::vector<std::string> args;
};

// golden_hill.obj: a 5 x 5 grid of heights 100.1 to 105.8 read from quads,
// with a face without area; dxf_pyramid_comma.obj: the pyramid with decimal
// commas, so levels, layers and figures use the comma.
const GoldenCase kCases[] = {
    {"section", {"section", "golden_hill.obj", "102.5"}},
    {"section_comma", {"section", "dxf_pyramid_comma.obj", "2,5"}},
    {"series", {"series", "golden_hill.obj", "1"}},
    {"series_comma", {"series", "dxf_pyramid_comma.obj", "0,5"}},
    {"mesh", {"mesh", "golden_hill.obj"}},
    {"creases", {"creases", "golden_hill.obj", "10"}},
    {"contours", {"contours", "golden_hill.obj", "1", "--geojson"}},
    {"contour_level",
     {"contours", "golden_hill.obj", "0.5", "--level", "102.5", "--major", "2", "--geojson"}},
    {"curve_csv", {"curve", "golden_hill.obj", "1", "--csv", "kurve.csv"}},
    {"curve_csv_comma", {"curve", "dxf_pyramid_comma.obj", "0,5", "--csv", "kurve.csv"}},
    {"curve", {"curve", "golden_hill.obj", "1"}},
    {"info", {"info", "golden_hill.obj", "--level", "102.5"}},
    {"volume", {"volume", "golden_hill.obj", "102.5"}},
    {"volume_json", {"volume", "golden_hill.obj", "102.5", "--json"}},
};

void PrintTo(const GoldenCase& c, std::ostream* os) {
  *os << "quervik-batch";
  for (const std::string& a : c.args) *os << ' ' << a;
}

class Golden : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(Golden, FilesAndOutputAreTheGoldenBytes) {
  const GoldenCase& c = GetParam();
  TempDir dir;
  const std::string obj = c.args[1];
  std::filesystem::copy_file(std::string(QUERVIK_TEST_DATA) + "/" + obj, dir / obj);

  // Run in the mesh's folder with a relative path: the output names files
  // without the folder, so it is the same everywhere.
  test::Program batch(QUERVIK_BATCH);
  const test::Outcome r = batch.Run(c.args, dir.path().string());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");

  std::vector<std::string> written{"stdout.txt"};
  test::ExpectGolden(std::string(c.name) + "/stdout.txt", r.out);
  for (const std::string& name : dir.Names()) {
    if (name == obj) continue;
    written.push_back(name);
    test::ExpectGolden(std::string(c.name) + "/" + name, test::ReadFile(dir / name));
  }
  std::sort(written.begin(), written.end());
  const std::vector<std::string> golden = test::GoldenNames(c.name);
  if (test::UpdatingGolden()) {
    for (const std::string& name : golden) {
      if (std::find(written.begin(), written.end(), name) != written.end()) continue;
      std::filesystem::remove(test::GoldenFolder() / c.name / name);
      ADD_FAILURE() << "golden file removed: tests/data/golden/" << c.name << "/" << name;
    }
    return;
  }
  EXPECT_EQ(written, golden) << "the files written are not the golden files";
}

INSTANTIATE_TEST_SUITE_P(Exports, Golden, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<GoldenCase>& c) {
                           return std::string(c.param.name);
                         });

}  // namespace
}  // namespace quervik
