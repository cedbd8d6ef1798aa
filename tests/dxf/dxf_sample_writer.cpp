// Writes a set of DXF files with the writer and the exports into the folder
// given as the only argument, for a real DXF reader to read back
// (ezdxf_readback.py).
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "app/dxf_exports.h"
#include "app/series_levels.h"
#include "core/number_format.h"
#include "dxf/dxf_writer.h"
#include "support/meshes.h"

using namespace quervik;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Aufruf: dxf_sample_writer ORDNER\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  try {
    SetDecimalSeparator('.');
    DxfWriter w;
    w.DXFFileName = dir + "entities.dxf";
    w.DXFOpen();
    w.DXFLinie(1.5, -0.25, 0, 345.678, 2.0 / 3.0, 100, "L1", "CONTINUOUS");
    w.DXFPunkt(-3, 4.25, 1e-300, "Punkte", "CONTINUOUS");
    w.DXFText(1, 2, 3, "Hallo Welt", "Texte", "CONTINUOUS", 90, 2.5);
    w.DXFText(0, 0, 0, "gross", "Texte", "CONTINUOUS", 1234567.5, 1e6);
    w.DXFClose();

    // The square pyramid of the tests: base (0,0)-(4,4), apex (2,2,4).
    const Mesh m = test::Pyramid();
    const std::string obj = dir + "teil.obj";

    WriteMeshDxf(obj, m);

    TContour contour;
    CalculateContour(m, StrToFloat("   3.000"), contour);
    SchreibDXF(obj, "   3.000", contour);

    const SectionIndex index = SectionIndex::Build(m);
    WriteSeriesDxf(obj, m, &index, SeriesLevelTexts(m.zmin, m.zmax, 0.5));

    SchreibBruchkantenDXF(obj, m, {{1, 2}, {2, 5}, {3, 4}});
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
