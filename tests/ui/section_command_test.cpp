// The section command (ToolButtonRechnen) and the focus-leave handlers of
// the level, volume and scale fields: status line, volume, the fit of the
// view and the picture on PaintBox1.
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <cmath>

#include "core/number_format.h"
#include "ui_test_support.h"

using uitest::Control;
using uitest::Edit;
using uitest::Harness;
using uitest::Label;
using uitest::Tool;

namespace {

// Every red pixel lies within one pixel of the line from (x0, y0) to
// (x1, y1), and every column between them holds one.
bool RedAlongLine(const QImage& img, QPoint a, QPoint b, QString* why) {
  const double dx = b.x() - a.x();
  const double dy = b.y() - a.y();
  QList<bool> column(img.width(), false);
  for (const QPoint& p : uitest::RedPixels(img)) {
    const double t = dx != 0 ? (p.x() - a.x()) / dx : 0;
    const double expectedY = a.y() + t * dy;
    if (t < -1e-9 || t > 1 + 1e-9 || std::abs(p.y() - expectedY) > 1.0) {
      *why = QStringLiteral("stray red pixel at %1,%2").arg(p.x()).arg(p.y());
      return false;
    }
    column[p.x()] = true;
  }
  for (int x = std::min(a.x(), b.x()); x <= std::max(a.x(), b.x()); ++x)
    if (!column[x]) {
      *why = QStringLiteral("no red pixel in column %1").arg(x);
      return false;
    }
  return true;
}

}  // namespace

// ui_segment.obj, one triangle:
//
//   y                     A = (0, 0, 0), B = (10, 5, 0), C = (0, 5, 2)
//   5  C . . . . . . . B
//   |          . '            cut at level 0: A and B lie in the plane and
//   0  A . '                  count as below, C is above, so the section
//      0                10 x  is the one segment B -> A.
class SectionCommandTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { uitest::ResetProcessState(); }

  // Fitted on a surface 500 wide: mf 0.02, the top-left corner at (0, 5),
  // the segment from pixel (500, 0) to pixel (0, 250).
  void oneSegmentIsFittedAndDrawn() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_segment.obj")));
    h.focus(Edit(f, "EditLevel"));
    h.paintBox()->resize(500, h.paintBox()->height());
    h.statuses.clear();
    h.statusCursors.clear();
    h.section(QStringLiteral("0"));
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(h.statuses, (QStringList{QStringLiteral("Rechnen..."),
                                      QStringLiteral("Fertig: Schnittlinie 2 Punkte 1 Linien")}));
    QCOMPARE(h.statusCursors, (QList<Qt::CursorShape>{Qt::WaitCursor, Qt::WaitCursor}));
    QCOMPARE(f.view().mf, 0.02);
    QCOMPARE(f.view().xoffset, 0.0);
    QCOMPARE(f.view().yoffset, 5.0);
    QCOMPARE(Edit(f, "EditMasstab")->text(), QStringLiteral(" 50.000000"));
    QCOMPARE(Edit(f, "EditMasse")->text(), QStringLiteral("     0"));
    QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);
    // A tool button takes no focus: the level field keeps it.
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Edit(f, "EditLevel")));

    const QImage img = h.picture();
    QVERIFY(img.width() > 500);
    QCOMPARE(uitest::CountOther(img), 0);
    QVERIFY(uitest::IsRed(img.pixel(0, 250)));
    QVERIFY(uitest::IsRed(img.pixel(500, 0)));
    QString why;
    QVERIFY2(RedAlongLine(img, QPoint(0, 250), QPoint(500, 0), &why), qPrintable(why));
    QVERIFY(uitest::IsWhite(img.pixel(0, 0)));
    QVERIFY(uitest::IsWhite(img.pixel(501, 0)));
    QVERIFY(uitest::IsWhite(img.pixel(0, 251)));
  }

  // The volume example: the face (0,0,5), (2,0,5), (0,2,5) has the projected
  // area 2 and lies 3 above the level 2. It is horizontal, so the section is
  // empty.
  void volumeOfAFlatFace() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_flat.obj")));
    h.section(QStringLiteral("2"));
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(Edit(f, "EditMasse")->text(), QStringLiteral("     6"));
    QCOMPARE(f.StatusText(), QStringLiteral("Fertig: Schnittlinie 0 Punkte 0 Linien"));
    h.section(QStringLiteral("5"));
    QCOMPARE(Edit(f, "EditMasse")->text(), QStringLiteral("     0"));  // strictly above only
  }

  // An empty section keeps the view and the scale text and shows white.
  void emptySectionKeepsTheView() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_segment.obj")));
    h.paintBox()->resize(500, h.paintBox()->height());
    h.section(QStringLiteral("0"));
    QCOMPARE(f.view().mf, 0.02);
    h.section(QStringLiteral("7"));
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(f.StatusText(), QStringLiteral("Fertig: Schnittlinie 0 Punkte 0 Linien"));
    QCOMPARE(f.view().mf, 0.02);
    QCOMPARE(f.view().xoffset, 0.0);
    QCOMPARE(f.view().yoffset, 5.0);
    QCOMPARE(Edit(f, "EditMasstab")->text(), QStringLiteral(" 50.000000"));
    const QImage img = h.picture();
    QCOMPARE(uitest::CountRed(img), 0);
    QCOMPARE(uitest::CountOther(img), 0);
    QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);
  }

  // ui_vertical.obj lies in the plane x = 3: its section at 0 is the
  // segment (3, 4) -> (3, 0), whose x extent is 0. It is fitted without an
  // error, and the scale stays a finite number.
  void zeroXExtentIsFittedWithoutError() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_vertical.obj")));
    h.section(QStringLiteral("0"));
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(f.StatusText(), QStringLiteral("Fertig: Schnittlinie 2 Punkte 1 Linien"));
    QVERIFY(std::isfinite(f.view().mf));
    QVERIFY(std::isfinite(f.view().xoffset));
    QVERIFY(std::isfinite(f.view().yoffset));
    double scale = 0;
    QVERIFY2(quervik::TryStrToFloat(Edit(f, "EditMasstab")->text().toStdString(), scale, '.'),
             qPrintable(Edit(f, "EditMasstab")->text()));
    QCOMPARE(uitest::CountOther(h.picture()), 0);
    h.wheel(true);
    h.wheel(false);
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);
  }

  // A level that is no number: the German text, "Rechnen..." stays, no
  // finish text, the section is empty with its old level, the view stays,
  // and the arrow is back.
  void levelThatIsNoNumber() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    const double mf = f.view().mf;
    h.section(QStringLiteral("abc"));
    QCOMPARE(h.desktop().errors,
             QStringList{QStringLiteral("'abc' ist kein gültiger Gleitkommawert")});
    QCOMPARE(f.StatusText(), QStringLiteral("Rechnen..."));
    QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);
    QVERIFY(f.contour().Points.empty());
    QVERIFY(f.contour().Contours.empty());
    QCOMPARE(f.contour().Level, 2.5);
    QCOMPARE(f.view().mf, mf);
    QCOMPARE(Edit(f, "EditMasse")->text(), QStringLiteral("   250"));
  }

  // Leaving EditLevel cuts at its text and fits, without a status text;
  // leaving EditMasse does the same and overwrites what was typed there.
  void leavingTheLevelOrVolumeField() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    const QString status = f.StatusText();
    h.focus(Edit(f, "EditLevel"));
    Edit(f, "EditLevel")->selectAll();
    QTest::keyClicks(Edit(f, "EditLevel"), QStringLiteral("1"));
    QCOMPARE(f.contour().Level, 2.5);  // typing alone computes nothing
    h.focus(Edit(f, "EditDeltaH"));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Edit(f, "EditDeltaH")));
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(f.contour().Level, 1.0);
    QCOMPARE(f.contour().Contours.size(), size_t{8});
    QCOMPARE(Edit(f, "EditMasse")->text(), QStringLiteral("   400"));
    QCOMPARE(f.StatusText(), status);

    Edit(f, "EditLevel")->setText(QStringLiteral("3"));
    h.focus(Edit(f, "EditMasse"));
    Edit(f, "EditMasse")->selectAll();
    QTest::keyClicks(Edit(f, "EditMasse"), QStringLiteral("999"));
    QCOMPARE(Edit(f, "EditMasse")->text(), QStringLiteral("999"));
    h.focus(Edit(f, "EditDeltaH"));
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(f.contour().Level, 3.0);
    QCOMPARE(Edit(f, "EditMasse")->text(), QStringLiteral("   200"));
  }

  // One focus leave runs its handler once: a level that is no number is
  // reported once, whether the focus leaves EditLevel or EditMasse.
  void leavingWithABadLevelReportsOnce() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    Edit(f, "EditLevel")->setText(QStringLiteral("abc"));
    h.focus(Edit(f, "EditLevel"));
    h.focus(Edit(f, "EditDeltaH"));
    QCOMPARE(h.desktop().errors,
             QStringList{QStringLiteral("'abc' ist kein gültiger Gleitkommawert")});
    h.focus(Edit(f, "EditMasse"));
    h.focus(Edit(f, "EditDeltaH"));
    QCOMPARE(h.desktop().errors,
             QStringList(2, QStringLiteral("'abc' ist kein gültiger Gleitkommawert")));
    QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);
  }

  // Entering and leaving EditLevel without typing still cuts and fits: a
  // pan made before is discarded.
  void leavingTheLevelFieldRefitsEvenWithoutTyping() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_segment.obj")));
    h.section(QStringLiteral("0"));
    h.mousePress(Qt::LeftButton, QPoint(100, 100));
    h.mouseMove(Qt::LeftButton, QPoint(140, 130));
    h.mouseRelease(Qt::LeftButton, QPoint(140, 130));
    QVERIFY(f.view().xoffset != 0.0);
    const int width = h.paintBox()->width();
    h.focus(Edit(f, "EditLevel"));
    h.focus(Edit(f, "EditDeltaH"));
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(f.view().xoffset, 0.0);
    QCOMPARE(f.view().yoffset, 5.0);
    QCOMPARE(f.view().mf, 10.0 / width);
  }

  // Leaving EditMasstab takes its number as pixels per model unit and does
  // not redraw; leaving it untouched keeps the scale; a text that is no
  // number is refused and stays.
  void leavingTheScaleField() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_segment.obj")));
    h.paintBox()->resize(500, h.paintBox()->height());
    h.section(QStringLiteral("0"));
    const QImage before = h.picture();

    h.focus(Edit(f, "EditMasstab"));
    h.focus(Edit(f, "EditDeltaH"));
    QCOMPARE(f.view().mf, 0.02);

    h.focus(Edit(f, "EditMasstab"));
    Edit(f, "EditMasstab")->selectAll();
    QTest::keyClicks(Edit(f, "EditMasstab"), QStringLiteral("4"));
    h.focus(Edit(f, "EditDeltaH"));
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(f.view().mf, 0.25);
    QCOMPARE(Edit(f, "EditMasstab")->text(), QStringLiteral("4"));
    QCOMPARE(h.picture(), before);
    // The next wheel step draws at the new scale: 4 pixels per unit, then
    // 5 after a step away from the user.
    h.wheel(false);
    QCOMPARE(f.view().mf, 0.25 / 1.25);
    QCOMPARE(Edit(f, "EditMasstab")->text(), QStringLiteral("  5.000000"));
    QVERIFY(h.picture() != before);

    h.focus(Edit(f, "EditMasstab"));
    Edit(f, "EditMasstab")->setText(QStringLiteral("abc"));
    h.focus(Edit(f, "EditDeltaH"));
    QCOMPARE(h.desktop().errors,
             QStringList{QStringLiteral("'abc' ist kein gültiger Gleitkommawert")});
    QCOMPARE(f.view().mf, 0.25 / 1.25);
    QCOMPARE(Edit(f, "EditMasstab")->text(), QStringLiteral("abc"));
    QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);
  }

  // The section command with nothing loaded: an empty section, no error.
  void sectionWithoutMesh() {
    Harness h;
    h.section(QStringLiteral("1"));
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(h.form().StatusText(), QStringLiteral("Fertig: Schnittlinie 0 Punkte 0 Linien"));
    QCOMPARE(h.form().view().mf, 0.0);
    QCOMPARE(Edit(h.form(), "EditMasstab")->text(), QStringLiteral("1"));
  }
};

QUERVIK_UI_TEST_MAIN(SectionCommandTest)
#include "section_command_test.moc"
