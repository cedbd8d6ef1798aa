// The window and the batch tool write the same bytes: the section, the
// whole mesh, the series, the crease edges, the contour lines and the
// height-volume curve of the same mesh with the same texts, once from the
// window's buttons and once from quervik-batch.
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QToolButton>

#include "generators.h"
#include "ui_test_support.h"

using uitest::Control;
using uitest::Edit;
using uitest::Harness;
using uitest::Label;
using uitest::Tool;

namespace {

// Runs quervik-batch with `args`; returns its exit code (-1 when it did
// not run), with its error output in `err`.
int RunBatch(const QStringList& args, QString* err) {
#ifdef QUERVIK_BATCH
  QProcess p;
  p.start(QStringLiteral(QUERVIK_BATCH), args);
  if (!p.waitForFinished(120000)) {
    *err = QStringLiteral("did not finish");
    return -1;
  }
  *err = QString::fromLocal8Bit(p.readAllStandardError());
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
#else
  Q_UNUSED(args);
  *err = QStringLiteral("no batch tool");
  return -1;
#endif
}

}  // namespace

class BatchEquivalenceTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
#ifndef QUERVIK_BATCH
    QSKIP("quervik-batch is not part of this build (src/cli has no target); nothing to compare");
#endif
  }
  void init() {
    uitest::ResetProcessState();
  }

  // A terrain of 30 x 20 cells (heights about 5..95) and the box, cut at a
  // typed level, exported whole, as a series and as crease edges.
  void sameFilesAsTheBatchTool_data() {
    QTest::addColumn<QString>("mesh");
    QTest::addColumn<QString>("level");
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("angle");
    QTest::newRow("box") << QStringLiteral("ui_box.obj") << QStringLiteral("2.5")
                         << QStringLiteral("1") << QStringLiteral("85");
    QTest::newRow("terrain") << QStringLiteral("terrain") << QStringLiteral("47.25")
                             << QStringLiteral("7.5") << QStringLiteral("5");
  }
  void sameFilesAsTheBatchTool() {
    QFETCH(QString, mesh);
    QFETCH(QString, level);
    QFETCH(QString, step);
    QFETCH(QString, angle);
    Harness h;
    TForm1& f = h.form();
    QTemporaryDir batchDir;
    QVERIFY(batchDir.isValid());

    QString obj;
    QString batchObj = batchDir.filePath(QStringLiteral("netz.obj"));
    if (mesh == QLatin1String("terrain")) {
      obj = h.path(QStringLiteral("netz.obj"));
      const quervik::Mesh terrain = quervik::gen::MakeTerrain(30, 20);
      QVERIFY(quervik::gen::WriteObj(terrain, obj.toStdString()));
    } else {
      obj = h.copyData(mesh, QStringLiteral("netz.obj"));
    }
    QVERIFY(QFile::copy(obj, batchObj));

    // The window.
    h.load(obj);
    h.section(level);
    h.click(Tool(f, "ToolButton3"));
    h.click(Tool(f, "ToolButton4"));
    Edit(f, "EditDeltaH")->setText(step);
    h.click(Tool(f, "ToolButton5"));
    Edit(f, "EditKantenwinkel")->setText(angle);
    h.click(Tool(f, "ToolButton6"));
    h.click(Tool(f, "ToolButtonHoehenlinien"));
    h.click(Tool(f, "ToolButtonVolumenkurve"));
    QCOMPARE(h.desktop().errors, QStringList());

    // The batch tool, with the same texts.
    QString err;
    const QList<QStringList> runs = {
        {QStringLiteral("section"), batchObj, level},
        {QStringLiteral("mesh"), batchObj},
        {QStringLiteral("series"), batchObj, step},
        {QStringLiteral("creases"), batchObj, angle},
        {QStringLiteral("contours"), batchObj, step},
        {QStringLiteral("curve"), batchObj, step, QStringLiteral("--csv"),
         batchDir.filePath(QStringLiteral("Volumenkurve.csv"))},
    };
    for (const QStringList& args : runs)
      QVERIFY2(RunBatch(args, &err) == 0, qPrintable(args.join(u' ') + QStringLiteral(": ") + err));

    const QString sectionFile =
        QStringLiteral("S") + QString(level).replace(u'.', u'_') + QStringLiteral(".dxf");
    const QStringList files = {sectionFile,
                               QStringLiteral("netz.DXF"),
                               QStringLiteral("Schnitte.dxf"),
                               QStringLiteral("Bruchkanten.dxf"),
                               QStringLiteral("Hoehenlinien.dxf"),
                               QStringLiteral("Volumenkurve.csv")};
    for (const QString& name : files) {
      const QByteArray mine = uitest::ReadBytes(h.path(name));
      const QByteArray theirs = uitest::ReadBytes(batchDir.filePath(name));
      QVERIFY2(!mine.isEmpty(), qPrintable(name));
      QVERIFY2(mine == theirs, qPrintable(name + QStringLiteral(" differs")));
    }
    QCOMPARE(QDir(h.dir()).entryList(QDir::Files), QDir(batchDir.path()).entryList(QDir::Files));
  }
};

QUERVIK_UI_TEST_MAIN(BatchEquivalenceTest)
#include "batch_equivalence_test.moc"
