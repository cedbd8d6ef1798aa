// The window as it starts: every control with its name, kind, place, start
// text and hint; the tool bar; the panel "3D Transformation"; the slider;
// the tab order; what a resize moves; the button that does nothing.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

#include "ui/tool_icons.h"
#include "ui/up_down.h"
#include "ui_test_support.h"

using uitest::Control;
using uitest::Edit;
using uitest::Harness;
using uitest::Label;
using uitest::Tool;

namespace {

struct ControlRow {
  const char* name;
  const char* kind;  // Qt class the control must be (or inherit)
  QRect place;       // in the client area (or inside Panel1)
  const char* text;  // nullptr: no text to check
  const char* hint;  // "" when the control has none
};

QString TextOf(QWidget* w) {
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
  if (auto* b = qobject_cast<QPushButton*>(w)) return b->text();
  if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
  return QString();
}

// A label keeps its place and grows to the right only when its text needs
// more room than the laid-out width (a stand-in font wider than Tahoma);
// every other control has exactly its place.
// Returns what is wrong, or nothing.
QString PlaceError(QWidget* w, const QRect& place) {
  QRect expected = place;
  if (auto* l = qobject_cast<QLabel*>(w))
    expected.setWidth(std::max(place.width(), l->sizeHint().width()));
  if (w->geometry() == expected) return {};
  const QRect g = w->geometry();
  return QStringLiteral("%1 at %2,%3 %4x%5, expected %6,%7 %8x%9")
      .arg(w->objectName())
      .arg(g.x())
      .arg(g.y())
      .arg(g.width())
      .arg(g.height())
      .arg(expected.x())
      .arg(expected.y())
      .arg(expected.width())
      .arg(expected.height());
}

// "d X", 31 blanks, "dY", 31 blanks, "dZ".
const QString kLabel5 = QStringLiteral("d X") + QString(31, u' ') + QStringLiteral("dY") +
                        QString(31, u' ') + QStringLiteral("dZ");
// Two blanks, "rX °", 29 blanks, "rY °", 28 blanks, "rZ°".
const QString kLabel6 = QStringLiteral("  rX °") + QString(29, u' ') + QStringLiteral("rY °") +
                        QString(28, u' ') + QStringLiteral("rZ°");

}  // namespace

class WindowLayoutTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { uitest::ResetProcessState(); }

  void windowItself() {
    Harness h;
    QCOMPARE(h.form().windowTitle(), QStringLiteral("Quervik"));
    QCOMPARE(h.form().size(), QSize(710, 646));
    QCOMPARE(h.form().font().family(), QStringLiteral("Tahoma"));
    QCOMPARE(h.form().font().pixelSize(), 11);
  }

  // The main table: name, kind, place, start text, hint.
  void controlsOfTheWindow() {
    Harness h;
    const ControlRow rows[] = {
        {"ToolBar1", "QToolBar", {0, 0, 710, 33}, nullptr, ""},
        {"Label1", "QLabel", {8, 34, 103, 13}, "Wavefront OBJ-Datei", ""},
        {"Edit1", "QLineEdit", {8, 53, 353, 21}, "", "Obj Dateipfad"},
        {"Label2", "QLabel", {8, 80, 78, 13}, "Schnitt bei Höhe", ""},
        {"Label4", "QLabel", {178, 80, 36, 13}, "Kante °", ""},
        {"LabelDeltaH", "QLabel", {228, 80, 35, 13}, "Delta H", ""},
        {"Label3", "QLabel", {285, 80, 75, 13}, "Maßstabsfaktor", ""},
        {"EditLevel", "QLineEdit", {8, 99, 102, 21}, "", "Höhe der Schnittlinie"},
        {"EditKantenwinkel", "QLineEdit", {178, 99, 25, 21}, "85", ""},
        {"UpDown1", "UpDown", {197, 99, 17, 21}, nullptr, ""},
        {"EditDeltaH", "QLineEdit", {218, 99, 61, 21}, "1", ""},
        {"EditMasstab", "QLineEdit", {285, 99, 84, 21}, "1", ""},
        {"TrackBar1", "QSlider", {8, 126, 350, 22}, nullptr, "Schnitthöhenschieber"},
        {"Label8", "QLabel", {267, 154, 47, 13}, "Masse m3", ""},
        {"EditMasse", "QLineEdit", {267, 173, 102, 21}, "", ""},
        {"LabelUeber", "QLabel", {8, 154, 78, 13}, "Über", ""},
        {"EditUeber", "QLineEdit", {8, 173, 78, 21}, "", ""},
        {"LabelUnter", "QLabel", {95, 154, 78, 13}, "Unter", ""},
        {"EditUnter", "QLineEdit", {95, 173, 78, 21}, "", ""},
        {"LabelFlaeche", "QLabel", {182, 154, 78, 13}, "Fläche m2", ""},
        {"EditFlaeche", "QLineEdit", {182, 173, 78, 21}, "", ""},
        {"Panel1", "QGroupBox", {375, 33, 302, 161}, "3D Transformation", ""},
        {"PaintBox1", "PaintBox", {8, 200, 695, 421}, nullptr, ""},
        {"StatusBar1", "QStatusBar", {0, 646 - 19, 710, 19}, nullptr, ""},
    };
    for (const ControlRow& r : rows) {
      const QString name = QString::fromLatin1(r.name);
      QWidget* w = h.form().findChild<QWidget*>(name);
      QVERIFY2(w, r.name);
      QVERIFY2(w->inherits(r.kind), r.name);
      QCOMPARE(w->parentWidget(), static_cast<QWidget*>(&h.form()));
      QVERIFY2(PlaceError(w, r.place).isEmpty(), qPrintable(PlaceError(w, r.place)));
      if (r.text) QCOMPARE(TextOf(w), QString::fromUtf8(r.text));
      QCOMPARE(w->toolTip(), QString::fromUtf8(r.hint));
    }
    // The members the header names are the controls themselves.
    QCOMPARE(Edit(h.form(), "EditLevel")->objectName(), QStringLiteral("EditLevel"));
    QCOMPARE(Control<QSlider>(h.form(), "TrackBar1")->objectName(), QStringLiteral("TrackBar1"));
    QCOMPARE(h.form().StatusText(), QString());
    // The exact volumes are read-only and left out of the Tab order (tabOrder
    // below); the progress bar and its cancel button show only while work runs.
    for (const char* name : {"EditUeber", "EditUnter", "EditFlaeche"}) {
      QVERIFY(Edit(h.form(), name)->isReadOnly());
      QCOMPARE(Edit(h.form(), name)->focusPolicy(), Qt::ClickFocus);
    }
    QVERIFY(!Control<QWidget>(h.form(), "ProgressBar1")->isVisible());
    QVERIFY(!Control<QPushButton>(h.form(), "ButtonAbbrechen")->isVisible());
    QCOMPARE(Control<QPushButton>(h.form(), "ButtonAbbrechen")->text(),
             QStringLiteral("Abbrechen"));
  }

  // Members of Panel1, places measured inside the panel.
  void controlsOfThePanel() {
    Harness h;
    const ControlRow rows[] = {
        {"Label5", "QLabel", {32, 19, 225, 13}, nullptr, ""},
        {"EditdX", "QLineEdit", {8, 34, 75, 21}, "0", ""},
        {"EditdY", "QLineEdit", {114, 34, 75, 21}, "0", ""},
        {"EditdZ", "QLineEdit", {220, 34, 75, 21}, "0", ""},
        {"Label6", "QLabel", {32, 61, 228, 13}, nullptr, ""},
        {"Editrx", "QLineEdit", {8, 80, 75, 21}, "0", ""},
        {"Editry", "QLineEdit", {114, 80, 75, 21}, "0", ""},
        {"Editrz", "QLineEdit", {220, 80, 75, 21}, "0", ""},
        {"Label7", "QLabel", {16, 111, 41, 13}, "Maßstab", ""},
        {"Editm", "QLineEdit", {8, 130, 75, 21}, "1", ""},
        {"ButtonTrafo", "QPushButton", {104, 128, 100, 25}, "Transformieren", ""},
    };
    QWidget* panel = Control<QGroupBox>(h.form(), "Panel1");
    for (const ControlRow& r : rows) {
      QWidget* w = h.form().findChild<QWidget*>(QString::fromLatin1(r.name));
      QVERIFY2(w, r.name);
      QVERIFY2(w->inherits(r.kind), r.name);
      QCOMPARE(w->parentWidget(), panel);
      QVERIFY2(PlaceError(w, r.place).isEmpty(), qPrintable(PlaceError(w, r.place)));
      if (r.text) QCOMPARE(TextOf(w), QString::fromUtf8(r.text));
      QCOMPARE(w->toolTip(), QString::fromUtf8(r.hint));
    }
    QCOMPARE(Label(h.form(), "Label5")->text(), kLabel5);
    QCOMPARE(Label(h.form(), "Label6")->text(), kLabel6);
    QCOMPARE(Label(h.form(), "Label5")->text().size(), 69);
    QCOMPARE(Label(h.form(), "Label6")->text().size(), 70);
  }

  // Buttons left to right, 25 x 25, hints, the check button, the separator
  // of 8 pixels and the last button without a picture.
  void toolBar() {
    Harness h;
    TForm1& f = h.form();
    struct Button {
      QToolButton* b;
      const char* name;
      const char* hint;
      int picture;  // index into ImageList1, -1 for none
    };
    const Button buttons[] = {
        {Tool(f, "ToolButton1"), "ToolButton1", "OBJ File lesen", 0},
        {Tool(f, "ToolButtonRechnen"), "ToolButtonRechnen", "Flächen schneiden", 1},
        {Tool(f, "ToolButton2"), "ToolButton2", "Distanz messen", 5},
        {Tool(f, "ToolButton3"), "ToolButton3", "DXF von Schnittlinie erzeugen", 2},
        {Tool(f, "ToolButton4"), "ToolButton4", "Datei als DXF ausgeben", 3},
        {Tool(f, "ToolButton5"), "ToolButton5", "Serie von Schnittlinien erzeugen", 4},
        {Tool(f, "ToolButton6"), "ToolButton6", "Kanten finden", 8},
        {Tool(f, "ToolButton8"), "ToolButton8", "", -1},
    };
    const std::vector<QIcon> images = MakeImageList1();
    QCOMPARE(int(images.size()), 9);
    int lastRight = -1;
    for (const Button& b : buttons) {
      QVERIFY2(b.b, b.name);
      QCOMPARE(b.b->objectName(), QString::fromLatin1(b.name));
      QVERIFY(Control<QToolBar>(f, "ToolBar1")->isAncestorOf(b.b));
      QCOMPARE(b.b->size(), QSize(25, 25));
      QCOMPARE(b.b->toolTip(), QString::fromUtf8(b.hint));
      QVERIFY2(b.b->isVisible(), b.name);
      // Left to right, no two overlapping.
      const QRect g =
          QRect(b.b->mapTo(Control<QToolBar>(f, "ToolBar1"), QPoint(0, 0)), b.b->size());
      QVERIFY2(g.left() >= lastRight, b.name);
      lastRight = g.right() + 1;
      QCOMPARE(b.b->isCheckable(), b.b == Tool(f, "ToolButton2"));
      QCOMPARE(b.b->icon().isNull(), b.picture < 0);
      if (b.picture >= 0) {
        const QImage shown = b.b->icon().pixmap(16, 16).toImage();
        QCOMPARE(shown.size(), QSize(16, 16));
        for (int k = 0; k < 9; ++k)
          QCOMPARE(shown == images[size_t(k)].pixmap(16, 16).toImage(), k == b.picture);
      }
    }
    QVERIFY(Control<QWidget>(f, "ToolButton7"));
    QCOMPARE(Control<QWidget>(f, "ToolButton7")->objectName(), QStringLiteral("ToolButton7"));
    QCOMPARE(Control<QWidget>(f, "ToolButton7")->width(), 8);
    // The separator stands between ToolButton5 and ToolButton6.
    const int sepLeft = Control<QWidget>(f, "ToolButton7")
                            ->mapTo(Control<QToolBar>(f, "ToolBar1"), QPoint(0, 0))
                            .x();
    QVERIFY(sepLeft >=
            Tool(f, "ToolButton5")->mapTo(Control<QToolBar>(f, "ToolBar1"), QPoint(25, 0)).x());
    QVERIFY(sepLeft + 8 <=
            Tool(f, "ToolButton6")->mapTo(Control<QToolBar>(f, "ToolBar1"), QPoint(0, 0)).x());
    QVERIFY(!Tool(f, "ToolButton2")->isChecked());

    // The two buttons after ToolButton8, with pictures of their own that
    // are not in ImageList1.
    const QToolButton* previous = Tool(f, "ToolButton8");
    for (const auto& [name, hint] : {std::pair{"ToolButtonHoehenlinien", "Höhenlinien als DXF"},
                                     std::pair{"ToolButtonVolumenkurve", "Volumenkurve"}}) {
      QToolButton* b = Tool(f, name);
      QCOMPARE(b->toolTip(), QString::fromUtf8(hint));
      QCOMPARE(b->size(), QSize(25, 25));
      QVERIFY(b->isVisible());
      QCOMPARE(b->mapTo(Control<QToolBar>(f, "ToolBar1"), QPoint(0, 0)).x(),
               previous->mapTo(Control<QToolBar>(f, "ToolBar1"), QPoint(25, 0)).x());
      QVERIFY(!b->icon().isNull());
      const QImage shown = b->icon().pixmap(16, 16).toImage();
      for (const QIcon& image : images) QVERIFY(shown != image.pixmap(16, 16).toImage());
      previous = b;
    }
  }

  // Slider 0..695 at 0, a tick every 10 positions on both sides, steps of 1.
  void slider() {
    Harness h;
    QSlider* s = Control<QSlider>(h.form(), "TrackBar1");
    QCOMPARE(s->orientation(), Qt::Horizontal);
    QCOMPARE(s->minimum(), 0);
    QCOMPARE(s->maximum(), 695);
    QCOMPARE(s->value(), 0);
    QCOMPARE(s->singleStep(), 1);
    QCOMPARE(s->pageStep(), 1);
    QCOMPARE(s->tickInterval(), 10);
    QCOMPARE(s->tickPosition(), QSlider::TicksBothSides);
  }

  // The up-down stands at 20 within 0..90: its first step writes 20 (its
  // position before the step) into EditKantenwinkel, replacing "85"; at the
  // ends further steps keep the position.
  void upDownRange() {
    Harness h;
    TForm1& f = h.form();
    QCOMPARE(Control<UpDown>(f, "UpDown1")->minimum(), 0);
    QCOMPARE(Control<UpDown>(f, "UpDown1")->maximum(), 90);
    QCOMPARE(Control<UpDown>(f, "UpDown1")->position(), 20);
    QCOMPARE(Edit(f, "EditKantenwinkel")->text(), QStringLiteral("85"));
    h.stepUpDown(false);
    QCOMPARE(Edit(f, "EditKantenwinkel")->text(), QStringLiteral("20"));
    QCOMPARE(Control<UpDown>(f, "UpDown1")->position(), 19);
    h.stepUpDown(false);
    QCOMPARE(Edit(f, "EditKantenwinkel")->text(), QStringLiteral("19"));
    for (int i = 0; i < 30; ++i) h.stepUpDown(false);
    QCOMPARE(Edit(f, "EditKantenwinkel")->text(), QStringLiteral("0"));  // stays at 0
    h.stepUpDown(true);
    QCOMPARE(Edit(f, "EditKantenwinkel")->text(), QStringLiteral("0"));
    h.stepUpDown(true);
    QCOMPARE(Edit(f, "EditKantenwinkel")->text(), QStringLiteral("1"));
    for (int i = 0; i < 100; ++i) h.stepUpDown(true);
    QCOMPARE(Edit(f, "EditKantenwinkel")->text(), QStringLiteral("90"));  // stays at 90
    h.stepUpDown(false);
    QCOMPARE(Edit(f, "EditKantenwinkel")->text(), QStringLiteral("90"));
    h.stepUpDown(false);
    QCOMPARE(Edit(f, "EditKantenwinkel")->text(), QStringLiteral("89"));
    QVERIFY(h.desktop().errors.isEmpty());
  }

  // The focus starts in Edit1 and Tab walks the fields in the order of the
  // window; controls that take no focus (the tool bar buttons) are passed.
  void tabOrder() {
    Harness h;
    TForm1& f = h.form();
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Edit(f, "Edit1")));
    const QList<QWidget*> expected = {Edit(f, "Edit1"),
                                      Edit(f, "EditLevel"),
                                      Edit(f, "EditMasstab"),
                                      Edit(f, "EditdX"),
                                      Edit(f, "EditdY"),
                                      Edit(f, "EditdZ"),
                                      Edit(f, "Editrx"),
                                      Edit(f, "Editry"),
                                      Edit(f, "Editrz"),
                                      Edit(f, "Editm"),
                                      Control<QPushButton>(f, "ButtonTrafo"),
                                      Control<QSlider>(f, "TrackBar1"),
                                      Edit(f, "EditDeltaH"),
                                      Edit(f, "EditKantenwinkel"),
                                      Edit(f, "EditMasse"),
                                      Edit(f, "Edit1")};
    QList<QWidget*> seen = {QApplication::focusWidget()};
    for (int i = 0; i < 40 && seen.size() < expected.size(); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QWidget* w = QApplication::focusWidget();
      if (w == h.upDown() || h.upDown()->isAncestorOf(w)) continue;  // may or may not stop
      seen << w;
    }
    QCOMPARE(seen, expected);
  }

  // Only PaintBox1 follows the window's size; the bars stretch along their
  // edges; nothing else moves.
  void resizeMovesOnlyTheSurfaceAndBars() {
    Harness h;
    TForm1& f = h.form();
    f.resize(800, 700);
    QApplication::processEvents();
    QCOMPARE(h.paintBox()->geometry(), QRect(8, 200, 785, 475));
    QCOMPARE(Control<QToolBar>(f, "ToolBar1")->geometry(), QRect(0, 0, 800, 33));
    QCOMPARE(Control<QStatusBar>(f, "StatusBar1")->geometry(), QRect(0, 700 - 19, 800, 19));
    QCOMPARE(Edit(f, "EditMasstab")->geometry(), QRect(285, 99, 84, 21));
    QCOMPARE(Control<QGroupBox>(f, "Panel1")->geometry(), QRect(375, 33, 302, 161));
    QCOMPARE(Control<QSlider>(f, "TrackBar1")->geometry(), QRect(8, 126, 350, 22));
  }

  // ToolButton8 does nothing: no message, no error, no change.
  void lastButtonDoesNothing() {
    Harness h;
    h.form().ShowStatus(QStringLiteral("vorher"));
    h.click(Tool(h.form(), "ToolButton8"));
    QCOMPARE(h.form().StatusText(), QStringLiteral("vorher"));
    QVERIFY(h.desktop().errors.isEmpty());
    QCOMPARE(h.desktop().dialogCalls, 0);
    QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);
  }

  // The status line shows one text that the next message replaces.
  void statusLine() {
    Harness h;
    h.form().ShowStatus(QStringLiteral("eins"));
    h.form().ShowStatus(QStringLiteral("zwei"), true);
    QCOMPARE(h.form().StatusText(), QStringLiteral("zwei"));
  }
};

QUERVIK_UI_TEST_MAIN(WindowLayoutTest)
#include "window_layout_test.moc"
