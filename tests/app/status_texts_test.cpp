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

// What an export wrote, singular for one, and what a cancel left.
TEST(StatusTexts, WhatTheExportsWrote) {
  SetDecimalSeparator(',');
  EXPECT_EQ(ExactVolumeText(6013.346), "6013,35");
  EXPECT_EQ(ExactVolumeText(-0.004), "-0,00");
  SetDecimalSeparator('.');
  EXPECT_EQ(SectionDxfDoneText(20, "/d/S1.dxf"),
            "DXF Datei von Schnittlinie erzeugt – 20 Linien in /d/S1.dxf");
  EXPECT_EQ(SectionDxfDoneText(1, "S1.dxf"),
            "DXF Datei von Schnittlinie erzeugt – 1 Linie in S1.dxf");
  EXPECT_EQ(MeshDxfDoneText(19200, "/d/h.DXF"), "Fertig! – 19200 Faces (57600 Linien) in /d/h.DXF");
  EXPECT_EQ(MeshDxfDoneText(1, "h.DXF"), "Fertig! – 1 Face (3 Linien) in h.DXF");
  EXPECT_EQ(SeriesDoneText(18, 5234, "/d/Schnitte.dxf"),
            "Fertig! – 18 Schnitte mit 5234 Linien in /d/Schnitte.dxf");
  EXPECT_EQ(SeriesDoneText(1, 0, "Schnitte.dxf"),
            "Fertig! – 1 Schnitt mit 0 Linien in Schnitte.dxf");
  EXPECT_EQ(CreasesWrittenText(0, 245, "/d/Bruchkanten.dxf"),
            "Fertig! – 245 Bruchkanten in /d/Bruchkanten.dxf");
  EXPECT_EQ(CreasesWrittenText(2, 1, "B.dxf"),
            "Fertig! 2 Faces ohne Fläche übersprungen – 1 Bruchkante in B.dxf");
  EXPECT_EQ(ContoursDoneText(ContourResult{{"/d/Hoehenlinien.dxf", "/d/x.geojson"}, 3, 1, 1}),
            "Fertig! – 1 Polylinie, davon 1 geschlossen, in /d/Hoehenlinien.dxf");
  EXPECT_EQ(CurveDoneText(18, "/d/Volumenkurve.csv"), "Fertig! – 18 Höhen in /d/Volumenkurve.csv");
  EXPECT_EQ(CurveDoneText(1, "V.csv"), "Fertig! – 1 Höhe in V.csv");
  EXPECT_EQ(ExportCancelledText("/d/Schnitte.dxf"),
            "Abgebrochen – /d/Schnitte.dxf bleibt unverändert");
  EXPECT_EQ(LoadCancelledText("/d/netz.obj"), "Abgebrochen – /d/netz.obj wurde nicht geladen");
}

}  // namespace
}  // namespace quervik
