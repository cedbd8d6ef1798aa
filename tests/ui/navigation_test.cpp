// Measuring, panning, zooming and the height slider, driven by real mouse,
// wheel and key events.
#include <QLineEdit>
#include <QSlider>
#include <QToolButton>
#include <cmath>

#include "ui_test_support.h"

using uitest::Control;
using uitest::Edit;
using uitest::Harness;
using uitest::Label;
using uitest::Tool;

namespace {

// The red pixels of `img` moved by (dx, dy), those that stay on the image.
QList<QPoint> Shifted(const QImage& img, int dx, int dy) {
  QList<QPoint> out;
  for (const QPoint& p : uitest::RedPixels(img)) {
    const QPoint q = p + QPoint(dx, dy);
    if (img.rect().contains(q)) out << q;
  }
  return out;
}

QList<QPoint> Red(const QImage& img) {
  const std::vector<QPoint> v = uitest::RedPixels(img);
  return QList<QPoint>(v.begin(), v.end());
}

QString Measure(const char* s, const char* t) {
  return QStringLiteral("s=") + QString::fromLatin1(s) + QStringLiteral(" t=") +
         QString::fromLatin1(t) + QStringLiteral("°");
}

}  // namespace

// ui_pan.obj is ui_segment.obj shrunk to (8, 4): its section at level 0 is
// the segment (8, 4) -> (0, 0). Fitted on 512 pixels the scale is 1/64, a
// binary fraction, so every pan and wheel step below is exact:
//
//   row 0   .........................*   (512, 0)
//           .................. * '
//   row 256 * . . . '                    (0, 256)
class NavigationTest : public QObject {
  Q_OBJECT

  // Loads ui_pan.obj and fits its section on 512 pixels.
  static void FitPan(Harness& h) {
    h.load(h.copyData(QStringLiteral("ui_pan.obj")));
    h.paintBox()->resize(512, h.paintBox()->height());
    h.section(QStringLiteral("0"));
    QCOMPARE(h.form().view().mf, 1.0 / 64);
    QCOMPARE(h.form().view().xoffset, 0.0);
    QCOMPARE(h.form().view().yoffset, 4.0);
  }

 private slots:
  void init() { uitest::ResetProcessState(); }

  // mf = 0.5; in measuring mode two left clicks, the second 30 pixels right
  // of and 40 below the first: 50 pixels, 25 model units, 53.1301°.
  void measuringDistanceAndDirection() {
    Harness h;
    TForm1& f = h.form();
    h.setScale(QStringLiteral("2"));  // mf = 0.5
    h.click(Tool(f, "ToolButton2"));
    QVERIFY(Tool(f, "ToolButton2")->isChecked());
    QCOMPARE(f.StatusText(), QStringLiteral("Bitte nacheinander zwei Punkte anklicken"));
    QCOMPARE(uitest::AppCursorShape(), Qt::CrossCursor);

    h.mousePress(Qt::LeftButton, QPoint(100, 100));
    h.mouseRelease(Qt::LeftButton, QPoint(100, 100));
    QCOMPARE(f.savedMouse().x(), 100);
    QCOMPARE(f.savedMouse().y(), 100);
    h.mousePress(Qt::LeftButton, QPoint(130, 140));
    h.mouseRelease(Qt::LeftButton, QPoint(130, 140));
    QCOMPARE(f.StatusText(), Measure("    25.000", "   53.1301"));

    // The same point again: s = 0, t = 0.
    h.mousePress(Qt::LeftButton, QPoint(130, 140));
    QCOMPARE(f.StatusText(), Measure("     0.000", "    0.0000"));
    h.mouseRelease(Qt::LeftButton, QPoint(130, 140));
    QCOMPARE(h.desktop().errors, QStringList());
  }

  // Up is 270°, down 90°, left 180°, right 0°: the angle turns clockwise on
  // the screen because rows grow downwards.
  void measuringDirections_data() {
    QTest::addColumn<QPoint>("second");
    QTest::addColumn<QString>("status");
    QTest::newRow("up") << QPoint(100, 60) << Measure("    20.000", "  270.0000");
    QTest::newRow("down") << QPoint(100, 140) << Measure("    20.000", "   90.0000");
    QTest::newRow("left") << QPoint(60, 100) << Measure("    20.000", "  180.0000");
    QTest::newRow("right") << QPoint(140, 100) << Measure("    20.000", "    0.0000");
  }
  void measuringDirections() {
    QFETCH(QPoint, second);
    QFETCH(QString, status);
    Harness h;
    TForm1& f = h.form();
    h.setScale(QStringLiteral("2"));  // mf = 0.5
    h.click(Tool(f, "ToolButton2"));
    h.mousePress(Qt::LeftButton, QPoint(100, 100));
    h.mouseRelease(Qt::LeftButton, QPoint(100, 100));
    h.mousePress(Qt::LeftButton, second);
    h.mouseRelease(Qt::LeftButton, second);
    QCOMPARE(f.StatusText(), status);
  }

  // Releasing the button ends measuring mode and brings back the arrow; the
  // status text stays. A right click saves the position but measures nothing.
  void measuringModeOff() {
    Harness h;
    TForm1& f = h.form();
    h.setScale(QStringLiteral("2"));  // mf = 0.5
    h.click(Tool(f, "ToolButton2"));
    h.mousePress(Qt::RightButton, QPoint(10, 20));
    h.mouseRelease(Qt::RightButton, QPoint(10, 20));
    QCOMPARE(f.StatusText(), QStringLiteral("Bitte nacheinander zwei Punkte anklicken"));
    QCOMPARE(f.savedMouse().x(), 10);
    QCOMPARE(f.savedMouse().y(), 20);
    h.click(Tool(f, "ToolButton2"));
    QVERIFY(!Tool(f, "ToolButton2")->isChecked());
    QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);
    QCOMPARE(f.StatusText(), QStringLiteral("Bitte nacheinander zwei Punkte anklicken"));
    h.mousePress(Qt::LeftButton, QPoint(40, 60));
    QCOMPARE(f.StatusText(), QStringLiteral("Bitte nacheinander zwei Punkte anklicken"));
    QCOMPARE(f.savedMouse().x(), 40);
    QCOMPARE(f.savedMouse().y(), 60);
  }

  // A left drag pans pixel for pixel on every move: xoffset and yoffset
  // change by the drag times mf and the picture follows the mouse.
  void leftDragPans() {
    Harness h;
    TForm1& f = h.form();
    FitPan(h);
    if (QTest::currentTestFailed()) return;
    const QImage before = h.picture();
    QVERIFY(uitest::IsRed(before.pixel(0, 256)));
    h.mousePress(Qt::LeftButton, QPoint(100, 100));
    h.mouseMove(Qt::LeftButton, QPoint(110, 104));
    QCOMPARE(f.view().xoffset, -10.0 / 64);
    QCOMPARE(f.view().yoffset, 4.0 + 4.0 / 64);
    QCOMPARE(f.savedMouse().x(), 110);
    QCOMPARE(f.savedMouse().y(), 104);
    h.mouseMove(Qt::LeftButton, QPoint(130, 120));
    h.mouseRelease(Qt::LeftButton, QPoint(130, 120));
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(f.view().xoffset, -30.0 / 64);
    QCOMPARE(f.view().yoffset, 4.0 + 20.0 / 64);
    QCOMPARE(f.view().mf, 1.0 / 64);
    const QImage after = h.picture();
    QCOMPARE(Red(after), Shifted(before, 30, 20));
    QVERIFY(uitest::IsRed(after.pixel(30, 276)));
    QVERIFY(uitest::IsWhite(after.pixel(0, 256)));
  }

  // A move without a held left button does nothing; a right drag pans only
  // when the button is released, by the whole drag.
  void rightDragPansOnRelease() {
    Harness h;
    TForm1& f = h.form();
    FitPan(h);
    if (QTest::currentTestFailed()) return;
    const QImage before = h.picture();
    h.mouseMove(Qt::NoButton, QPoint(50, 50));
    h.mousePress(Qt::RightButton, QPoint(100, 100));
    h.mouseMove(Qt::RightButton, QPoint(115, 110));
    h.mouseMove(Qt::RightButton, QPoint(130, 120));
    QCOMPARE(f.view().xoffset, 0.0);
    QCOMPARE(f.view().yoffset, 4.0);
    QCOMPARE(h.picture(), before);
    h.mouseRelease(Qt::RightButton, QPoint(130, 120));
    QCOMPARE(f.view().xoffset, -30.0 / 64);
    QCOMPARE(f.view().yoffset, 4.0 + 20.0 / 64);
    QCOMPARE(Red(h.picture()), Shifted(before, 30, 20));
    // A right press and release on one pixel pans by nothing.
    h.mousePress(Qt::RightButton, QPoint(7, 9));
    h.mouseRelease(Qt::RightButton, QPoint(7, 9));
    QCOMPARE(f.view().xoffset, -30.0 / 64);
    QCOMPARE(f.view().yoffset, 4.0 + 20.0 / 64);
    // Releasing the middle button does nothing.
    h.mousePress(Qt::MiddleButton, QPoint(0, 0));
    h.mouseRelease(Qt::MiddleButton, QPoint(200, 200));
    QCOMPARE(f.view().xoffset, -30.0 / 64);
    QCOMPARE(h.desktop().errors, QStringList());
  }

  // With measuring mode on, a left drag between two clicks still pans and
  // moves the reference point to the end of the drag.
  void dragWhileMeasuring() {
    Harness h;
    TForm1& f = h.form();
    FitPan(h);
    if (QTest::currentTestFailed()) return;
    h.click(Tool(f, "ToolButton2"));
    h.mousePress(Qt::LeftButton, QPoint(0, 0));
    h.mouseMove(Qt::LeftButton, QPoint(64, 0));
    h.mouseRelease(Qt::LeftButton, QPoint(64, 0));
    QCOMPARE(f.view().xoffset, -1.0);
    h.mousePress(Qt::LeftButton, QPoint(64, 128));
    // 128 pixels at 1/64: 2 model units, straight down.
    QCOMPARE(f.StatusText(), Measure("     2.000", "   90.0000"));
  }

  // Towards the user the scale grows by 1.25 and the picture shrinks; away
  // from the user it goes back. The top-left corner stays.
  void wheelRoundTrip() {
    Harness h;
    TForm1& f = h.form();
    FitPan(h);
    if (QTest::currentTestFailed()) return;
    const QImage before = h.picture();
    h.wheel(true);
    QCOMPARE(f.view().mf, 1.25 / 64);
    QCOMPARE(f.view().xoffset, 0.0);
    QCOMPARE(f.view().yoffset, 4.0);
    QCOMPARE(Edit(f, "EditMasstab")->text(), QStringLiteral(" 51.200000"));
    // (0, 0) now lies on row 4 / (1.25/64) = 204.8 -> 204, (8, 4) on
    // column 409.6 -> 409.
    const QImage small = h.picture();
    QVERIFY(uitest::IsRed(small.pixel(0, 204)));
    QVERIFY(uitest::IsRed(small.pixel(409, 0)));
    QVERIFY(uitest::IsWhite(small.pixel(0, 256)));
    QCOMPARE(uitest::CountOther(small), 0);
    h.wheel(false);
    QCOMPARE(f.view().mf, 1.0 / 64);
    QCOMPARE(f.view().xoffset, 0.0);
    QCOMPARE(f.view().yoffset, 4.0);
    QCOMPARE(Edit(f, "EditMasstab")->text(), QStringLiteral(" 64.000000"));
    QCOMPARE(h.picture(), before);
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);
  }

  // The wheel belongs to the window: over the slider or a text field with
  // the focus in it, a step zooms and the slider does not move.
  void wheelOverOtherControlsZooms() {
    Harness h;
    TForm1& f = h.form();
    FitPan(h);
    if (QTest::currentTestFailed()) return;
    const int position = Control<QSlider>(f, "TrackBar1")->value();
    h.focus(Control<QSlider>(f, "TrackBar1"));
    h.wheel(true, Control<QSlider>(f, "TrackBar1"));
    QCOMPARE(Control<QSlider>(f, "TrackBar1")->value(), position);
    QCOMPARE(f.view().mf, 1.25 / 64);
    h.focus(Edit(f, "EditDeltaH"));
    h.wheel(true, Edit(f, "EditDeltaH"));
    QCOMPARE(f.view().mf, 1.25 * 1.25 / 64);
    h.wheel(false, Edit(f, "Edit1"));
    QCOMPARE(f.view().mf, 1.25 / 64);
    QCOMPARE(Control<QSlider>(f, "TrackBar1")->value(), position);
    QCOMPARE(Edit(f, "EditDeltaH")->text(), QStringLiteral("1"));
    QCOMPARE(h.desktop().errors, QStringList());
  }

  // Zoomed in a hundred steps (1.25^100 is about 5e9) the ends of the
  // segment lie far beyond a 32-bit pixel coordinate: the picture stays red
  // on white, the part that crosses the surface still shows, and nothing
  // fails. Zoomed back out the picture is the one before.
  void farZoomAndPan() {
    Harness h;
    TForm1& f = h.form();
    FitPan(h);
    if (QTest::currentTestFailed()) return;
    const QImage before = h.picture();
    for (int i = 0; i < 100; ++i) h.wheel(false);
    QImage img = h.picture();
    QCOMPARE(uitest::CountOther(img), 0);
    // The segment leaves (0, 0) of the model, the top-left pixel's model
    // point (0, 4) lies above it: the segment is off the surface except
    // where it passes; all that matters is that the draw survived.
    h.mousePress(Qt::LeftButton, QPoint(0, 0));
    h.mouseMove(Qt::LeftButton, QPoint(2000000000, -2000000000));
    h.mouseRelease(Qt::LeftButton, QPoint(2000000000, -2000000000));
    img = h.picture();
    QCOMPARE(uitest::CountOther(img), 0);
    h.mousePress(Qt::LeftButton, QPoint(2000000000, -2000000000));
    h.mouseMove(Qt::LeftButton, QPoint(0, 0));
    h.mouseRelease(Qt::LeftButton, QPoint(0, 0));
    for (int i = 0; i < 100; ++i) h.wheel(true);
    QCOMPARE(h.desktop().errors, QStringList());
    QVERIFY(std::abs(f.view().mf - 1.0 / 64) < 1e-15);
    QVERIFY(std::abs(f.view().xoffset) < 1e-6);
    QVERIFY(std::abs(f.view().yoffset - 4.0) < 1e-6);
    QCOMPARE(uitest::CountOther(h.picture()), 0);
    // The scale is back up to rounding, so the far end may move by a pixel.
    QVERIFY(std::abs(uitest::CountRed(h.picture()) - uitest::CountRed(before)) <= 2);
  }

  // The surface paints from the section and view it last showed: after the
  // window was resized the same pixels are red where the surface still is.
  void pictureComesBackAfterResize() {
    Harness h;
    TForm1& f = h.form();
    FitPan(h);
    if (QTest::currentTestFailed()) return;
    const QImage before = h.picture();
    f.resize(600, 500);
    QApplication::processEvents();
    const QImage after = h.picture();
    QVERIFY(after.width() < before.width());
    QList<QPoint> expected;
    for (const QPoint& p : uitest::RedPixels(before))
      if (after.rect().contains(p)) expected << p;
    const std::vector<QPoint> red = uitest::RedPixels(after);
    QCOMPARE(QList<QPoint>(red.begin(), red.end()), expected);
    QCOMPARE(f.view().mf, 1.0 / 64);
  }

  // While no view is fitted (mf = 0) a wheel step or a pan does nothing and
  // shows no error.
  void noViewYet() {
    Harness h;
    TForm1& f = h.form();
    h.wheel(true);
    h.wheel(false);
    h.mousePress(Qt::LeftButton, QPoint(10, 10));
    h.mouseMove(Qt::LeftButton, QPoint(40, 50));
    h.mouseRelease(Qt::LeftButton, QPoint(40, 50));
    h.mousePress(Qt::RightButton, QPoint(10, 10));
    h.mouseRelease(Qt::RightButton, QPoint(40, 50));
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(f.view().mf, 0.0);
    QCOMPARE(f.view().xoffset, 0.0);
    QCOMPARE(f.view().yoffset, 0.0);
    QCOMPARE(Edit(f, "EditMasstab")->text(), QStringLiteral("1"));
    QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);
    QCOMPARE(uitest::CountRed(h.picture()), 0);
  }

  // The slider writes zmin, the middle and zmax of the box (0..5) into
  // EditLevel with three decimals and cuts there.
  void sliderSetsTheLevel() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    Control<QSlider>(f, "TrackBar1")->setValue(0);
    QCOMPARE(Edit(f, "EditLevel")->text(), QStringLiteral("0.000"));
    QCOMPARE(f.contour().Level, 0.0);
    // The bottom outline: four edges and four zero-length segments.
    QCOMPARE(f.contour().Points.size(), size_t{4});
    QCOMPARE(f.contour().Contours.size(), size_t{8});
    QCOMPARE(Edit(f, "EditMasse")->text(), QStringLiteral("   500"));
    Control<QSlider>(f, "TrackBar1")->setValue(695);
    QCOMPARE(Edit(f, "EditLevel")->text(), QStringLiteral("5.000"));
    QCOMPARE(f.contour().Level, 5.0);
    QVERIFY(f.contour().Contours.empty());
    Control<QSlider>(f, "TrackBar1")->setValue(347);
    QCOMPARE(Edit(f, "EditLevel")->text(), QStringLiteral("2.496"));
    QCOMPARE(f.contour().Level, 2.496);
    QCOMPARE(f.contour().Contours.size(), size_t{8});
    // The slider's section is fitted anew: a pan is discarded.
    h.mousePress(Qt::LeftButton, QPoint(0, 0));
    h.mouseMove(Qt::LeftButton, QPoint(30, 30));
    h.mouseRelease(Qt::LeftButton, QPoint(30, 30));
    QVERIFY(f.view().xoffset != 0.0);
    h.focus(Control<QSlider>(f, "TrackBar1"));
    QTest::keyClick(Control<QSlider>(f, "TrackBar1"), Qt::Key_Right);
    QCOMPARE(Control<QSlider>(f, "TrackBar1")->value(), 348);
    QCOMPARE(Edit(f, "EditLevel")->text(), QStringLiteral("2.504"));
    QCOMPARE(f.contour().Level, 2.504);
    QCOMPARE(f.view().xoffset, 0.0);
    QCOMPARE(f.view().yoffset, 10.0);
    QCOMPARE(h.desktop().errors, QStringList());
  }

  // Before any load zmin = zmax = 0: every position writes 0.000.
  void sliderWithoutMesh() {
    Harness h;
    TForm1& f = h.form();
    Control<QSlider>(f, "TrackBar1")->setValue(500);
    QCOMPARE(Edit(f, "EditLevel")->text(), QStringLiteral("0.000"));
    QVERIFY(f.contour().Contours.empty());
    QCOMPARE(h.desktop().errors, QStringList());
  }
};

QUERVIK_UI_TEST_MAIN(NavigationTest)
#include "navigation_test.moc"
