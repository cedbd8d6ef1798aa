// The DXF exports from the window: the section (ToolButton3), the whole
// mesh (ToolButton4) and the series (ToolButton5), their file names beside
// the OBJ, their contents and what they leave in the window; refused level
// texts and steps, exports without a mesh, and folders that do not exist.
#include <QDir>
#include <QLineEdit>
#include <QToolButton>

#include "ui_test_support.h"

using uitest::Control;
using uitest::Edit;
using uitest::Harness;
using uitest::Label;
using uitest::Tool;

namespace {

const QByteArray kOpening = "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n";
const QByteArray kClosing = "  0\r\nENDSEC\r\n  0\r\nEOF\r\n";

QStringList Layers(const uitest::DxfFile& f) {
  QStringList out;
  for (const uitest::DxfEntity& e : f.entities) out << e.layer;
  return out;
}

QStringList Repeat(const QString& s, int n) {
  QStringList out;
  for (int i = 0; i < n; ++i) out << s;
  return out;
}

}  // namespace

// ui_box.obj (see load_test.cpp): a closed box 10 x 10 x 5, 12 faces.
class ExportsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { uitest::ResetProcessState(); }

  // Right after the load the field reads "2.500" and the section was cut
  // there: name, layer and the height of the lines agree.
  void sectionExport() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    h.click(Tool(f, "ToolButton3"));
    QCOMPARE(h.desktop().errors, QStringList());
    const QString file = h.path(QStringLiteral("S2_500.dxf"));
    QCOMPARE(f.StatusText(),
             QStringLiteral("DXF Datei von Schnittlinie erzeugt – 8 Linien in ") + file);
    QVERIFY(QFile::exists(file));
    const QByteArray bytes = uitest::ReadBytes(file);
    QVERIFY(bytes.startsWith(kOpening));
    QVERIFY(bytes.endsWith(kClosing));
    const uitest::DxfFile dxf = uitest::ReadDxf(file);
    QVERIFY(dxf.crlf);
    QCOMPARE(Layers(dxf), Repeat(QStringLiteral("SCHNITT2.500"), 8));
    for (const uitest::DxfEntity& e : dxf.entities) {
      QCOMPARE(e.type, QStringLiteral("LINE"));
      QCOMPARE(e.lineType, QStringLiteral("CONTINUOUS"));
      QCOMPARE(e.value(QStringLiteral(" 30")), QStringLiteral(" 2.50000000000000E+0000"));
      QCOMPARE(e.value(QStringLiteral(" 31")), QStringLiteral(" 2.50000000000000E+0000"));
    }
    // Only the OBJ and the new file are in the folder: nothing half-written.
    QCOMPARE(QDir(h.dir()).entryList(QDir::Files),
             (QStringList{QStringLiteral("S2_500.dxf"), QStringLiteral("ui_box.obj")}));
  }

  // A level typed but not computed (the section on screen is at 1) is cut
  // and shown before the file is written: file, layer, lines, section,
  // volume and picture all belong to 3.
  void sectionExportCutsATypedLevelFirst() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    h.section(QStringLiteral("1"));
    h.mousePress(Qt::LeftButton, QPoint(100, 100));  // a pan, undone by the fit
    h.mouseMove(Qt::LeftButton, QPoint(140, 130));
    Edit(f, "EditLevel")->setText(QStringLiteral("3"));
    h.click(Tool(f, "ToolButton3"));
    QCOMPARE(h.desktop().errors, QStringList());
    const uitest::DxfFile dxf = uitest::ReadDxf(h.path(QStringLiteral("S3.dxf")));
    QCOMPARE(Layers(dxf), Repeat(QStringLiteral("SCHNITT3"), 8));
    for (const uitest::DxfEntity& e : dxf.entities)
      QCOMPARE(e.value(QStringLiteral(" 30")), QStringLiteral(" 3.00000000000000E+0000"));
    QCOMPARE(f.contour().Level, 3.0);
    QCOMPARE(Edit(f, "EditMasse")->text(), QStringLiteral("   200"));
    QCOMPARE(f.view().xoffset, 0.0);
    QCOMPARE(f.view().yoffset, 10.0);
    QCOMPARE(f.StatusText(), QStringLiteral("DXF Datei von Schnittlinie erzeugt – 8 Linien in ") +
                                 h.path(QStringLiteral("S3.dxf")));
  }

  // A level text that is no number (for the separator in force) gets the
  // conversion error and writes nothing; the section stays.
  void sectionExportRefusesALevelThatIsNoNumber_data() {
    QTest::addColumn<QString>("level");
    QTest::newRow("empty") << QString();
    QTest::newRow("letters") << QStringLiteral("abc");
    QTest::newRow("nan") << QStringLiteral("nan");
    QTest::newRow("comma") << QStringLiteral("12,5");
    QTest::newRow("two points") << QStringLiteral("12.5.7");
  }
  void sectionExportRefusesALevelThatIsNoNumber() {
    QFETCH(QString, level);
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    const QString status = f.StatusText();
    Edit(f, "EditLevel")->setText(level);
    h.click(Tool(f, "ToolButton3"));
    QCOMPARE(h.desktop().errors,
             QStringList{QStringLiteral("'%1' ist kein gültiger Gleitkommawert").arg(level)});
    QCOMPARE(QDir(h.dir()).entryList(QDir::Files), QStringList{QStringLiteral("ui_box.obj")});
    QCOMPARE(f.contour().Level, 2.5);
    QCOMPARE(f.StatusText(), status);
    QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);
  }

  // Blanks around the level text stay out of the file name but keep their
  // place in the layer: a typed padded level, and the ten-character level
  // that "Transformieren" writes.
  void sectionExportLeavesBlanksOutOfTheName() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    Edit(f, "EditLevel")->setText(QStringLiteral("   3.000 "));
    h.click(Tool(f, "ToolButton3"));
    h.click(Control<QPushButton>(f, "ButtonTrafo"));
    QCOMPARE(Edit(f, "EditLevel")->text(), QStringLiteral("     2.500"));
    h.click(Tool(f, "ToolButton3"));
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(QDir(h.dir()).entryList(QDir::Files),
             (QStringList{QStringLiteral("S2_500.dxf"), QStringLiteral("S3_000.dxf"),
                          QStringLiteral("ui_box.obj")}));
    QCOMPARE(Layers(uitest::ReadDxf(h.path(QStringLiteral("S3_000.dxf")))),
             Repeat(QStringLiteral("SCHNITT   3.000 "), 8));
    QCOMPARE(Layers(uitest::ReadDxf(h.path(QStringLiteral("S2_500.dxf")))),
             Repeat(QStringLiteral("SCHNITT     2.500"), 8));
  }

  // Before any load no export runs: each is refused with one German text,
  // and files of the same names in the working directory stay as they were.
  void exportsBeforeAnyLoadAreRefused() {
    Harness h;
    TForm1& f = h.form();
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(h.dir()));
    const QByteArray old = "alt\r\n";
    for (const char* name : {"S1.dxf", "Schnitte.dxf", "Bruchkanten.dxf"})
      h.writeFile(QString::fromLatin1(name), old);
    const QStringList before = QDir(h.dir()).entryList(QDir::Files | QDir::Hidden);
    Edit(f, "EditLevel")->setText(QStringLiteral("1"));
    for (QToolButton* b : {Tool(f, "ToolButton3"), Tool(f, "ToolButton4"), Tool(f, "ToolButton5"),
                           Tool(f, "ToolButton6")})
      h.click(b);
    const QStringList after = QDir(h.dir()).entryList(QDir::Files | QDir::Hidden);
    QDir::setCurrent(previous);

    QCOMPARE(h.desktop().errors, QStringList(4, QStringLiteral("Kein Dreiecksnetz geladen")));
    QCOMPARE(after, before);
    for (const QString& name : after) QCOMPARE(uitest::ReadBytes(h.path(name)), old);
    QCOMPARE(Edit(f, "EditLevel")->text(), QStringLiteral("1"));
    QCOMPARE(f.StatusText(), QString());
    QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);
  }

  // The whole mesh: ui_box.DXF with 3 * 12 lines on "FACE", x and y
  // exchanged; the placeholder slot writes no line at the origin, while the
  // first status text still counts it; the finish text counts what was
  // written.
  void meshExport() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    h.statuses.clear();
    h.statusCursors.clear();
    h.click(Tool(f, "ToolButton4"));
    QCOMPARE(h.desktop().errors, QStringList());
    const QString file = h.path(QStringLiteral("ui_box.DXF"));
    QCOMPARE(h.statuses,
             (QStringList{QStringLiteral("Schreibe 13 Faces..."),
                          QStringLiteral("Fertig! – 12 Faces (36 Linien) in ") + file}));
    QCOMPARE(h.statusCursors, (QList<Qt::CursorShape>{Qt::WaitCursor, Qt::WaitCursor}));
    QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);
    QVERIFY(uitest::ReadBytes(file).startsWith(kOpening));
    const uitest::DxfFile dxf = uitest::ReadDxf(file);
    QVERIFY(dxf.crlf);
    QVERIFY(dxf.framed);
    QCOMPARE(int(dxf.entities.size()), 36);
    QCOMPARE(uitest::CountEntities(dxf, QStringLiteral("LINE"), QStringLiteral("FACE")), 36);
    const QString zero = QStringLiteral(" 0.00000000000000E+0000");
    const QString ten = QStringLiteral(" 1.00000000000000E+0001");
    // Face 1 is (1 3 2); its second line runs from A = V1 = (0, 0, 0) to
    // C = V2 = (10, 0, 0), written as (y, x, z): (0, 10, 0).
    const uitest::DxfEntity& ac = dxf.entities[1];
    QCOMPARE(ac.value(QStringLiteral(" 11")), zero);
    QCOMPARE(ac.value(QStringLiteral(" 21")), ten);
  }

  // The series with step 1 over z 0..5: levels 0, 1, 2, 3, 4, 5; level 5
  // cuts nothing. Eight lines per other level, each on its own layer, and
  // the field ends at the last level.
  void seriesExport() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    h.statuses.clear();
    h.click(Tool(f, "ToolButton5"));
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);
    const uitest::DxfFile dxf = uitest::ReadDxf(h.path(QStringLiteral("Schnitte.dxf")));
    QVERIFY(dxf.crlf);
    QVERIFY(dxf.framed);
    QStringList expected;
    for (const char* l : {"S   0.000d", "S   1.000d", "S   2.000d", "S   3.000d", "S   4.000d"})
      expected << Repeat(QString::fromLatin1(l), 8);
    QCOMPARE(Layers(dxf), expected);
    QCOMPARE(Edit(f, "EditLevel")->text(), QStringLiteral("   5.000"));
    QCOMPARE(f.contour().Level, 5.0);
    QVERIFY(f.contour().Contours.empty());
    // No message while it runs; the finish text counts levels and lines.
    QCOMPARE(h.statuses, QStringList{QStringLiteral("Fertig! – 6 Schnitte mit 40 Linien in ") +
                                     h.path(QStringLiteral("Schnitte.dxf"))});
    // The section export afterwards writes that section; the padded level
    // text names its layer, the name goes without the blanks.
    h.click(Tool(f, "ToolButton3"));
    const uitest::DxfFile last = uitest::ReadDxf(h.path(QStringLiteral("S5_000.dxf")));
    QVERIFY(last.framed);
    QVERIFY(last.entities.empty());
  }

  // A step of 0 or below is refused with a German text before any file is
  // written; a step that is no number gets the conversion text. A series
  // written before survives each refusal byte for byte.
  void refusedSteps_data() {
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("error");  // empty: any German text
    QTest::newRow("zero") << QStringLiteral("0") << QString();
    QTest::newRow("negative") << QStringLiteral("-1") << QString();
    QTest::newRow("layers shared") << QStringLiteral("0.0001")
                                   << QStringLiteral(
                                          "Die Schrittweite ist zu klein: zwei Schnitte kämen auf "
                                          "denselben Layer 'S   0.000d'");
    QTest::newRow("no number") << QStringLiteral("abc")
                               << QStringLiteral("'abc' ist kein gültiger Gleitkommawert");
  }
  void refusedSteps() {
    QFETCH(QString, step);
    QFETCH(QString, error);
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    const QString file = h.path(QStringLiteral("Schnitte.dxf"));

    Edit(f, "EditDeltaH")->setText(step);
    h.click(Tool(f, "ToolButton5"));
    QCOMPARE(h.desktop().errors.size(), 1);
    if (!error.isEmpty()) QCOMPARE(h.desktop().errors.first(), error);
    QVERIFY(!h.desktop().errors.first().isEmpty());
    QVERIFY(!QFile::exists(file));
    QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);

    Edit(f, "EditDeltaH")->setText(QStringLiteral("2"));
    h.click(Tool(f, "ToolButton5"));
    QCOMPARE(h.desktop().errors.size(), 1);
    const QByteArray good = uitest::ReadBytes(file);
    QVERIFY(good.startsWith(kOpening));
    Edit(f, "EditDeltaH")->setText(step);
    h.click(Tool(f, "ToolButton5"));
    QCOMPARE(h.desktop().errors.size(), 2);
    QCOMPARE(uitest::ReadBytes(file), good);
    QCOMPARE(QDir(h.dir()).entryList(QDir::Files),
             (QStringList{QStringLiteral("Schnitte.dxf"), QStringLiteral("ui_box.obj")}));
  }

  // An OBJ path in a folder that does not exist: each export fails with the
  // writer's text, the arrow comes back, and the writer works again after.
  void folderThatDoesNotExist() {
    Harness h;
    TForm1& f = h.form();
    const QString obj = h.copyData(QStringLiteral("ui_box.obj"));
    h.load(obj);
    Edit(f, "Edit1")->setText(h.path(QStringLiteral("fehlt/ui_box.obj")));
    for (QToolButton* b : {Tool(f, "ToolButton3"), Tool(f, "ToolButton4"), Tool(f, "ToolButton5"),
                           Tool(f, "ToolButton6")}) {
      h.desktop().errors.clear();
      h.click(b);
      QCOMPARE(h.desktop().errors, QStringList{QStringLiteral("Ungültiger Dateiname")});
      QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);
    }
    Edit(f, "Edit1")->setText(obj);
    h.desktop().errors.clear();
    h.click(Tool(f, "ToolButton4"));
    QCOMPARE(h.desktop().errors, QStringList());
    QVERIFY(uitest::ReadDxf(h.path(QStringLiteral("ui_box.DXF"))).framed);
  }
};

QUERVIK_UI_TEST_MAIN(ExportsTest)
#include "exports_test.moc"
