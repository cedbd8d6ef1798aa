// What the window tells and shows beyond the section itself: Enter in the
// level and scale fields, the slider's heights, the coordinates under the
// mouse, the measured step, "Alles zeigen", "Plan speichern" and Qt's own
// texts in German.
#include <QCursor>
#include <QFileDialog>
#include <QMessageBox>
#include <QSlider>
#include <QSvgRenderer>
#include <QToolTip>
#include <QTranslator>

#include "core/number_format.h"
#include "ui/plan_picture.h"
#include "ui/qt_german.h"
#include "ui/tool_icons.h"
#include "ui_test_support.h"

using uitest::Control;
using uitest::Edit;
using uitest::Harness;
using uitest::Label;
using uitest::Tool;

namespace {

bool IsBlue(QRgb c) {
  return c == (QRgb(kMeasureRgb) | 0xff000000u);
}

// The bounding box of the pixels of `img` for which `pick` holds.
template <class Pick>
QRect Box(const QImage& img, Pick pick) {
  QRect box;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (pick(img.pixel(x, y))) box |= QRect(x, y, 1, 1);
  return box;
}

// A triangle whose section at level 0 is the segment (4, 8) -> (0, 0):
// twice as tall as wide.
const QByteArray kTall = "v 0 0 0\nv 4 8 0\nv 0 8 2\nf 1 2 3\n";

QSlider* Slider(TForm1& f) {
  return Control<QSlider>(f, "TrackBar1");
}

}  // namespace

class ViewCommandsTest : public QObject {
  Q_OBJECT

  // ui_pan.obj fitted on 512 pixels: mf 1/64, top-left corner (0, 4).
  static void FitPan(Harness& h) {
    h.load(h.copyData(QStringLiteral("ui_pan.obj")));
    h.paintBox()->resize(512, h.paintBox()->height());
    h.section(QStringLiteral("0"));
    QCOMPARE(h.form().view().mf, 1.0 / 64);
  }

  static void Click(Harness& h, QPoint p) {
    h.mousePress(Qt::LeftButton, p);
    h.mouseRelease(Qt::LeftButton, p);
  }

 private slots:
  void init() { uitest::ResetProcessState(); }

  // The two buttons stand at the end of the tool bar after a separator of
  // their own, with their hints and pictures that are none of ImageList1's.
  void toolBarButtons() {
    Harness h;
    TForm1& f = h.form();
    auto left = [&f](QWidget* w) {
      return w->mapTo(Control<QToolBar>(f, "ToolBar1"), QPoint(0, 0)).x();
    };
    QWidget* separator = Control<QWidget>(f, "ToolSeparatorAnsicht");
    QToolButton* all = Tool(f, "ToolButtonAllesZeigen");
    QToolButton* plan = Tool(f, "ToolButtonPlan");
    QCOMPARE(separator->width(), 8);
    QVERIFY(left(separator) >= left(Tool(f, "ToolButton8")) + 25);
    QVERIFY(left(all) >= left(separator) + 8);
    QVERIFY(left(plan) >= left(all) + 25);
    QCOMPARE(all->toolTip(), QStringLiteral("Alles zeigen"));
    QCOMPARE(plan->toolTip(), QStringLiteral("Plan speichern"));
    const std::vector<QIcon> images = MakeImageList1();
    for (QToolButton* b : {all, plan}) {
      QCOMPARE(b->size(), QSize(25, 25));
      QVERIFY(!b->icon().isNull());
      const QImage shown = b->icon().pixmap(16, 16).toImage();
      for (const QIcon& i : images) QVERIFY(shown != i.pixmap(16, 16).toImage());
    }
    QVERIFY(Tool(f, "ToolButton8")->icon().isNull());
  }

  // Enter in the level field cuts and fits as leaving it does, the focus
  // staying; a level that is no number is refused.
  void enterInTheLevelField() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    QLineEdit* level = Edit(f, "EditLevel");
    h.focus(level);
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
      level->setText(key == Qt::Key_Return ? QStringLiteral("1") : QStringLiteral("0.5"));
      h.mousePress(Qt::LeftButton, QPoint(0, 0));  // a pan, discarded by the fit
      h.mouseMove(Qt::LeftButton, QPoint(20, 20));
      h.mouseRelease(Qt::LeftButton, QPoint(20, 20));
      QTest::keyClick(level, key);
      QCOMPARE(f.contour().Level, key == Qt::Key_Return ? 1.0 : 0.5);
      QCOMPARE(f.view().xoffset, 0.0);
      QCOMPARE(f.view().yoffset, 10.0);
      QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(level));
    }
    level->setText(QStringLiteral("abc"));
    QTest::keyClick(level, Qt::Key_Return);
    QCOMPARE(h.desktop().errors,
             QStringList{QStringLiteral("'abc' ist kein gültiger Gleitkommawert")});
    QCOMPARE(f.contour().Level, 0.5);
  }

  // Enter in the scale field sets the scale and draws at once, the
  // top-left corner fixed; a refused scale changes nothing.
  void enterInTheScaleField() {
    Harness h;
    TForm1& f = h.form();
    FitPan(h);
    if (QTest::currentTestFailed()) return;
    QLineEdit* scale = Edit(f, "EditMasstab");
    h.focus(scale);
    scale->setText(QStringLiteral("32"));
    QTest::keyClick(scale, Qt::Key_Return);
    QCOMPARE(f.view().mf, 1.0 / 32);
    QCOMPARE(Control<PaintBox>(f, "PaintBox1")->view().mf, 1.0 / 32);
    QCOMPARE(f.view().xoffset, 0.0);
    QCOMPARE(f.view().yoffset, 4.0);
    // (0, 0) now on row 4 * 32 = 128, (8, 4) on column 256.
    const QImage img = h.picture();
    QVERIFY(uitest::IsRed(img.pixel(0, 128)));
    QVERIFY(uitest::IsRed(img.pixel(256, 0)));
    QVERIFY(uitest::IsWhite(img.pixel(300, 0)));
    scale->setText(QStringLiteral("0"));
    QTest::keyClick(scale, Qt::Key_Return);
    QCOMPARE(h.desktop().errors,
             QStringList{QStringLiteral("Der Maßstabsfaktor muss größer als 0 sein: '0'")});
    QCOMPARE(f.view().mf, 1.0 / 32);
    QCOMPARE(h.picture(), img);
  }

  // The slider's tip shows the height of its position with three decimals
  // and the separator in force, while dragged and on hover (with the hint).
  void sliderShowsHeights() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));  // heights 0 .. 5
    QSlider* s = Slider(f);
    s->setTracking(false);  // the drag itself cuts nothing
    s->setSliderDown(true);
    s->setSliderPosition(100);  // 100 / 695 * 5 = 0.7194...
    QCOMPARE(QToolTip::text(), QStringLiteral("0.719"));
    quervik::SetDecimalSeparator(',');
    s->setSliderPosition(695);
    QCOMPARE(QToolTip::text(), QStringLiteral("5,000"));
    quervik::SetDecimalSeparator('.');
    s->setSliderDown(false);
    s->setValue(347);
    const QPoint inside = s->rect().center();
    QHelpEvent hover(QEvent::ToolTip, inside, s->mapToGlobal(inside));
    QApplication::sendEvent(s, &hover);
    QCOMPARE(QToolTip::text(), QStringLiteral("Schnitthöhenschieber: 2.496"));
    QCOMPARE(s->toolTip(), QStringLiteral("Schnitthöhenschieber"));
    QCOMPARE(h.desktop().errors, QStringList());
  }

  // The model point under the mouse, at the right of the status bar; the
  // status text stays. Nothing before a picture, nothing once the mouse left.
  void coordinatesUnderTheMouse() {
    Harness h;
    TForm1& f = h.form();
    QLabel* where = Label(f, "LabelKoordinaten");
    QStatusBar* bar = Control<QStatusBar>(f, "StatusBar1");
    QCOMPARE(where->parentWidget(), static_cast<QWidget*>(bar));
    h.mouseMove(Qt::NoButton, QPoint(64, 128));
    QCOMPARE(where->text(), QString());
    FitPan(h);
    if (QTest::currentTestFailed()) return;
    f.ShowStatus(QStringLiteral("vorher"));
    h.mouseMove(Qt::NoButton, QPoint(64, 128));
    // The centre of pixel (64, 128): x = 64.5 / 64, y = 4 - 128.5 / 64.
    QCOMPARE(where->text(), QStringLiteral("x=     1.008 y=     1.992"));
    QCOMPARE(f.StatusText(), QStringLiteral("vorher"));
    QVERIFY(where->geometry().right() > bar->width() - 40);
    QVERIFY(where->geometry().left() > bar->width() / 2);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(h.paintBox(), &leave);
    QCOMPARE(where->text(), QString());
  }

  // The first click after switching measuring on sets the start point (a
  // blue square), whatever was pressed before; the second reports the step
  // and draws it, a blue line with a square at each end. Switching off, or
  // another mesh, takes it away.
  void measuringDrawsTheStep() {
    Harness h;
    TForm1& f = h.form();
    FitPan(h);
    if (QTest::currentTestFailed()) return;
    h.mousePress(Qt::RightButton, QPoint(10, 10));  // long before
    h.mouseRelease(Qt::RightButton, QPoint(10, 10));
    h.click(Tool(f, "ToolButton2"));
    Click(h, QPoint(100, 300));
    QCOMPARE(f.StatusText(),
             QStringLiteral("Startpunkt gesetzt – bitte den zweiten Punkt anklicken"));
    QCOMPARE(Box(h.picture(), IsBlue), QRect(97, 297, 7, 7));
    Click(h, QPoint(228, 300));  // 128 pixels right: 2 model units
    QCOMPARE(f.StatusText(), QStringLiteral("s=     2.000 t=    0.0000°"));
    QImage img = h.picture();
    QCOMPARE(Box(img, IsBlue), QRect(97, 297, 135, 7));
    for (int x = 100; x <= 228; ++x) QVERIFY(IsBlue(img.pixel(x, 300)));
    QVERIFY(uitest::IsRed(img.pixel(0, 256)));  // the section is still there
    // The next click measures from the one before.
    Click(h, QPoint(228, 236));
    QCOMPARE(f.StatusText(), QStringLiteral("s=     1.000 t=  270.0000°"));
    QCOMPARE(Box(h.picture(), IsBlue), QRect(225, 233, 7, 71));
    // The step follows the picture when it is panned.
    h.mousePress(Qt::RightButton, QPoint(300, 300));
    h.mouseRelease(Qt::RightButton, QPoint(310, 300));
    QCOMPARE(Box(h.picture(), IsBlue), QRect(235, 233, 7, 71));
    h.click(Tool(f, "ToolButton2"));
    QCOMPARE(Box(h.picture(), IsBlue), QRect());
    h.click(Tool(f, "ToolButton2"));
    Click(h, QPoint(50, 50));
    Click(h, QPoint(60, 50));
    QVERIFY(!Box(h.picture(), IsBlue).isEmpty());
    h.section(QStringLiteral("3"));  // above the mesh: a white surface, nothing on it
    QCOMPARE(Box(h.picture(), IsBlue), QRect());
    Click(h, QPoint(70, 50));
    QVERIFY(!Box(h.picture(), IsBlue).isEmpty());
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    QCOMPARE(Box(h.picture(), IsBlue), QRect());
    QCOMPARE(h.desktop().errors, QStringList());
  }

  // A section twice as tall as wide: the section command fits the width
  // and runs past the bottom; "Alles zeigen" (button, Home key, double-click)
  // shows all of it, centred, 10 pixels from the visible edges.
  void allesZeigen() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.writeFile(QStringLiteral("tall.obj"), kTall));
    h.section(QStringLiteral("0"));
    const double fitted = f.view().mf;
    const QSize visible(f.width() - 8, Control<QStatusBar>(f, "StatusBar1")->y() - 200);
    auto redBox = [&h, visible] {
      return Box(h.picture().copy(QRect({0, 0}, visible)), uitest::IsRed);
    };
    QVERIFY(redBox().bottom() == visible.height() - 1);  // cut off at the bottom

    auto checkAll = [&](const char* how) {
      const QRect box = redBox();
      QVERIFY2(box.top() >= 9 && box.top() <= 11, how);
      QVERIFY2(box.bottom() >= visible.height() - 12 && box.bottom() <= visible.height() - 10, how);
      QVERIFY2(std::abs(box.center().x() - visible.width() / 2) <= 1, how);
      QCOMPARE(Edit(f, "EditMasstab")->text(),
               QString::fromStdString(quervik::FormatFixed(1 / f.view().mf, 10, 6)));
    };
    h.click(Tool(f, "ToolButtonAllesZeigen"));
    checkAll("button");
    QVERIFY(f.view().mf > fitted);
    QCOMPARE(h.desktop().errors, QStringList());

    // Home in a text field with the mouse over the drawing; with the mouse
    // elsewhere it stays the field's.
    QLineEdit* level = Edit(f, "EditLevel");
    auto refit = [&] {
      h.section(QStringLiteral("0"));
      QCOMPARE(f.view().mf, fitted);
    };
    refit();
    h.focus(level);
    QCursor::setPos(f.mapToGlobal(QPoint(100, 100)));  // over the fields
    level->setCursorPosition(1);
    QTest::keyClick(level, Qt::Key_Home);
    QCOMPARE(level->cursorPosition(), 0);
    QCOMPARE(f.view().mf, fitted);
    QCursor::setPos(h.paintBox()->mapToGlobal(QPoint(300, 200)));
    QTest::keyClick(level, Qt::Key_Home);
    checkAll("Home over the drawing");

    // A double-click; while measuring it is two points instead.
    refit();
    h.mouseDoubleClick(Qt::LeftButton, QPoint(40, 40));
    checkAll("double-click");
    refit();
    h.click(Tool(f, "ToolButton2"));
    h.mouseDoubleClick(Qt::LeftButton, QPoint(40, 40));
    QCOMPARE(f.view().mf, fitted);
    QCOMPARE(f.StatusText(), QStringLiteral("s=     0.000 t=    0.0000°"));
    QCOMPARE(h.desktop().errors, QStringList());
  }

  // Nothing to show: no mesh, or an empty section, leaves the view alone.
  void allesZeigenWithoutSection() {
    Harness h;
    TForm1& f = h.form();
    h.click(Tool(f, "ToolButtonAllesZeigen"));
    QCOMPARE(f.view().mf, 0.0);
    QCOMPARE(Edit(f, "EditMasstab")->text(), QStringLiteral("1"));
    QCOMPARE(h.desktop().errors, QStringList());
  }

  // The plan in each format: the drawing as the window shows it (its
  // visible part), the measured step, and the box with the scale bar, the
  // level and the file name in the lower left corner.
  void planInEachFormat() {
    Harness h;
    TForm1& f = h.form();
    const QString mesh = h.copyData(QStringLiteral("ui_box.obj"));
    h.load(mesh);
    h.click(Tool(f, "ToolButton2"));
    Click(h, QPoint(200, 200));
    Click(h, QPoint(300, 200));
    const QSize visible(f.width() - 8, Control<QStatusBar>(f, "StatusBar1")->y() - 200);

    h.desktop().nextSavePath = h.path(QStringLiteral("plan.PNG"));
    h.click(Tool(f, "ToolButtonPlan"));
    QCOMPARE(h.desktop().saveSuggestions, QStringList{h.path(QStringLiteral("Plan_2_500.pdf"))});
    QCOMPARE(f.StatusText(),
             QStringLiteral("Plan gespeichert: ") + h.path(QStringLiteral("plan.PNG")));
    const QImage png(h.path(QStringLiteral("plan.PNG")), "PNG");
    QCOMPARE(png.size(), visible);
    const QImage screen = h.picture().copy(QRect({0, 0}, visible)).convertToFormat(png.format());
    // Above the box the plan is the screen, pixel for pixel.
    const int boxTop = Box(png, [](QRgb c) { return qGray(c) < 30; }).top();
    QVERIFY(boxTop > visible.height() - 80);
    // Above the box (its frame lies a few pixels above its first text).
    QCOMPARE(png.copy(0, 0, png.width(), boxTop - 10), screen.copy(0, 0, png.width(), boxTop - 10));
    QVERIFY(uitest::CountRed(png) > 100);
    QVERIFY(!Box(png, IsBlue).isEmpty());

    h.desktop().nextSavePath = h.path(QStringLiteral("plan.svg"));
    h.click(Tool(f, "ToolButtonPlan"));
    const QByteArray svg = uitest::ReadBytes(h.path(QStringLiteral("plan.svg")));
    QVERIFY(QSvgRenderer(svg).isValid());
    QVERIFY(svg.contains("Schnitt bei Höhe 2.500"));
    QVERIFY(svg.contains("ui_box.obj"));
    QVERIFY(svg.contains(" m</text>"));  // the scale bar's length

    h.desktop().nextSavePath = h.path(QStringLiteral("plan.pdf"));
    h.click(Tool(f, "ToolButtonPlan"));
    const QByteArray pdf = uitest::ReadBytes(h.path(QStringLiteral("plan.pdf")));
    QVERIFY(pdf.startsWith("%PDF-"));
    QVERIFY(pdf.trimmed().endsWith("%%EOF"));
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(QDir(h.dir()).entryList(QDir::Files, QDir::Name),
             (QStringList{QStringLiteral("plan.PNG"), QStringLiteral("plan.pdf"),
                          QStringLiteral("plan.svg"), QStringLiteral("ui_box.obj")}));
  }

  // Refusals: no mesh (no dialog), a name of another format, the mesh file
  // itself, a folder that does not exist; a cancelled dialog. No file is
  // written or left behind, and the previous plan stays.
  void planRefusals() {
    Harness h;
    TForm1& f = h.form();
    h.desktop().nextSavePath = h.path(QStringLiteral("plan.png"));
    h.click(Tool(f, "ToolButtonPlan"));
    QCOMPARE(h.desktop().saveSuggestions.size(), 0);
    const QString mesh = h.copyData(QStringLiteral("ui_box.obj"), QStringLiteral("box.png"));
    h.load(mesh);
    const QString old = h.writeFile(QStringLiteral("plan.svg"), "alt");
    for (const QString& name : {QStringLiteral("plan.jpg"), QStringLiteral("plan"), mesh,
                                h.path(QStringLiteral("fehlt/plan.svg"))}) {
      h.desktop().nextSavePath = name.startsWith(QLatin1Char('/')) ? name : h.path(name);
      h.click(Tool(f, "ToolButtonPlan"));
    }
    h.desktop().nextSavePath.reset();
    h.click(Tool(f, "ToolButtonPlan"));
    QCOMPARE(h.desktop().errors,
             (QStringList{
                 QStringLiteral("Kein Dreiecksnetz geladen"),
                 QStringLiteral("Unbekanntes Dateiformat: 'plan.jpg' (der Plan wird als .pdf, "
                                ".svg oder .png gespeichert)"),
                 QStringLiteral("Unbekanntes Dateiformat: 'plan' (der Plan wird als .pdf, .svg "
                                "oder .png gespeichert)"),
                 QStringLiteral("Der Plan würde die Netzdatei überschreiben: ") + mesh,
                 QStringLiteral("Ungültiger Dateiname"),
             }));
    QCOMPARE(QDir(h.dir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
             (QStringList{QStringLiteral("box.png"), QStringLiteral("plan.svg")}));
    QCOMPARE(uitest::ReadBytes(old), QByteArray("alt"));
    QCOMPARE(uitest::ReadBytes(mesh), uitest::DataFile(QStringLiteral("ui_box.obj")));
  }

  void planHelpers() {
    const std::pair<double, double> lengths[] = {{175.5, 100}, {0.3, 0.2}, {7, 5}, {1000, 1000},
                                                 {19.99, 10},  {2, 2},     {0, 0}, {-3, 0}};
    for (const auto& [most, length] : lengths) QCOMPARE(ScaleBarLength(most), length);
    QCOMPARE(ScaleBarLength(std::numeric_limits<double>::infinity()), 0.0);
    QCOMPARE(PlanFormatOf(QStringLiteral("/a.b/Plan.Pdf")), std::optional(PlanFormat::Pdf));
    QCOMPARE(PlanFormatOf(QStringLiteral("x.svg")), std::optional(PlanFormat::Svg));
    QCOMPARE(PlanFormatOf(QStringLiteral("x.png")), std::optional(PlanFormat::Png));
    QVERIFY(!PlanFormatOf(QStringLiteral("/a.pdf/plan")));
  }

  // Qt's own buttons and the file dialog in German once the translation is
  // loaded, as the program loads it.
  void qtTextsInGerman() {
    if (!LoadQtGerman(*qApp)) QSKIP("qtbase_de.qm is not installed (qt6-translations-l10n)");
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Quervik"), QStringLiteral("x"),
                    QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Save);
    QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("Abbrechen"));
    QCOMPARE(box.button(QMessageBox::Save)->text(), QStringLiteral("Speichern"));
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("fileNameLabel"))->text(),
             QStringLiteral("Datei&name:"));
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("lookInLabel"))->text(),
             QStringLiteral("Suchen in:"));
    for (QTranslator* t : qApp->findChildren<QTranslator*>()) {
      QCoreApplication::removeTranslator(t);
      delete t;
    }
  }
};

QUERVIK_UI_TEST_MAIN(ViewCommandsTest)
#include "view_commands_test.moc"
