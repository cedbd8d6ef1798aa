#include "ui_test_support.h"

#include <QCursor>
#include <QFile>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolButton>
#include <QWheelEvent>

#include "core/number_format.h"

namespace uitest {

std::optional<QString> FakeUiServices::OpenObjFile(QWidget*) {
  ++record_->dialogCalls;
  return record_->nextPath;
}

std::optional<QString> FakeUiServices::SavePlanFile(QWidget*, const QString& suggested) {
  record_->saveSuggestions << suggested;
  return record_->nextSavePath;
}

void FakeUiServices::ShowError(QWidget*, const QString& text) {
  record_->errors << text;
}

void FakeUiServices::ShowWarning(QWidget*, const QString& text) {
  record_->warnings << text;
}

Qt::CursorShape AppCursorShape() {
  const QCursor* c = QApplication::overrideCursor();
  return c ? c->shape() : Qt::ArrowCursor;
}

void ResetProcessState() {
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  quervik::SetDecimalSeparator('.');
}

QByteArray DataFile(const QString& name) {
  QFile f(QStringLiteral(QUERVIK_TEST_DATA "/") + name);
  if (!f.open(QIODevice::ReadOnly)) qFatal("missing test data file %s", qPrintable(name));
  return f.readAll();
}

Harness::Harness(bool show) {
  ResetProcessState();
  if (!dir_.isValid()) qFatal("no temporary folder");
  form_ = std::make_unique<TForm1>(std::make_unique<FakeUiServices>(&record_));
  QObject::connect(Control<QStatusBar>(*form_, "StatusBar1"), &QStatusBar::messageChanged,
                   form_.get(), [this](const QString& text) {
                     statuses << text;
                     statusCursors << AppCursorShape();
                   });
  if (show) {
    form_->show();
    if (!QTest::qWaitForWindowExposed(form_.get())) qWarning("window not exposed");
    form_->activateWindow();
    if (!QTest::qWaitForWindowActive(form_.get())) qWarning("window not active");
  }
}

Harness::~Harness() {
  form_.reset();
  ResetProcessState();
}

QString Harness::copyData(const QString& name, const QString& as) {
  return writeFile(as.isEmpty() ? name : as, DataFile(name));
}

QString Harness::writeFile(const QString& name, const QByteArray& text) {
  const QString p = path(name);
  QFile f(p);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(text) != text.size())
    qFatal("cannot write %s", qPrintable(p));
  return p;
}

void Harness::load(const QString& p) {
  if (p.isEmpty())
    record_.nextPath.reset();
  else
    record_.nextPath = p;
  click(Tool(*form_, "ToolButton1"));
}

void Harness::click(QWidget* button) {
  QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
}

void Harness::section(const QString& level) {
  Edit(*form_, "EditLevel")->clear();
  QTest::keyClicks(Edit(*form_, "EditLevel"), level);
  click(Tool(*form_, "ToolButtonRechnen"));
}

QWidget* Harness::paintBox() {
  return form_->findChild<QWidget*>(QStringLiteral("PaintBox1"));
}

QWidget* Harness::upDown() {
  return form_->findChild<QWidget*>(QStringLiteral("UpDown1"));
}

QImage Harness::picture() {
  return paintBox()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

static void SendMouse(QWidget* w, QEvent::Type type, Qt::MouseButton button,
                      Qt::MouseButtons buttons, QPoint pos) {
  QMouseEvent ev(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &ev);
}

void Harness::mousePress(Qt::MouseButton button, QPoint pos) {
  SendMouse(paintBox(), QEvent::MouseButtonPress, button, button, pos);
}

void Harness::mouseMove(Qt::MouseButtons held, QPoint pos) {
  SendMouse(paintBox(), QEvent::MouseMove, Qt::NoButton, held, pos);
}

void Harness::mouseRelease(Qt::MouseButton button, QPoint pos) {
  SendMouse(paintBox(), QEvent::MouseButtonRelease, button, Qt::NoButton, pos);
}

void Harness::mouseDoubleClick(Qt::MouseButton button, QPoint pos) {
  mousePress(button, pos);
  mouseRelease(button, pos);
  mousePress(button, pos);
  SendMouse(paintBox(), QEvent::MouseButtonDblClick, button, button, pos);
  mouseRelease(button, pos);
}

void Harness::wheel(bool towardsUser, QWidget* target) {
  QWidget* w = target ? target : paintBox();
  const QPoint pos = w->rect().center();
  QWheelEvent ev(QPointF(pos), QPointF(w->mapToGlobal(pos)), QPoint(),
                 QPoint(0, towardsUser ? -120 : 120), Qt::NoButton, Qt::NoModifier,
                 Qt::NoScrollPhase, false);
  QApplication::sendEvent(w, &ev);
}

void Harness::focus(QWidget* w) {
  w->setFocus(Qt::TabFocusReason);
  QApplication::processEvents();
}

void Harness::setScale(const QString& pixelsPerUnit) {
  QLineEdit* scale = Edit(*form_, "EditMasstab");
  focus(scale);
  scale->setText(pixelsPerUnit);
  focus(Edit(*form_, "Edit1"));
}

void Harness::stepUpDown(bool up) {
  QWidget* ud = upDown();
  const QPoint inUd(ud->width() / 2, up ? ud->height() / 4 : (3 * ud->height()) / 4);
  QWidget* target = ud->childAt(inUd);
  if (!target) target = ud;
  QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, target->mapFrom(ud, inUd));
}

bool IsRed(QRgb c) {
  return qRed(c) == 255 && qGreen(c) == 0 && qBlue(c) == 0;
}
bool IsWhite(QRgb c) {
  return qRed(c) == 255 && qGreen(c) == 255 && qBlue(c) == 255;
}

std::vector<QPoint> RedPixels(const QImage& img) {
  std::vector<QPoint> out;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (IsRed(img.pixel(x, y))) out.emplace_back(x, y);
  return out;
}

int CountRed(const QImage& img) {
  return static_cast<int>(RedPixels(img).size());
}

int CountOther(const QImage& img) {
  int n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const QRgb c = img.pixel(x, y);
      if (!IsRed(c) && !IsWhite(c)) ++n;
    }
  return n;
}

QByteArray ReadBytes(const QString& p) {
  QFile f(p);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

QString DxfEntity::value(const QString& code) const {
  for (const auto& [c, v] : groups)
    if (c == code) return v;
  return {};
}

DxfFile ReadDxf(const QString& p) {
  DxfFile f;
  const QByteArray bytes = ReadBytes(p);
  QList<QByteArray> parts = bytes.split('\n');
  // A file ending with a line end splits into lines plus one empty tail.
  f.crlf = !bytes.isEmpty() && parts.last().isEmpty();
  parts.removeLast();
  for (QByteArray line : parts) {
    if (!line.endsWith('\r') || line.count('\r') != 1)
      f.crlf = false;
    else
      line.chop(1);
    f.lines << QString::fromLatin1(line);
  }
  const qsizetype n = f.lines.size();
  f.framed = n >= 8 && n % 2 == 0 && f.lines[0] == QLatin1String("  0") &&
             f.lines[1] == QLatin1String("SECTION") && f.lines[2] == QLatin1String("  2") &&
             f.lines[3] == QLatin1String("ENTITIES") && f.lines[n - 4] == QLatin1String("  0") &&
             f.lines[n - 3] == QLatin1String("ENDSEC") && f.lines[n - 2] == QLatin1String("  0") &&
             f.lines[n - 1] == QLatin1String("EOF");
  if (!f.framed) return f;
  for (qsizetype i = 4; i + 1 < n - 4; i += 2) {
    const QString& code = f.lines[i];
    const QString& value = f.lines[i + 1];
    if (code == QLatin1String("  0")) {
      f.entities.push_back(DxfEntity{value, {}, {}, {}});
    } else if (!f.entities.empty()) {
      DxfEntity& e = f.entities.back();
      if (code == QLatin1String("  8")) e.layer = value;
      if (code == QLatin1String("  6")) e.lineType = value;
      e.groups.emplace_back(code, value);
    }
  }
  return f;
}

int CountEntities(const DxfFile& f, const QString& type, const QString& layer) {
  int n = 0;
  for (const DxfEntity& e : f.entities)
    if (e.type == type && (layer.isNull() || e.layer == layer)) ++n;
  return n;
}

}  // namespace uitest
