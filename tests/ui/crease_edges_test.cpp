// The crease-edge command (ToolButton6): detection at the angle in
// EditKantenwinkel, the file Bruchkanten.dxf beside the OBJ, the status
// texts, the pending events run once before the search, the up-down.
#include <QDir>
#include <QLineEdit>
#include <QToolButton>

#include "core/number_format.h"
#include "ui_test_support.h"

using uitest::Control;
using uitest::Edit;
using uitest::Harness;
using uitest::Label;
using uitest::Tool;

// ui_box.obj (see load_test.cpp): a closed box 10 x 10 x 5 of 12 triangles
// wound outwards. At 85° its 12 edges are creases (the faces meet at 90°),
// the 6 diagonals inside the sides are not. They are found face by face,
// within a face in the pairs (1st, 2nd), (1st, 3rd), (2nd, 3rd):
//
//   face 1 (1 3 2): 1-2, 2-3      face 3 (5 6 7): 5-6, 6-7
//   face 2 (1 4 3): 1-4, 3-4      face 4 (5 7 8): 5-8, 7-8
//   face 5 (1 2 6): 2-6           face 6 (1 6 5): 1-5
//   face 7 (2 3 7): 3-7           face 9 (3 4 8): 4-8
class CreaseEdgesTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { uitest::ResetProcessState(); }

  void boxAt85Degrees() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    h.statuses.clear();
    h.click(Tool(f, "ToolButton6"));
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(h.statuses,
             (QStringList{QStringLiteral("Set vertexpointer..."),
                          QStringLiteral("Calc face normals..."), QStringLiteral("Normale rechnen"),
                          QStringLiteral("Suche Kanten..."), QStringLiteral("12 Kanten gefunden"),
                          QStringLiteral("12 Kanten gefunden schreibe ") +
                              h.path(QStringLiteral("Bruchkanten.dxf")),
                          QStringLiteral("Fertig! – 12 Bruchkanten in ") +
                              h.path(QStringLiteral("Bruchkanten.dxf"))}));
    const std::vector<quervik::Tbruchkante> expected = {{1, 2}, {2, 3}, {1, 4}, {3, 4},
                                                        {5, 6}, {6, 7}, {5, 8}, {7, 8},
                                                        {2, 6}, {1, 5}, {3, 7}, {4, 8}};
    QVERIFY(f.creases() == expected);
    QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);

    const uitest::DxfFile dxf = uitest::ReadDxf(h.path(QStringLiteral("Bruchkanten.dxf")));
    QVERIFY(dxf.crlf);
    QVERIFY(dxf.framed);
    QCOMPARE(int(dxf.entities.size()), 12);
    QCOMPARE(uitest::CountEntities(dxf, QStringLiteral("LINE"), QStringLiteral("Bruchkante")), 12);
    // The first line runs from V1 = (0, 0, 0) to V2 = (10, 0, 0).
    const uitest::DxfEntity& first = dxf.entities.front();
    QCOMPARE(first.lineType, QStringLiteral("CONTINUOUS"));
    QCOMPARE(first.value(QStringLiteral(" 10")), QStringLiteral(" 0.00000000000000E+0000"));
    QCOMPARE(first.value(QStringLiteral(" 11")), QStringLiteral(" 1.00000000000000E+0001"));
    QCOMPARE(first.value(QStringLiteral(" 21")), QStringLiteral(" 0.00000000000000E+0000"));
    // The last runs from V4 = (0, 10, 0) to V8 = (0, 10, 5).
    const uitest::DxfEntity& last = dxf.entities.back();
    QCOMPARE(last.value(QStringLiteral(" 20")), QStringLiteral(" 1.00000000000000E+0001"));
    QCOMPARE(last.value(QStringLiteral(" 31")), QStringLiteral(" 5.00000000000000E+0000"));
  }

  // The box with two faces of zero area (corners on a line, a corner named
  // twice): the same 12 edges, and the finish says how many faces were
  // skipped. An angle beyond 180° is refused and writes nothing.
  void facesWithoutAreaAndAnglesOutOfRange() {
    Harness h;
    TForm1& f = h.form();
    QByteArray box = uitest::ReadBytes(h.copyData(QStringLiteral("ui_box.obj")));
    box += "\nv 5 0 0\nf 1 9 2\nf 3 3 4\n";
    h.load(h.writeFile(QStringLiteral("flach.obj"), box));
    h.click(Tool(f, "ToolButton6"));
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(f.creases().size(), size_t{12});
    QCOMPARE(f.StatusText(), QStringLiteral("Fertig! 2 Faces ohne Fläche übersprungen – 12 "
                                            "Bruchkanten in ") +
                                 h.path(QStringLiteral("Bruchkanten.dxf")));

    QVERIFY(QFile::remove(h.path(QStringLiteral("Bruchkanten.dxf"))));
    Edit(f, "EditKantenwinkel")->setText(QStringLiteral("270"));
    h.click(Tool(f, "ToolButton6"));
    QCOMPARE(
        h.desktop().errors,
        QStringList{QStringLiteral("Der Kantenwinkel muss größer als 0° und höchstens 180° sein")});
    QVERIFY(!QFile::exists(h.path(QStringLiteral("Bruchkanten.dxf"))));
    QVERIFY(f.creases().empty());
  }

  // Above 90° no box edge is a crease: the file is written all the same,
  // with nothing between its opening and closing lines.
  void nothingFoundStillWritesTheFile() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    Edit(f, "EditKantenwinkel")->setText(QStringLiteral("95"));
    h.click(Tool(f, "ToolButton6"));
    QCOMPARE(h.desktop().errors, QStringList());
    QVERIFY(f.creases().empty());
    QCOMPARE(f.StatusText(), QStringLiteral("Fertig! – 0 Bruchkanten in ") +
                                 h.path(QStringLiteral("Bruchkanten.dxf")));
    const uitest::DxfFile dxf = uitest::ReadDxf(h.path(QStringLiteral("Bruchkanten.dxf")));
    QVERIFY(dxf.framed);
    QCOMPARE(dxf.lines.size(), 8);
  }

  // The search lets pending events run once, after "Suche Kanten..." is
  // shown and before the edges are counted.
  void pendingEventsRunOnceBeforeTheSearch() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    QString seen;
    int runs = 0;
    QMetaObject::invokeMethod(
        &f,
        [&] {
          seen = f.StatusText();
          ++runs;
        },
        Qt::QueuedConnection);
    Tool(f, "ToolButton6")->click();
    QCOMPARE(runs, 1);
    QCOMPARE(seen, QStringLiteral("Suche Kanten..."));
    QVERIFY(f.StatusText().startsWith(QStringLiteral("Fertig! – 12 Bruchkanten in ")));
  }

  // Whatever runs in that moment and replaces the mesh (here a load of a
  // single triangle; a click would be held back as long as the work runs)
  // does not make the search or the export read the old vertex numbers: the
  // list fits the mesh that is there at the end.
  void meshReplacedWhileSearching() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    const QString other = h.copyData(QStringLiteral("ui_trafo.obj"));
    QMetaObject::invokeMethod(
        &f, [&] { f.OpenFile(other); }, Qt::QueuedConnection);
    Tool(f, "ToolButton6")->click();
    QCOMPARE(f.mesh().V.size(), size_t{5});
    for (const quervik::Tbruchkante& k : f.creases()) {
      QVERIFY(k[0] >= 0 && k[0] < 5);
      QVERIFY(k[1] >= 0 && k[1] < 5);
    }
    const uitest::DxfFile dxf = uitest::ReadDxf(h.path(QStringLiteral("Bruchkanten.dxf")));
    if (h.desktop().errors.isEmpty()) {
      QVERIFY(dxf.framed);
      QCOMPARE(dxf.entities.size(), f.creases().size());
    }
    QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);
  }

  // A threshold that is no number ends the command after the normals, before
  // the search: the error box, no list, no file.
  void thresholdThatIsNoNumber() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    for (const char* bad : {"abc", "", "85°", "1e999"}) {
      h.desktop().errors.clear();
      Edit(f, "EditKantenwinkel")->setText(QString::fromUtf8(bad));
      h.click(Tool(f, "ToolButton6"));
      QCOMPARE(h.desktop().errors,
               QStringList{QStringLiteral("'") + QString::fromUtf8(bad) +
                           QStringLiteral("' ist kein gültiger Gleitkommawert")});
      QCOMPARE(f.StatusText(), QStringLiteral("Normale rechnen"));
      QVERIFY(f.creases().empty());
      QVERIFY(!QFile::exists(h.path(QStringLiteral("Bruchkanten.dxf"))));
    }
  }

  // A search run by the events of that moment (a second command) does not
  // double the list; neither does one followed by a load: the search runs
  // on the mesh loaded, and counts its face without area.
  void searchRunByTheEvents() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    QMetaObject::invokeMethod(
        &f, [&] { f.ToolButton6Click(); }, Qt::QueuedConnection);
    h.click(Tool(f, "ToolButton6"));
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(f.creases().size(), size_t{12});

    QByteArray box = uitest::ReadBytes(h.path(QStringLiteral("ui_box.obj")));
    box += "\nf 2 2 5\n";
    const QString flat = h.writeFile(QStringLiteral("flach.obj"), box);
    QMetaObject::invokeMethod(
        &f,
        [&] {
          f.ToolButton6Click();
          f.OpenFile(flat);
        },
        Qt::QueuedConnection);
    h.click(Tool(f, "ToolButton6"));
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(f.creases().size(), size_t{12});
    QCOMPARE(f.StatusText(), QStringLiteral("Fertig! 1 Faces ohne Fläche übersprungen – 12 "
                                            "Bruchkanten in ") +
                                 h.path(QStringLiteral("Bruchkanten.dxf")));
  }

  // The up-down writes its position before the step: the first step gives
  // "20" in place of "85". A threshold written with ',' is refused while
  // the separator is '.', and nothing is written; "30.5" is accepted.
  void thresholdField() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    h.stepUpDown(true);
    QCOMPARE(Edit(f, "EditKantenwinkel")->text(), QStringLiteral("20"));
    h.stepUpDown(true);
    QCOMPARE(Edit(f, "EditKantenwinkel")->text(), QStringLiteral("21"));

    Edit(f, "EditKantenwinkel")->setText(QStringLiteral("30,5"));
    h.click(Tool(f, "ToolButton6"));
    QCOMPARE(h.desktop().errors,
             QStringList{QStringLiteral("'30,5' ist kein gültiger Gleitkommawert")});
    QVERIFY(!QFile::exists(h.path(QStringLiteral("Bruchkanten.dxf"))));
    QVERIFY(f.creases().empty());
    QCOMPARE(uitest::AppCursorShape(), Qt::ArrowCursor);

    h.desktop().errors.clear();
    Edit(f, "EditKantenwinkel")->setText(QStringLiteral("30.5"));
    h.click(Tool(f, "ToolButton6"));
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(f.creases().size(), size_t{12});
    QVERIFY(QFile::exists(h.path(QStringLiteral("Bruchkanten.dxf"))));
  }

  // After a transformation the search runs on the moved mesh: the same
  // edges, the file at the new heights.
  void searchAfterTransformation() {
    Harness h;
    TForm1& f = h.form();
    h.load(h.copyData(QStringLiteral("ui_box.obj")));
    Edit(f, "EditdZ")->setText(QStringLiteral("10"));
    h.click(Control<QPushButton>(f, "ButtonTrafo"));
    h.click(Tool(f, "ToolButton6"));
    QCOMPARE(h.desktop().errors, QStringList());
    QCOMPARE(f.creases().size(), size_t{12});
    const uitest::DxfFile dxf = uitest::ReadDxf(h.path(QStringLiteral("Bruchkanten.dxf")));
    QCOMPARE(dxf.entities.front().value(QStringLiteral(" 30")),
             QStringLiteral(" 1.00000000000000E+0001"));
  }

  // Without a mesh the search is refused before it starts, and no file is
  // written (exports_test checks that an old Bruchkanten.dxf survives).
  void withoutMesh() {
    Harness h;
    TForm1& f = h.form();
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(h.dir()));
    h.click(Tool(f, "ToolButton6"));
    const bool written = QFile::exists(h.path(QStringLiteral("Bruchkanten.dxf")));
    QDir::setCurrent(previous);
    QCOMPARE(h.desktop().errors, QStringList{QStringLiteral("Kein Dreiecksnetz geladen")});
    QVERIFY(f.creases().empty());
    QVERIFY(!written);
    QCOMPARE(f.StatusText(), QString());
  }
};

QUERVIK_UI_TEST_MAIN(CreaseEdgesTest)
#include "crease_edges_test.moc"
