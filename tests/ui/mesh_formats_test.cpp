// The load command with PLY and STL files: a binary PLY loads like its OBJ
// twin, a cut-off STL file is refused with its message and the PLY mesh
// stays, with its path, range and section.
#include <QLabel>
#include <QLineEdit>

#include <string>

#include "../model/format_meshes.h"
#include "model/obj_reader.h"
#include "ui_test_support.h"

using uitest::Harness;

class MeshFormatsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { uitest::ResetProcessState(); }

  void plyLoadsAndABrokenStlKeepsIt() {
    Harness h;
    TForm1& f = h.form();
    const std::string obj = quervik::gen::ObjBytes(quervik::testing::HeapPolygons());
    const QString objPath = h.writeFile(QStringLiteral("heap.obj"), QByteArray::fromStdString(obj));
    const quervik::Mesh heap = quervik::ReadMesh(objPath.toStdString());
    const std::string ply = quervik::gen::PlyBytes(quervik::testing::HeapPolygons(), {});
    const QString plyPath = h.writeFile(QStringLiteral("heap.ply"), QByteArray::fromStdString(ply));
    h.load(plyPath);
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(f.StatusText(), QStringLiteral("13 Vertices 1 Verticenormals 13 Faces geladen"));
    QCOMPARE(uitest::Label(f, "Label2")->text(), QStringLiteral("Schnitthöhe 100.000 - 104.000"));
    QCOMPARE(uitest::Edit(f, "EditLevel")->text(), QStringLiteral("102.000"));
    const size_t points = f.contour().Points.size();
    QVERIFY(points > 0);

    std::string stl = quervik::gen::StlBytes(quervik::gen::TrianglesOf(heap), true);
    stl.resize(stl.size() - 10);
    const QString stlPath = h.writeFile(QStringLiteral("heap.stl"), QByteArray::fromStdString(stl));
    h.load(stlPath);
    QCOMPARE(h.desktop().errors,
             QStringList{QStringLiteral("Die STL-Datei '%1' ist unvollständig: 12 Dreiecke "
                                        "angegeben, aber nur 674 von 684 Bytes vorhanden")
                             .arg(stlPath)});
    QCOMPARE(uitest::Edit(f, "Edit1")->text(), plyPath);
    QCOMPARE(f.mesh().Fc.size(), size_t{13});
    QCOMPARE(uitest::Label(f, "Label2")->text(), QStringLiteral("Schnitthöhe 100.000 - 104.000"));
    QCOMPARE(f.contour().Points.size(), points);
  }
};

QUERVIK_UI_TEST_MAIN(MeshFormatsTest)
#include "mesh_formats_test.moc"
