// The curve's CSV: its text with either decimal separator, and the file.
#include "app/curve_export.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

}  // namespace
}  // namespace quervik
