// The panel "3D Transformation": the fields, ButtonTrafo, the mesh moved in
// place, the height range, level and section brought up to date; fields
// that are no number leave everything as it was.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <cmath>
#include <cstring>

#include "ui_test_support.h"

using uitest::Control;
using uitest::Edit;
using uitest::Harness;
using uitest::Label;
using uitest::Tool;

namespace {

struct Fields {
  QString dX = QStringLiteral("0"), dY = QStringLiteral("0"), dZ = QStringLiteral("0");
  QString rx = QStringLiteral("0"), ry = QStringLiteral("0"), rz = QStringLiteral("0");
  QString m = QStringLiteral("1");
};

void SetFields(TForm1& f, const Fields& v) {
  Edit(f, "EditdX")->setText(v.dX);
  Edit(f, "EditdY")->setText(v.dY);
  Edit(f, "EditdZ")->setText(v.dZ);
  Edit(f, "Editrx")->setText(v.rx);
  Edit(f, "Editry")->setText(v.ry);
  Edit(f, "Editrz")->setText(v.rz);
  Edit(f, "Editm")->setText(v.m);
}

bool Near(const quervik::Tvertex& v, double x, double y, double z) {
  const double eps = 1e-12;
  return std::abs(v.x - x) < eps && std::abs(v.y - y) < eps && std::abs(v.z - z) < eps;
}

bool SameBits(const std::vector<quervik::Tvertex>& a, const std::vector<quervik::Tvertex>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::memcmp(&a[i], &b[i], sizeof(quervik::Tvertex)) != 0) return false;
  return true;
}

QString VertexText(const quervik::Tvertex& v) {
  return QStringLiteral("(%1, %2, %3)")
      .arg(v.x, 0, 'g', 17)
      .arg(v.y, 0, 'g', 17)
      .arg(v.z, 0, 'g', 17);
}

}  // namespace

Q_DECLARE_METATYPE(Fields)

// ui_trafo.obj: the three unit vectors as vertices 1..3 (one face) and
// (1, 1, 1) as vertex 4:
//
//        z
//        3            V1 = (1, 0, 0)   V2 = (0, 1, 0)
//        |  4         V3 = (0, 0, 1)   V4 = (1, 1, 1)
//        +----2 y
//       /
//      1  x
class TransformationTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { uitest::ResetProcessState(); }

  void rotationsScaleAndShift_data() {
    QTest::addColumn<Fields>("fields");
    QTest::addColumn<QList<double>>("expected");  // V1..V4, x y z each
    QTest::addColumn<QString>("label2");
    QTest::addColumn<QString>("level");
    Fields rz;
    rz.rz = QStringLiteral("90");
    QTest::newRow("rz 90") << rz << QList<double>{0, 1, 0, -1, 0, 0, 0, 0, 1, -1, 1, 1}
                           << QStringLiteral("Schnitthöhe 0.000 - 1.000")
                           << QStringLiteral("     0.500");
    Fields rx;
    rx.rx = QStringLiteral("90");
    QTest::newRow("rx 90") << rx << QList<double>{1, 0, 0, 0, 0, 1, 0, -1, 0, 1, -1, 1}
                           << QStringLiteral("Schnitthöhe 0.000 - 1.000")
                           << QStringLiteral("     0.500");
    Fields ry;
    ry.ry = QStringLiteral("90");
    QTest::newRow("ry 90") << ry << QList<double>{0, 0, -1, 0, 1, 0, 1, 0, 0, 1, 1, -1}
                           << QStringLiteral("Schnitthöhe -1.000 - 0.000")
                           << QStringLiteral("    -0.500");
    // The z rotation acts first: (1, 0, 0) -> (0, 1, 0) -> (0, 0, 1).
    Fields rxrz;
    rxrz.rx = QStringLiteral("90");
    rxrz.rz = QStringLiteral("90");
    QTest::newRow("rx 90 rz 90") << rxrz << QList<double>{0, 0, 1, -1, 0, 0, 0, -1, 0, -1, -1, 1}
                                 << QStringLiteral("Schnitthöhe 0.000 - 1.000")
                                 << QStringLiteral("     0.500");
    // Scaling acts before the shift: (1, 1, 1) -> (3, 2, 2).
    Fields ms;
    ms.m = QStringLiteral("2");
    ms.dX = QStringLiteral("1");
    QTest::newRow("m 2 dX 1") << ms << QList<double>{3, 0, 0, 1, 2, 0, 1, 0, 2, 3, 2, 2}
                              << QStringLiteral("Schnitthöhe 0.000 - 2.000")
                              << QStringLiteral("     1.000");
  }
  void rotationsScaleAndShift() {
    QFETCH(Fields, fields);
    QFETCH(QList<double>, expected);
    QFETCH(QString, label2);
    QFETCH(QString, level);
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_trafo.obj")));
    SetFields(f, fields);
    h.click(Control<QPushButton>(f, "ButtonTrafo"));
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(f.mesh().V.size(), size_t{5});
    QVERIFY(Near(f.mesh().V[0], 0, 0, 0));
    for (int i = 1; i <= 4; ++i) {
      const qsizetype k = 3 * (i - 1);
      QVERIFY2(Near(f.mesh().V[size_t(i)], expected[k], expected[k + 1], expected[k + 2]),
               qPrintable(QStringLiteral("V%1 = ").arg(i) + VertexText(f.mesh().V[size_t(i)])));
    }
    QCOMPARE(Label(f, "Label2")->text(), label2);
    QCOMPARE(Edit(f, "EditLevel")->text(), level);
    QCOMPARE(f.contour().Level, level.trimmed().toDouble());
    // The fields keep their texts; the slider does not move.
    QCOMPARE(Edit(f, "Editm")->text(), fields.m);
    QCOMPARE(Edit(f, "Editrz")->text(), fields.rz);
    QCOMPARE(Control<QSlider>(f, "TrackBar1")->value(), 347);
  }

  // With the start texts nothing moves, yet the level is reset to the
  // middle in ten characters and the section is cut there.
  void identityResetsTheLevel() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    h.section(QStringLiteral("1"));
    const std::vector<quervik::Tvertex> before = f.mesh().V;
    h.click(Control<QPushButton>(f, "ButtonTrafo"));
    QCOMPARE(h.desktop().errors, QStringList());
    QVERIFY(SameBits(f.mesh().V, before));
    QCOMPARE(Edit(f, "EditLevel")->text(), QStringLiteral("     2.500"));
    QCOMPARE(f.contour().Level, 2.5);
    QCOMPARE(Edit(f, "EditMasse")->text(), QStringLiteral("   250"));
  }

  // dZ 10 on the box (z 0..5): range 10..15, level "    12.500", the
  // section and volume at 12.5. A second press shifts once more.
  void shiftUpwards() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    Edit(f, "EditdZ")->setText(QStringLiteral("10"));
    h.click(Control<QPushButton>(f, "ButtonTrafo"));
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(Label(f, "Label2")->text(), QStringLiteral("Schnitthöhe 10.000 - 15.000"));
    QCOMPARE(Edit(f, "EditLevel")->text(), QStringLiteral("    12.500"));
    QCOMPARE(f.mesh().zmin, 10.0);
    QCOMPARE(f.mesh().zmax, 15.0);
    QCOMPARE(f.contour().Level, 12.5);
    QCOMPARE(f.contour().Contours.size(), size_t{8});
    QCOMPARE(Edit(f, "EditMasse")->text(), QStringLiteral("   250"));
    QCOMPARE(f.view().xoffset, 0.0);
    QCOMPARE(f.view().yoffset, 10.0);
    h.click(Control<QPushButton>(f, "ButtonTrafo"));
    QCOMPARE(Label(f, "Label2")->text(), QStringLiteral("Schnitthöhe 20.000 - 25.000"));
    QCOMPARE(Edit(f, "EditLevel")->text(), QStringLiteral("    22.500"));
    QCOMPARE(Edit(f, "EditdZ")->text(), QStringLiteral("10"));
  }

  // A scale of 0 (which would collapse the mesh onto one point) and a
  // transformation whose result leaves the range of numbers are refused
  // before any vertex moves: mesh, range, level, section, volume and
  // picture stay. dZ = 1e308 works once (the level is the middle of
  // 1e308 .. 1e308 + 5) and is refused the second time.
  void refusedTransformationsLeaveEverything_data() {
    QTest::addColumn<Fields>("fields");
    QTest::addColumn<int>("goodPresses");
    QTest::addColumn<QString>("error");
    Fields zero;
    zero.m = QStringLiteral("0");
    zero.dX = QStringLiteral("2");
    QTest::newRow("m 0") << zero << 0 << QStringLiteral("Der Maßstab darf nicht 0 sein");
    Fields huge;
    huge.m = QStringLiteral("1e308");
    QTest::newRow("m 1e308") << huge << 0
                             << QStringLiteral(
                                    "Die Transformation ergäbe bei Eckpunkt 2 eine "
                                    "Koordinate außerhalb des Zahlenbereichs");
    Fields up;
    up.dZ = QStringLiteral("1e308");
    QTest::newRow("dZ 1e308 twice") << up << 1
                                    << QStringLiteral(
                                           "Die Transformation ergäbe bei Eckpunkt 1 "
                                           "eine Koordinate außerhalb des "
                                           "Zahlenbereichs");
  }
  void refusedTransformationsLeaveEverything() {
    QFETCH(Fields, fields);
    QFETCH(int, goodPresses);
    QFETCH(QString, error);
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    SetFields(f, fields);
    for (int i = 0; i < goodPresses; ++i) h.click(Control<QPushButton>(f, "ButtonTrafo"));
    QCOMPARE(h.desktop().errors, QStringList());
    const std::vector<quervik::Tvertex> before = f.mesh().V;
    const QString label = Label(f, "Label2")->text();
    const QString level = Edit(f, "EditLevel")->text();
    const QString masse = Edit(f, "EditMasse")->text();
    const double contourLevel = f.contour().Level;
    const size_t segments = f.contour().Contours.size();
    const QImage picture = h.picture();

    h.click(Control<QPushButton>(f, "ButtonTrafo"));
    QCOMPARE(h.desktop().errors, QStringList{error});
    QVERIFY(SameBits(f.mesh().V, before));
    QCOMPARE(Label(f, "Label2")->text(), label);
    QCOMPARE(Edit(f, "EditLevel")->text(), level);
    QCOMPARE(Edit(f, "EditMasse")->text(), masse);
    QCOMPARE(f.contour().Level, contourLevel);
    QCOMPARE(f.contour().Contours.size(), segments);
    QCOMPARE(h.picture(), picture);
    QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);
  }

  // A field that is no number stops the command before any vertex moves;
  // the first bad field in the order dX, dY, dZ, rx, ry, rz, m is named.
  void badFieldsLeaveTheMeshAlone() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    const std::vector<quervik::Tvertex> before = f.mesh().V;
    const QString label = Label(f, "Label2")->text();
    const QString level = Edit(f, "EditLevel")->text();
    const double contourLevel = f.contour().Level;

    Edit(f, "Editm")->setText(QStringLiteral("1,5"));
    h.click(Control<QPushButton>(f, "ButtonTrafo"));
    QCOMPARE(h.desktop().errors,
             QStringList{QStringLiteral("'1,5' ist kein gültiger Gleitkommawert")});
    QVERIFY(SameBits(f.mesh().V, before));

    QLineEdit* order[] = {Edit(f, "EditdX"), Edit(f, "EditdY"), Edit(f, "EditdZ"),
                          Edit(f, "Editrx"), Edit(f, "Editry"), Edit(f, "Editrz"),
                          Edit(f, "Editm")};
    for (int i = 0; i < 7; ++i) order[i]->setText(QStringLiteral("x%1").arg(i + 1));
    for (int i = 0; i < 7; ++i) {
      h.desktop().errors.clear();
      h.click(Control<QPushButton>(f, "ButtonTrafo"));
      QCOMPARE(h.desktop().errors,
               QStringList{QStringLiteral("'x%1' ist kein gültiger Gleitkommawert").arg(i + 1)});
      QVERIFY(SameBits(f.mesh().V, before));
      QCOMPARE(Label(f, "Label2")->text(), label);
      QCOMPARE(Edit(f, "EditLevel")->text(), level);
      QCOMPARE(f.contour().Level, contourLevel);
      QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);
      order[i]->setText(i == 6 ? QStringLiteral("1") : QStringLiteral("0"));
    }
    h.desktop().errors.clear();
    h.click(Control<QPushButton>(f, "ButtonTrafo"));
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(Edit(f, "EditLevel")->text(), QStringLiteral("     2.500"));
  }
};

QUERVIK_UI_TEST_MAIN(TransformationTest)
#include "transformation_test.moc"
