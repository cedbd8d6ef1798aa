// The load command (ToolButton1): the file dialog, the height label, the
// slider moved to its middle, the level field and the section, volume and
// picture at that level, the count line; a second load, decimal commas,
// loads that fail and a cancelled dialog.
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include "core/number_format.h"
#include "ui_test_support.h"

using uitest::Control;
using uitest::Edit;
using uitest::Harness;
using uitest::Label;
using uitest::Tool;

// ui_box.obj, the closed box used by most window tests:
//
//        8-----------7        z = 5
//       /|          /|
//      5-----------6 |        vertices 1..4 at z = 0, 5..8 at z = 5,
//      | 4---------|-3        x and y from 0 to 10;
//      |/          |/         two triangles per side, wound outwards:
//      1-----------2          12 faces, no normals
//
// A load cuts it at the middle height 2.5 that the level field shows: eight
// segments (two per side), eight points (four corners, four on the side
// diagonals). The volume above 2.5 is the top's prism 100 * 2.5 = 250.
class LoadTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { uitest::ResetProcessState(); }

  void loadThroughTheDialog() {
    Harness h;
    TForm1& f = h.form();
    const QString obj = h.copyData(QStringLiteral("ui_box.obj"));
    QStringList levels;  // every text the level field showed during the load
    const QMetaObject::Connection watch = connect(Edit(f, "EditLevel"), &QLineEdit::textChanged,
                                                  this, [&](const QString& t) { levels << t; });
    h.load(obj);
    disconnect(watch);
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(h.desktop().warnings, QStringList());
    QCOMPARE(h.desktop().dialogCalls, 1);
    QCOMPARE(Edit(f, "Edit1")->text(), obj);
    QCOMPARE(f.mesh().V.size(), size_t{9});
    QCOMPARE(f.mesh().Fc.size(), size_t{13});
    QCOMPARE(Label(f, "Label2")->text(), QStringLiteral("Schnitthöhe 0.000 - 5.000"));
    QCOMPARE(Control<QSlider>(f, "TrackBar1")->value(), 347);
    // Section and volume belong to the middle height in the field; the
    // slider's own level (2.496) is never shown nor cut.
    QCOMPARE(levels, QStringList{QStringLiteral("2.500")});
    QCOMPARE(Edit(f, "EditLevel")->text(), QStringLiteral("2.500"));
    QCOMPARE(f.contour().Level, 2.5);
    QCOMPARE(f.contour().Contours.size(), size_t{8});
    QCOMPARE(f.contour().Points.size(), size_t{8});
    QCOMPARE(Edit(f, "EditMasse")->text(), QStringLiteral("   250"));
    // The first fit divides the x extent 10 by the laid-out width 695.
    QCOMPARE(f.view().mf, 10.0 / 695.0);
    QCOMPARE(f.view().xoffset, 0.0);
    QCOMPARE(f.view().yoffset, 10.0);
    QCOMPARE(Edit(f, "EditMasstab")->text(), QStringLiteral(" 69.500000"));
    QCOMPARE(f.StatusText(), QStringLiteral("9 Vertices 1 Verticenormals 13 Faces geladen"));
    // The file is read under the wait cursor; the arrow comes back at the end.
    QCOMPARE(h.statuses,
             (QStringList{QStringLiteral("OBJ-Datei lesen ..."),
                          QStringLiteral("9 Vertices 1 Verticenormals 13 Faces geladen")}));
    QCOMPARE(h.statusCursors.first(), Qt::WaitCursor);
    QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);
    // The draw sized the surface to the window's outer size less 100 rows
    // and drew the square in red on white: its top edge on row 0 and its
    // left edge on column 0.
    const QRect outer = f.frameGeometry();
    QCOMPARE(h.paintBox()->size(), QSize(outer.width(), outer.height() - 100));
    const QImage img = h.picture();
    QCOMPARE(uitest::CountOther(img), 0);
    QVERIFY(uitest::IsRed(img.pixel(0, 0)));
    QVERIFY(uitest::IsRed(img.pixel(300, 0)));
    QVERIFY(uitest::IsRed(img.pixel(0, 300)));
    QVERIFY(uitest::IsWhite(img.pixel(300, 300)));
  }

  // Four vertices, two normals, one face: the counts include slot 0.
  void countLineIncludesThePlaceholders() {
    Harness h;
    h.load(h.copyData(QStringLiteral("ui_trafo.obj")));
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(h.form().StatusText(), QStringLiteral("5 Vertices 3 Verticenormals 2 Faces geladen"));
    QCOMPARE(Label(h.form(), "Label2")->text(), QStringLiteral("Schnitthöhe 0.000 - 1.000"));
    QCOMPARE(Edit(h.form(), "EditLevel")->text(), QStringLiteral("0.500"));
  }

  // The slider already stands at 347, yet the second load cuts the new
  // mesh (ui_trafo.obj, z 0..1) at its middle: section, volume and picture
  // no longer belong to the box cut at 1 in between.
  void secondLoadCutsTheNewMesh() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    h.section(QStringLiteral("1"));
    QCOMPARE(Edit(f, "EditMasse")->text(), QStringLiteral("   400"));
    const QImage box = h.picture();
    h.load(h.copyData(QStringLiteral("ui_trafo.obj")));
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(Control<QSlider>(f, "TrackBar1")->value(), 347);
    QCOMPARE(Edit(f, "EditLevel")->text(), QStringLiteral("0.500"));
    QCOMPARE(f.contour().Level, 0.5);
    QCOMPARE(f.contour().Contours.size(), size_t{1});  // (0.5, 0) - (0, 0.5)
    QCOMPARE(Edit(f, "EditMasse")->text(), QStringLiteral("     0"));
    QCOMPARE(f.view().xoffset, 0.0);
    QCOMPARE(f.view().yoffset, 0.5);
    QVERIFY(h.picture() != box);
    QCOMPARE(f.StatusText(), QStringLiteral("5 Vertices 3 Verticenormals 2 Faces geladen"));
  }

  // ui_comma.obj ends with "v 1,5 2,0 3,25": the separator stays ',' for
  // the label and the level field, and the section is cut at the level
  // "1,875" read back with ','. Activating the window again brings back '.',
  // and that level is then refused.
  void decimalCommasLastUntilTheWindowIsActivated() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_comma.obj")));
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(quervik::DecimalSeparator(), ',');
    QCOMPARE(Label(f, "Label2")->text(), QStringLiteral("Schnitthöhe 0,500 - 3,250"));
    QCOMPARE(Edit(f, "EditLevel")->text(), QStringLiteral("1,875"));
    QCOMPARE(f.contour().Level, 1.875);
    QCOMPARE(f.contour().Contours.size(), size_t{1});
    QCOMPARE(f.mesh().V[4].x, 1.5);
    QCOMPARE(f.mesh().V[4].z, 3.25);

    QWidget other;
    other.resize(100, 100);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QCOMPARE(quervik::DecimalSeparator(), ',');
    f.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    QCOMPARE(quervik::DecimalSeparator(), '.');

    h.click(Tool(f, "ToolButtonRechnen"));
    QCOMPARE(h.desktop().errors,
             QStringList{QStringLiteral("'1,875' ist kein gültiger Gleitkommawert")});
    QCOMPARE(f.StatusText(), QStringLiteral("Rechnen..."));
    QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);
  }

  // FormActivate itself sets '.'.
  void formActivateSetsTheFullStop() {
    Harness h;
    quervik::SetDecimalSeparator(',');
    h.form().FormActivate();
    QCOMPARE(quervik::DecimalSeparator(), '.');
  }

  // A missing file: the German text, and the previous mesh and texts stay,
  // the path of that mesh included.
  void missingFileKeepsThePreviousMesh() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    const QString missing = h.path(QStringLiteral("fehlt.obj"));
    h.load(missing);
    QCOMPARE(h.desktop().errors, QStringList{QStringLiteral("Datei nicht gefunden")});
    QCOMPARE(f.mesh().V.size(), size_t{9});
    QCOMPARE(f.mesh().Fc.size(), size_t{13});
    QCOMPARE(f.mesh().zmax, 5.0);
    QCOMPARE(Label(f, "Label2")->text(), QStringLiteral("Schnitthöhe 0.000 - 5.000"));
    QCOMPARE(Edit(f, "EditLevel")->text(), QStringLiteral("2.500"));
    QCOMPARE(Control<QSlider>(f, "TrackBar1")->value(), 347);
    QCOMPARE(Edit(f, "Edit1")->text(), h.path(QStringLiteral("ui_box.obj")));
    QCOMPARE(f.StatusText(), QStringLiteral("OBJ-Datei lesen ..."));
    QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);
  }

  // "f 1 2 7" in a file of three vertices (line 4) is refused with the
  // line named; the box loaded before stays with its path, so the mesh
  // export writes the box beside its own file, not into the refused file's
  // folder under the refused file's name.
  void faceNamingAMissingVertexIsRefused() {
    Harness h;
    TForm1& f = h.form();
    const QString obj = h.copyData(QStringLiteral("ui_box.obj"));
    h.load(obj);
    const std::vector<quervik::Tvertex> before = f.mesh().V;
    QVERIFY(QDir(h.dir()).mkdir(QStringLiteral("neu")));
    h.load(h.copyData(QStringLiteral("ui_badface.obj"), QStringLiteral("neu/ui_badface.obj")));
    QCOMPARE(h.desktop().errors.size(), 1);
    const QString text = h.desktop().errors.first();
    QVERIFY2(text.startsWith(QStringLiteral("Zeile ")), qPrintable(text));
    QVERIFY2(text.contains(QLatin1Char('4')), qPrintable(text));
    QCOMPARE(f.mesh().V.size(), before.size());
    QCOMPARE(f.mesh().V[7].x, before[7].x);
    QCOMPARE(f.mesh().Fc.size(), size_t{13});
    QCOMPARE(Label(f, "Label2")->text(), QStringLiteral("Schnitthöhe 0.000 - 5.000"));
    QCOMPARE(Edit(f, "EditLevel")->text(), QStringLiteral("2.500"));
    QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);
    QCOMPARE(Edit(f, "Edit1")->text(), obj);
    h.click(Tool(f, "ToolButton4"));
    QCOMPARE(h.desktop().errors.size(), 1);
    QVERIFY(uitest::ReadDxf(h.path(QStringLiteral("ui_box.DXF"))).framed);
    QCOMPARE(QDir(h.path(QStringLiteral("neu"))).entryList(QDir::Files),
             QStringList{QStringLiteral("ui_badface.obj")});
  }

  // Cancelling the dialog with an empty Edit1 does nothing at all.
  void cancelWithEmptyPathDoesNothing() {
    Harness h;
    TForm1& f = h.form();
    h.load(QString());
    QCOMPARE(h.desktop().dialogCalls, 1);
    QCOMPARE(h.desktop().errors, QStringList());
    QVERIFY(f.mesh().V.empty());
    QCOMPARE(Edit(f, "Edit1")->text(), QString());
    QCOMPARE(Label(f, "Label2")->text(), QStringLiteral("Schnitt bei Höhe"));
    QCOMPARE(Edit(f, "EditLevel")->text(), QString());
    QCOMPARE(Control<QSlider>(f, "TrackBar1")->value(), 0);
    QCOMPARE(f.StatusText(), QString());
    QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);
  }

  // Cancelling with a path in Edit1 changes nothing either: the file is
  // not read again (here it was replaced on disk in between), and the
  // transformed mesh stays as it is.
  void cancelKeepsTheTransformedMesh() {
    Harness h;
    TForm1& f = h.form();
    const QString obj = h.copyData(QStringLiteral("ui_box.obj"));
    h.load(obj);
    Edit(f, "EditdZ")->setText(QStringLiteral("10"));
    h.click(Control<QPushButton>(f, "ButtonTrafo"));
    const std::vector<quervik::Tvertex> moved = f.mesh().V;
    const QString status = f.StatusText();
    h.writeFile(QStringLiteral("ui_box.obj"), uitest::DataFile(QStringLiteral("ui_trafo.obj")));
    h.statuses.clear();
    h.load(QString());
    QCOMPARE(h.desktop().dialogCalls, 2);
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(Edit(f, "Edit1")->text(), obj);
    QCOMPARE(f.mesh().V.size(), moved.size());
    QCOMPARE(f.mesh().V[5].z, moved[5].z);
    QCOMPARE(f.mesh().zmax, 15.0);
    QCOMPARE(Label(f, "Label2")->text(), QStringLiteral("Schnitthöhe 10.000 - 15.000"));
    QCOMPARE(Edit(f, "EditLevel")->text(), QStringLiteral("    12.500"));
    QCOMPARE(f.contour().Level, 12.5);
    QCOMPARE(h.statuses, QStringList());
    QCOMPARE(f.StatusText(), status);
    QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);
  }

  // A file without any face is no mesh: refused with its name, and nothing
  // changes.
  void fileWithoutFacesIsRefused() {
    Harness h;
    TForm1& f = h.form();
    const QString empty = h.writeFile(QStringLiteral("leer.obj"), "# nichts\n\nvt 0.5 0.5\n");
    h.load(empty);
    QCOMPARE(h.desktop().errors,
             QStringList{QStringLiteral("Die Datei '%1' enthält keine Flächen und ist kein "
                                        "Dreiecksnetz im OBJ-Format")
                             .arg(empty)});
    QVERIFY(f.mesh().V.empty());
    QCOMPARE(f.StatusText(), QStringLiteral("OBJ-Datei lesen ..."));
    QCOMPARE(Label(f, "Label2")->text(), QStringLiteral("Schnitt bei Höhe"));
    QCOMPARE(Edit(f, "EditLevel")->text(), QString());
    QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);
  }

  // A face that would need the placeholder origin refuses the file, and the
  // box loaded before stays.
  void faceWithoutThreeGoodCornersIsRefused_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("error");
    QTest::newRow("two corners") << QByteArray("v 0 0 0\nv 1 0 0\nf 1 2\n")
                                 << QStringLiteral("Zeile 3: Fläche mit weniger als 3 Eckpunkten");
    QTest::newRow("corner 0") << QByteArray("v 0 0 0\nf 0 1 1\n")
                              << QStringLiteral("Zeile 2: Eckpunkt 0 existiert nicht");
    QTest::newRow("no integer") << QByteArray("v 0 0 0\nf 1 1 x\n")
                                << QStringLiteral("Zeile 2: 'x' ist keine gültige Eckpunktnummer");
  }
  void faceWithoutThreeGoodCornersIsRefused() {
    QFETCH(QByteArray, text);
    QFETCH(QString, error);
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    h.load(h.writeFile(QStringLiteral("schlecht.obj"), text));
    QCOMPARE(h.desktop().errors, QStringList{error});
    QCOMPARE(f.mesh().V.size(), size_t{9});
    QCOMPARE(f.mesh().Fc.size(), size_t{13});
    QCOMPARE(Label(f, "Label2")->text(), QStringLiteral("Schnitthöhe 0.000 - 5.000"));
  }

  // The box of ui_box.obj written as six quadrilaterals: each is split in
  // two, so the counts and the sections are those of the triangle box (a
  // quad cut to its first three corners would lose half of every section).
  void quadBoxKeepsItsWholeSurface() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    h.section(QStringLiteral("0"));
    const QString triangleBoxAtZero = f.StatusText();
    h.load(h.writeFile(QStringLiteral("quader.obj"),
                       "v 0 0 0\nv 10 0 0\nv 10 10 0\nv 0 10 0\n"
                       "v 0 0 5\nv 10 0 5\nv 10 10 5\nv 0 10 5\n"
                       "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 2 3 7 6\nf 3 4 8 7\nf 4 1 5 8\n"));
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(f.StatusText(), QStringLiteral("9 Vertices 1 Verticenormals 13 Faces geladen"));
    h.section(QStringLiteral("2.496"));
    QCOMPARE(f.StatusText(), QStringLiteral("Fertig: Schnittlinie 8 Punkte 8 Linien"));
    QCOMPARE(Edit(f, "EditMasse")->text(), QStringLiteral("   250"));
    h.section(QStringLiteral("0"));
    QCOMPARE(f.StatusText(), triangleBoxAtZero);
  }

  // Coordinates that are missing or no number are read as 0, as ever; the
  // count line stays as it is, and a warning box tells how many and where.
  void unreadableCoordinatesAreWarnedAbout() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.writeFile(QStringLiteral("luecken.obj"),
                       "v 0 0 0\nv 10 0\nv 0 10 0\nv 0 0 1e999\nf 1 2 3\nf 1 2 4\n"));
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(h.desktop().warnings,
             QStringList{QStringLiteral("2 Koordinaten fehlen oder sind keine gültigen Zahlen und "
                                        "wurden als 0 gelesen (Zeilen 2, 4)")});
    QCOMPARE(f.StatusText(), QStringLiteral("5 Vertices 1 Verticenormals 3 Faces geladen"));
    QCOMPARE(f.mesh().V[4].z, 0.0);
    QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);
  }
};

QUERVIK_UI_TEST_MAIN(LoadTest)
#include "load_test.moc"
