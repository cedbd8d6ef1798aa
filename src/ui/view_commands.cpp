// The commands that show the user what happened and where things are:
// Enter in the level and scale fields, the coordinates under the mouse,
// the measured step drawn, "Alles zeigen" (both extents of the section) and
// "Plan speichern" (the drawing as PDF, SVG or PNG).
#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <cmath>
#include <numbers>

#include "app/export_files.h"
#include "core/atomic_file.h"
#include "core/errors.h"
#include "core/number_format.h"
#include "model/vector_math.h"
#include "ui/UnitMaintest.h"
#include "ui/paint_box.h"
#include "ui/plan_picture.h"
#include "ui/tool_icons.h"

namespace {

QString Fixed(double value, int width, int decimals) {
  return QString::fromStdString(quervik::FormatFixed(value, width, decimals));
}

bool UsableView(const SectionView& view) {
  return view.mf > 0 && std::isfinite(view.mf);
}

}  // namespace

// --- controls and wiring ---

void TForm1::createViewCommands() {
  ToolSeparatorAnsicht = addToolSeparator("ToolSeparatorAnsicht");
  auto button = [this](const char* name, const char* picture, const QString& hint) {
    return addToolButton(name, MakeToolIcon(QString::fromLatin1(picture)), hint);
  };
  ToolButtonAllesZeigen =
      button("ToolButtonAllesZeigen", "alles_zeigen", QStringLiteral("Alles zeigen"));
  ToolButtonPlan = button("ToolButtonPlan", "plan_speichern", QStringLiteral("Plan speichern"));

  // A permanent field at the far right of the status bar; the status text
  // keeps the rest of the bar.
  LabelKoordinaten = new QLabel(StatusBar1);
  LabelKoordinaten->setObjectName(QStringLiteral("LabelKoordinaten"));
  LabelKoordinaten->setTextFormat(Qt::PlainText);
  LabelKoordinaten->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  LabelKoordinaten->setMinimumWidth(LabelKoordinaten->fontMetrics().horizontalAdvance(
      QStringLiteral("x=  000000.000 y=  0000000.000")));
  StatusBar1->addPermanentWidget(LabelKoordinaten);

  connect(ToolButtonAllesZeigen, &QToolButton::clicked, this,
          [this] { ToolButtonAllesZeigenClick(); });
  connect(ToolButtonPlan, &QToolButton::clicked, this, [this] { ToolButtonPlanClick(); });
  connect(EditLevel, &QLineEdit::returnPressed, this, [this] { EditLevelEnter(); });
  connect(EditMasstab, &QLineEdit::returnPressed, this, [this] { EditMasstabEnter(); });
  connect(PaintBox1, &PaintBox::DoubleClick, this,
          [this](Qt::MouseButton b, int x, int y) { PaintBox1DblClick(b, x, y); });
  connect(PaintBox1, &PaintBox::MouseMove, this,
          [this](Qt::MouseButtons, int x, int y) { ShowMouseCoordinates(x, y); });
  connect(PaintBox1, &PaintBox::MouseLeft, this, [this] { LabelKoordinaten->clear(); });
}

// --- Enter applies ---

void TForm1::EditLevelEnter() {
  EditLevelExit();
}

void TForm1::EditMasstabEnter() {
  EditMasstabExit();
  // The new scale shows at once, about the fixed top-left corner, as after a
  // wheel step; a scale that was refused changed nothing.
  Run([this] {
    if (PaintBox1->content() == PaintBox::Content::Section && PaintBox1->view().mf != mf) {
      ZeigAlles();
    }
  });
}

// --- where am I ---

std::optional<QPointF> TForm1::ModelPoint(int X, int Y) const {
  if (PaintBox1->content() == PaintBox::Content::Background) return std::nullopt;
  const SectionView& v = PaintBox1->view();
  if (!UsableView(v)) return std::nullopt;
  return QPointF(v.xoffset + (X + 0.5) * v.mf, v.yoffset - (Y + 0.5) * v.mf);
}

void TForm1::ShowMouseCoordinates(int X, int Y) {
  const std::optional<QPointF> p = ModelPoint(X, Y);
  if (!p) {
    LabelKoordinaten->clear();
    return;
  }
  LabelKoordinaten->setText(QStringLiteral("x=") + Fixed(p->x(), 10, 3) + QStringLiteral(" y=") +
                            Fixed(p->y(), 10, 3));
}

// --- measuring ---

void TForm1::MeasuringSwitched(bool on) {
  measureStartPending_ = on;
  PaintBox1->SetMeasuredStep(std::nullopt);
}

void TForm1::MeasureClick(int X, int Y) {
  const std::optional<QPointF> here = ModelPoint(X, Y);
  measureStamp_ = quervik::MeshStamp::Of(mesh_);
  if (measureStartPending_) {
    // The first point of a measurement: nothing to measure from yet.
    measureStartPending_ = false;
    ShowStatus(QStringLiteral("Startpunkt gesetzt – bitte den zweiten Punkt anklicken"));
    PaintBox1->SetMeasuredStep(
        here ? std::optional<MeasuredStep>(MeasuredStep{here->x(), here->y(), 0, 0, false})
             : std::nullopt);
    return;
  }
  const double dx = static_cast<double>(X) - Mousesavex;
  const double dy = static_cast<double>(Y) - mousesavey;
  double S = 0;
  double T = 0;
  quervik::RIWI(dy, dx, S, T);
  const double s = S * mf;
  const double t = T * 180 / std::numbers::pi;
  ShowStatus(QStringLiteral("s=") + Fixed(s, 10, 3) + QStringLiteral(" t=") + Fixed(t, 10, 4) +
             QStringLiteral("°"));
  const std::optional<QPointF> from = ModelPoint(Mousesavex, mousesavey);
  if (from && here) {
    PaintBox1->SetMeasuredStep(MeasuredStep{from->x(), from->y(), here->x(), here->y(), true});
  } else {
    PaintBox1->SetMeasuredStep(std::nullopt);
  }
}

void TForm1::DropStaleMeasurement() {
  if (PaintBox1->measuredStep() && !(measureStamp_ == quervik::MeshStamp::Of(mesh_))) {
    PaintBox1->SetMeasuredStep(std::nullopt);
  }
}

// --- see all of it ---

QSize TForm1::VisibleSurface() const {
  // ZeigAlles makes the surface as large as the window's outer size less
  // 100 pixels in height; the window shows it up to its right edge and down
  // to the status bar.
  const QRect outer = window()->frameGeometry();
  const int w = std::min(outer.width(), width() - PaintBox1->x());
  const int h = std::min(outer.height() - 100, StatusBar1->y() - PaintBox1->y());
  return {std::max(1, w), std::max(1, h)};
}

void TForm1::ToolButtonAllesZeigenClick() {
  Run([this] { AllesZeigen(); });
}

void TForm1::PaintBox1DblClick(Qt::MouseButton button, int, int) {
  // While measuring, two quick clicks are two points of a measurement.
  if (button == Qt::LeftButton && !ToolButton2->isChecked()) ToolButtonAllesZeigenClick();
}

void TForm1::AllesZeigen() {
  const QSize visible = VisibleSurface();
  const std::optional<SectionView> fit = FitAll(Contour, visible.width(), visible.height());
  if (!fit) return;  // nothing to show: the view stays
  mf = fit->mf;
  xoffset = fit->xoffset;
  yoffset = fit->yoffset;
  EditMasstab->setText(Fixed(1 / mf, 10, 6));
  ZeigAlles();
}

bool TForm1::HomeKeyShowsAll(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !watched->isWidgetType() ||
      static_cast<QWidget*>(watched)->window() != this) {
    return false;
  }
  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() != Qt::Key_Home || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
    return false;
  }
  if (qobject_cast<QLineEdit*>(watched) != nullptr) {
    const QPoint mouse = PaintBox1->mapFromGlobal(QCursor::pos());
    if (!QRect(QPoint(0, 0), VisibleSurface()).contains(mouse)) return false;
  }
  ToolButtonAllesZeigenClick();
  return true;
}

// --- the plan as a picture ---

QString TForm1::SuggestedPlanPath() const {
  const std::string folder = quervik::ObjFolder(QFile::encodeName(Edit1->text()).toStdString());
  QString level = Fixed(Contour.Level, 4, 3).trimmed();
  level.replace(QLatin1Char('.'), QLatin1Char('_'));
  return QFile::decodeName(QByteArray::fromStdString(folder)) + QStringLiteral("Plan_") + level +
         QStringLiteral(".pdf");
}

void TForm1::ToolButtonPlanClick() {
  Run([this] {
    RequireMesh();
    if (const std::optional<QString> chosen = services_->SavePlanFile(this, SuggestedPlanPath())) {
      PlanSpeichern(*chosen);
    }
  });
}

void TForm1::PlanSpeichern(const QString& path) {
  const std::optional<PlanFormat> format = PlanFormatOf(path);
  if (!format) {
    throw quervik::Error("Unbekanntes Dateiformat: '" + QFileInfo(path).fileName().toStdString() +
                         "' (der Plan wird als .pdf, .svg oder .png gespeichert)");
  }
  const QFileInfo target(path);
  const QFileInfo meshFile(Edit1->text());
  if (target.exists() && meshFile.exists() &&
      target.canonicalFilePath() == meshFile.canonicalFilePath()) {
    throw quervik::Error("Der Plan würde die Netzdatei überschreiben: " + path.toStdString());
  }
  PlanContent content;
  if (PaintBox1->content() == PaintBox::Content::Section) content.contour = &Contour;
  content.view = PaintBox1->view();
  content.step = PaintBox1->measuredStep();
  content.levelText = QStringLiteral("Schnitt bei Höhe ") + Fixed(Contour.Level, 4, 3);
  content.fileName = meshFile.fileName();
  const QByteArray bytes = PlanBytes(content, VisibleSurface(), *format);

  // Written as every file is: complete under a temporary name, then renamed.
  quervik::AtomicFile file;
  file.Open(QFile::encodeName(path).toStdString());
  file.Write(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
  file.Commit();
  ShowStatus(QStringLiteral("Plan gespeichert: ") + path);
}
