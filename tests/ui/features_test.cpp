// The contour lines, the exact volumes and the height-volume curve in the
// window, and long work: the progress bar and the cancel button in the
// status bar, Esc, and what a cancelled command leaves behind.
#include <QDialog>
#include <QDir>
#include <QProgressBar>
#include <QPushButton>
#include <functional>

#include "analysis/clipped_volume.h"
#include "analysis/volume_curve.h"
#include "app/contour_export.h"
#include "app/curve_export.h"
#include "core/number_format.h"
#include "ui/volume_plot.h"
#include "ui_test_support.h"

using uitest::Control;
using uitest::Edit;
using uitest::Harness;
using uitest::Tool;

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

// Über, Unter and Fläche m2 as the window shows them.
QStringList Shown(const TForm1& f) {
  return {Edit(f, "EditUeber")->text(), Edit(f, "EditUnter")->text(),
          Edit(f, "EditFlaeche")->text()};
}
QStringList Expected(const quervik::Mesh& mesh, double level) {
  const quervik::VolumeFigures v = quervik::ClippedVolume(mesh, level);
  return {Q(quervik::FormatFixed(v.above, 0, 2)), Q(quervik::FormatFixed(v.below, 0, 2)),
          Q(quervik::FormatFixed(v.area_above, 0, 2))};
}

// Runs `inWork` once, at the first report of the next long work, from
// inside that work (the bar moving is the first thing a report does).
void AtFirstReport(TForm1& f, std::function<void()> inWork) {
  auto* bar = Control<QProgressBar>(f, "ProgressBar1");
  auto once = std::make_shared<QMetaObject::Connection>();
  *once = QObject::connect(bar, &QProgressBar::valueChanged, &f, [once, inWork] {
    QObject::disconnect(*once);
    inWork();
  });
}

void PressEsc(TForm1& f) {
  QWidget* w = QApplication::focusWidget();
  QTest::keyClick(w ? w : &f, Qt::Key_Escape);
}

}  // namespace

class FeaturesTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { uitest::ResetProcessState(); }

  // The closed box 10 x 10 x 5: the solid above and below the level and its
  // cross-section, after the load (2.5), a section (1), a slider step (3.0)
  // and a transformation; with the comma of a comma file.
  void exactVolumesFollowTheSection() {
    Harness h;
    TForm1& f = h.form();
    QCOMPARE(Shown(f), (QStringList{{}, {}, {}}));
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    QCOMPARE(Shown(f), (QStringList{"250.00", "250.00", "100.00"}));
    h.section(QStringLiteral("1"));
    QCOMPARE(Shown(f), (QStringList{"400.00", "100.00", "100.00"}));
    Control<QSlider>(f, "TrackBar1")->setValue(417);  // 417 / 695 * 5 = 3
    QCOMPARE(Edit(f, "EditLevel")->text(), QStringLiteral("3.000"));
    QCOMPARE(Shown(f), (QStringList{"200.00", "300.00", "100.00"}));
    QCOMPARE(Edit(f, "EditMasse")->text(), QStringLiteral("   200"));  // the prism sum stays
    Edit(f, "EditdZ")->setText(QStringLiteral("10"));
    h.click(Control<QPushButton>(f, "ButtonTrafo"));  // level 12.5, the middle again
    QCOMPARE(Shown(f), (QStringList{"250.00", "250.00", "100.00"}));
    QVERIFY(Edit(f, "EditUeber")->isReadOnly());
    QCOMPARE(h.desktop().errors, QStringList());

    Harness comma;  // a fresh window: the scale field is still "1"
    TForm1& g = comma.form();
    comma.load(comma.copyData(QStringLiteral("ui_comma.obj")));
    const double level = quervik::StrToFloat(Edit(g, "EditLevel")->text().toStdString());
    QCOMPARE(Shown(g), Expected(g.mesh(), level));
    QVERIFY(Edit(g, "EditFlaeche")->text().contains(u','));
    QCOMPARE(comma.desktop().errors, QStringList());
  }

  // Hoehenlinien.dxf with the step of Delta H and every fifth level major:
  // the bytes of WriteContours, and a status line with its counts and path.
  // A bad step is refused before a file is written.
  void contourLines() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    Edit(f, "EditDeltaH")->setText(QStringLiteral("0"));
    h.click(Tool(f, "ToolButtonHoehenlinien"));
    QCOMPARE(h.desktop().errors,
             QStringList{QStringLiteral("Die Schrittweite muss größer als 0 sein")});
    QVERIFY(!QFile::exists(h.path(QStringLiteral("Hoehenlinien.dxf"))));

    h.desktop().errors.clear();
    Edit(f, "EditDeltaH")->setText(QStringLiteral("0.5"));
    h.click(Tool(f, "ToolButtonHoehenlinien"));
    QCOMPARE(h.desktop().errors, QStringList());
    QTemporaryDir other;
    const std::string otherObj = QDir(other.path()).filePath(QStringLiteral("x.obj")).toStdString();
    const quervik::ContourResult expected =
        quervik::WriteContours(f.mesh(), nullptr, 0.5, 5, otherObj);
    QVERIFY(expected.polylines > 0);
    const QString file = h.path(QStringLiteral("Hoehenlinien.dxf"));
    QCOMPARE(uitest::ReadBytes(file), uitest::ReadBytes(Q(expected.files.front())));
    QCOMPARE(f.StatusText(), QStringLiteral("Fertig! – %1 Polylinien, davon %2 geschlossen, in %3")
                                 .arg(expected.polylines)
                                 .arg(expected.closed)
                                 .arg(file));
    QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);
  }

  // Volumenkurve.csv with the step of Delta H, the rows of VolumeCurve, and
  // the plot of those rows in its own window.
  void volumeCurve() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    h.click(Tool(f, "ToolButtonVolumenkurve"));
    QCOMPARE(h.desktop().errors, QStringList());
    const std::vector<quervik::VolumeFigures> rows = quervik::VolumeCurve(
        quervik::ClippedVolumeIndex::Build(f.mesh()), f.mesh().zmin, f.mesh().zmax, 1);
    QCOMPARE(rows.size(), size_t{6});
    const QString file = h.path(QStringLiteral("Volumenkurve.csv"));
    QCOMPARE(uitest::ReadBytes(file),
             QByteArray::fromStdString(quervik::VolumeCurveCsv(rows, '.')));
    QCOMPARE(f.StatusText(), QStringLiteral("Fertig! – 6 Höhen in ") + file);

    auto* dialog = Control<QDialog>(f, "DialogVolumenkurve");
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Volumenkurve"));
    auto* plot = Control<VolumePlot>(f, "PlotVolumenkurve");
    QCOMPARE(plot->curve().size(), rows.size());
    QCOMPARE(plot->curve().back().below, rows.back().below);
    const QImage shown = plot->grab().toImage();
    int red = 0, blue = 0;
    for (int y = 0; y < shown.height(); ++y)
      for (int x = 0; x < shown.width(); ++x) {
        const QColor c = shown.pixelColor(x, y);
        red += c.red() > 180 && c.green() < 80 && c.blue() < 80;
        blue += c.blue() > 150 && c.red() < 60;
      }
    QVERIFY(red > 50 && blue > 50);
  }

  // Each long command, stopped at its first report by Esc or by the cancel
  // button: while it ran the bar and the button were shown and a click and
  // typed keys did nothing; afterwards they are hidden, the previous file is
  // as it was, no temporary file is left, and the status line says so.
  void cancelLeavesThePreviousFile_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("byEsc");
    QTest::newRow("series, Esc") << "ToolButton5"
                                 << "Schnitte.dxf" << true;
    QTest::newRow("contours, button") << "ToolButtonHoehenlinien"
                                      << "Hoehenlinien.dxf" << false;
    QTest::newRow("curve, Esc") << "ToolButtonVolumenkurve"
                                << "Volumenkurve.csv" << true;
    QTest::newRow("load, button") << "ToolButton1"
                                  << "ui_trafo.obj" << false;
    QTest::newRow("mesh export, Esc") << "ToolButton4"
                                      << "ui_box.DXF" << true;
    QTest::newRow("creases, button") << "ToolButton6"
                                     << "Bruchkanten.dxf" << false;
  }
  void cancelLeavesThePreviousFile() {
    QFETCH(QString, button);
    QFETCH(QString, file);
    QFETCH(bool, byEsc);
    Harness h;
    TForm1& f = h.form();
    const QString obj = h.copyData(QStringLiteral("ui_box.obj"));
    h.load(obj);
    const bool load = button == QLatin1String("ToolButton1");
    const QString target = load ? h.copyData(file) : h.writeFile(file, "alt\n");
    const QByteArray before = uitest::ReadBytes(target);
    const QStringList files = QDir(h.dir()).entryList(QDir::Files);
    const QString level = Edit(f, "EditLevel")->text();
    h.desktop().nextPath = target;

    bool shownWhileWorking = false;
    AtFirstReport(f, [&] {
      shownWhileWorking = Control<QProgressBar>(f, "ProgressBar1")->isVisible() &&
                          Control<QPushButton>(f, "ButtonAbbrechen")->isVisible();
      h.click(Tool(f, "ToolButton3"));  // held back: no section file
      QTest::keyClicks(Edit(f, "EditLevel"), QStringLiteral("99"));
      if (byEsc) {
        PressEsc(f);
      } else {
        h.click(Control<QPushButton>(f, "ButtonAbbrechen"));
      }
    });
    h.click(Tool(f, button.toLatin1().constData()));

    QVERIFY(shownWhileWorking);
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(f.StatusText(),
             load ? QStringLiteral("Abgebrochen – %1 wurde nicht geladen").arg(target)
                  : QStringLiteral("Abgebrochen – %1 bleibt unverändert").arg(target));
    QCOMPARE(uitest::ReadBytes(target), before);
    QCOMPARE(QDir(h.dir()).entryList(QDir::Files), files);
    QVERIFY(!Control<QProgressBar>(f, "ProgressBar1")->isVisible());
    QVERIFY(!Control<QPushButton>(f, "ButtonAbbrechen")->isVisible());
    QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);
    QCOMPARE(Edit(f, "EditLevel")->text(), level);
    QCOMPARE(Edit(f, "Edit1")->text(), obj);  // a cancelled load keeps the loaded file
    QCOMPARE(f.mesh().V.size(), size_t{9});

    // The next command runs as usual.
    h.click(Tool(f, "ToolButton5"));
    QVERIFY(f.StatusText().startsWith(QStringLiteral("Fertig! – 6 Schnitte")));
  }

  // Closing the window while work runs stops the work; the window closes
  // when it has ended.
  void closingStopsTheWork() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    AtFirstReport(f, [&] { QVERIFY(!f.close()); });
    h.click(Tool(f, "ToolButton5"));
    QCOMPARE(f.StatusText(), QStringLiteral("Abgebrochen – %1 bleibt unverändert")
                                 .arg(h.path(QStringLiteral("Schnitte.dxf"))));
    QVERIFY(!QFile::exists(h.path(QStringLiteral("Schnitte.dxf"))));
    QTRY_VERIFY(!f.isVisible());
  }
};

QUERVIK_UI_TEST_MAIN(FeaturesTest)
#include "features_test.moc"
