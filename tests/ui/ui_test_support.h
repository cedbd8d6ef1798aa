// Shared pieces of the window tests: a fake desktop (file dialog and error
// display) handed to TForm1, a harness that builds a fresh window in a
// temporary folder, real mouse, wheel and key events, the grabbed picture of
// the drawing surface, and a small reader for the DXF files the window
// writes. Every test builds its own harness, so no test sees another's
// window, files or view.
#pragma once

#include <QApplication>
#include <QByteArray>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/UnitMaintest.h"
#include "ui/paint_box.h"
#include "ui/ui_services.h"
#include "ui/up_down.h"

namespace uitest {

// What the fake desktop saw and what it answers.
struct DesktopRecord {
  std::optional<QString> nextPath;  // the answer of the next file dialog; nothing = cancel
  int dialogCalls = 0;
  QStringList errors;                   // every text shown by the general error display, in order
  QStringList warnings;                 // every text shown in a warning box, in order
  std::optional<QString> nextSavePath;  // the answer of the next save dialog; nothing = cancel
  QStringList saveSuggestions;          // the name each save dialog started at
};

class FakeUiServices : public UiServices {
 public:
  explicit FakeUiServices(DesktopRecord* record) : record_(record) {}
  std::optional<QString> OpenObjFile(QWidget* parent) override;
  std::optional<QString> SavePlanFile(QWidget* parent, const QString& suggested) override;
  void ShowError(QWidget* parent, const QString& text) override;
  void ShowWarning(QWidget* parent, const QString& text) override;

 private:
  DesktopRecord* record_;
};

// The shape of the application-wide cursor (the arrow when none is set).
Qt::CursorShape AppCursorShape();

// Clears what a test may have left in the process-wide state: the cursor
// stack and the decimal separator (set back to '.').
void ResetProcessState();

// The control `name` of the window: every control has its name as
// objectName. Fails the test at once when there is none.
template <class W>
W* Control(const QWidget& window, const char* name) {
  W* w = window.findChild<W*>(QString::fromLatin1(name));
  if (w == nullptr) qFatal("no control %s", name);
  return w;
}
inline QLineEdit* Edit(const QWidget& window, const char* name) {
  return Control<QLineEdit>(window, name);
}
inline QToolButton* Tool(const QWidget& window, const char* name) {
  return Control<QToolButton>(window, name);
}
inline QLabel* Label(const QWidget& window, const char* name) {
  return Control<QLabel>(window, name);
}

// Text of a data file under tests/data.
QByteArray DataFile(const QString& name);

class Harness {
 public:
  // Builds a fresh window with the fake desktop; `show` shows and activates
  // it (the offscreen platform has no frame, so focus moves work).
  explicit Harness(bool show = true);
  ~Harness();

  TForm1& form() { return *form_; }
  DesktopRecord& desktop() { return record_; }
  // Every text the status line showed since the window was built, with the
  // application-wide cursor at that moment; clear them to start afresh.
  QStringList statuses;
  QList<Qt::CursorShape> statusCursors;
  QString dir() const { return dir_.path(); }
  QString path(const QString& fileName) const { return dir_.filePath(fileName); }

  // Copies tests/data/<name> into the temporary folder; returns its path.
  QString copyData(const QString& name, const QString& as = QString());
  // Writes `text` as a file in the temporary folder; returns its path.
  QString writeFile(const QString& name, const QByteArray& text);

  // The load command through the tool button, with the dialog answering
  // `path` (or cancelling when it is empty).
  void load(const QString& path);

  // A real left click on a tool button or push button.
  void click(QWidget* button);
  // Types `level` into EditLevel and clicks ToolButtonRechnen.
  void section(const QString& level);

  QWidget* paintBox();
  QWidget* upDown();
  QImage picture();  // PaintBox1 as it shows now, RGB32

  // Mouse events on PaintBox1, delivered as the platform would deliver them.
  void mousePress(Qt::MouseButton button, QPoint pos);
  void mouseMove(Qt::MouseButtons held, QPoint pos);
  void mouseRelease(Qt::MouseButton button, QPoint pos);
  // A double-click as the platform delivers it: press, release, press,
  // double-click, release.
  void mouseDoubleClick(Qt::MouseButton button, QPoint pos);
  // One wheel step delivered to `target` (PaintBox1 when null); towards the
  // user is the step that shrinks the picture.
  void wheel(bool towardsUser, QWidget* target = nullptr);

  // Moves the keyboard focus to `w` and lets the focus events run.
  void focus(QWidget* w);

  // One click on the up (or down) arrow of UpDown1.
  void stepUpDown(bool up);

  // Types `pixelsPerUnit` into EditMasstab and leaves the field, as a user
  // sets the scale of the view (mf = 1 / pixelsPerUnit).
  void setScale(const QString& pixelsPerUnit);

 private:
  DesktopRecord record_;
  QTemporaryDir dir_;
  std::unique_ptr<TForm1> form_;
};

// --- pictures ---
bool IsRed(QRgb c);
bool IsWhite(QRgb c);
int CountRed(const QImage& img);
int CountOther(const QImage& img);  // neither red nor white
// The red pixels of `img` as (x, y), row by row.
std::vector<QPoint> RedPixels(const QImage& img);

// --- files ---
QByteArray ReadBytes(const QString& path);

// A DXF file as the writer lays it out: CR LF after every line, pairs of a
// group-code line and a value line.
struct DxfEntity {
  QString type;
  QString layer;
  QString lineType;
  std::vector<std::pair<QString, QString>> groups;  // (code, value) after the type
  QString value(const QString& code) const;
};
struct DxfFile {
  bool crlf = false;  // every line ends with CR LF, the last one included
  QStringList lines;  // without the line ends
  std::vector<DxfEntity> entities;
  bool framed = false;  // opening and closing lines as the writer writes them
};
DxfFile ReadDxf(const QString& path);
int CountEntities(const DxfFile& f, const QString& type, const QString& layer = QString());

}  // namespace uitest

// Every window test executable runs one Qt Test class on the offscreen
// platform, so ctest needs no display.
#define QUERVIK_UI_TEST_MAIN(TestClass)          \
  int main(int argc, char** argv) {              \
    qputenv("QT_QPA_PLATFORM", "offscreen");     \
    QApplication::setAttribute(Qt::AA_Use96Dpi); \
    QApplication app(argc, argv);                \
    TestClass test;                              \
    return QTest::qExec(&test, argc, argv);      \
  }
