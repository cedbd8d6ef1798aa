// The texts the window and the batch tool share.
#include "app/status_texts.h"

#include <gtest/gtest.h>

#include "app/contour_export.h"
#include "core/number_format.h"

namespace quervik {
namespace {

TEST(StatusTexts, CountsRangesAndFinishes) {
  SetDecimalSeparator(',');
  Mesh m;
  m.V.resize(9);
  m.Vn.resize(1);
  m.Fc.resize(13);
  TContour c;
  c.Points.resize(20);
  c.Contours.resize(19);
  EXPECT_EQ(LoadedText(m), "9 Vertices 1 Verticenormals 13 Faces geladen");
  EXPECT_EQ(HeightRangeText(100, 117.7385), "Schnitthöhe 100,000 - 117,739");
  EXPECT_EQ(SectionDoneText(c), "Fertig: Schnittlinie 20 Punkte 19 Linien");
  EXPECT_EQ(VolumeText(624.5), "   625");
  EXPECT_EQ(VolumeText(-1234567.4), "-1234567");
  SetDecimalSeparator('.');
  EXPECT_EQ(CreasesFoundText(12), "12 Kanten gefunden");
  EXPECT_EQ(CreasesWritingText(0, "/d/Bruchkanten.dxf"),
            "0 Kanten gefunden schreibe /d/Bruchkanten.dxf");
  EXPECT_EQ(CreasesDoneText(0), "Fertig!");
  EXPECT_EQ(CreasesDoneText(2), "Fertig! 2 Faces ohne Fläche übersprungen");
  EXPECT_EQ(SkippedFacesText(1), "1 Faces ohne Fläche übersprungen");
  EXPECT_EQ(ContourSummary(ContourResult{{}, 3, 12, 5}), "12 Polylinien, davon 5 geschlossen");
}

}  // namespace
}  // namespace quervik
