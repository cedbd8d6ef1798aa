// The commands of the main window. Each handler reads its fields, converts
// numbers with the process-wide number format, calls the core and writes
// fields, status line and drawing; the geometry is all in the core.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>
#include <QToolButton>
#include <cmath>
#include <numbers>
#include <string>

#include "analysis/transformation.h"
#include "core/errors.h"
#include "core/number_format.h"
#include "dxf/dxf_exports.h"
#include "model/mesh_reader.h"
#include "model/vector_math.h"
#include "ui/UnitMaintest.h"
#include "ui/label_fit.h"
#include "ui/paint_box.h"
#include "ui/up_down.h"

namespace {

// The slider's selection end: the divisor of the height formula.
constexpr int kSliderSelEnd = 695;

std::string Text(const QLineEdit* edit) {
  return edit->text().toStdString();
}
std::string PathText(const QLineEdit* edit) {
  return QFile::encodeName(edit->text()).toStdString();
}
QString Fixed(double value, int width, int decimals) {
  return QString::fromStdString(quervik::FormatFixed(value, width, decimals));
}
double Number(const QLineEdit* edit) {
  return quervik::StrToFloat(Text(edit));
}

// The middle of the height range. Halving after the sum keeps the usual
// bits; only where the sum leaves the range of numbers are the halves added.
double MiddleHeight(double zmin, double zmax) {
  const double middle = (zmin + zmax) / 2;
  return std::isfinite(middle) ? middle : zmin / 2 + zmax / 2;
}

}  // namespace

TForm1::MeshKey TForm1::KeyOf(const quervik::Mesh& m) const {
  return {m.version, m.V.data(), m.V.size(), m.Fc.data(), m.Fc.size()};
}

const quervik::SectionIndex* TForm1::CurrentSectionIndex() {
  const MeshKey key = KeyOf(mesh);
  if (key.version == 0) return nullptr;
  if (!sectionIndex_ || !(sectionKey_ == key)) {
    sectionIndex_ = std::make_unique<quervik::SectionIndex>(quervik::SectionIndex::Build(mesh));
    sectionKey_ = key;
  }
  return sectionIndex_.get();
}

// --- activation and loading ---

void TForm1::FormActivate() {
  Run([] { quervik::SetDecimalSeparator('.'); });
}

void TForm1::ToolButton1Click() {
  Run([this] {
    // Cancelling the dialog changes nothing.
    if (const std::optional<QString> chosen = services_->OpenObjFile(this)) LoadCommand(*chosen);
  });
}

void TForm1::OpenFile(const QString& path) {
  Run([this, path] { LoadCommand(path); });
}

void TForm1::LoadCommand(const QString& path) {
  // A refused file leaves the mesh, and so also the path it was read from.
  const QString previous = Edit1->text();
  Edit1->setText(path);
  Edit1->repaint();
  SetCursor(AppCursor::Wait);
  ShowStatus(QStringLiteral("OBJ-Datei lesen ..."));
  quervik::Mesh loaded;
  try {
    loaded = ReadMesh();
  } catch (...) {
    Edit1->setText(previous);
    throw;
  }
  TakeMesh(std::move(loaded));
  ShowStatus(QStringLiteral("%1 Vertices %2 Verticenormals %3 Faces geladen")
                 .arg(mesh.V.size())
                 .arg(mesh.Vn.size())
                 .arg(mesh.Fc.size()),
             true);
  SetCursor(AppCursor::Arrow);
  const std::string warning = quervik::UnreadableNumbersWarning(readReport_);
  if (!warning.empty()) services_->ShowWarning(this, QString::fromStdString(warning));
}

quervik::Mesh TForm1::ReadMesh() {
  // A big file reports how far it got once it has taken half a second.
  QElapsedTimer clock;
  clock.start();
  int shown = -1;
  const quervik::ReadProgress progress = [&](int percent) {
    if (percent == shown || clock.elapsed() < 500) return;
    shown = percent;
    ShowStatus(QStringLiteral("OBJ-Datei lesen ... %1 %").arg(percent), true);
  };
  return quervik::ReadMeshFile(PathText(Edit1), progress, &readReport_);
}

void TForm1::TakeMesh(quervik::Mesh&& loaded) {
  // Only a complete load replaces the mesh; the face normals and the
  // vertex-face index stay as they were until the crease search renews them.
  mesh.V = std::move(loaded.V);
  mesh.Fc = std::move(loaded.Fc);
  mesh.Vn = std::move(loaded.Vn);
  mesh.zmin = loaded.zmin;
  mesh.zmax = loaded.zmax;
  mesh.version = loaded.version;

  ZMinMax();
  ShowHeightRange();
  // The slider goes to its middle without cutting at its own level; the
  // section, the volume and the picture are made once, at the middle height
  // that the level field shows, whether the slider moved or not.
  EditLevel->setText(Fixed(MiddleHeight(mesh.zmin, mesh.zmax), 4, 3));
  {
    const QSignalBlocker quiet(TrackBar1);
    TrackBar1->setValue(kSliderSelEnd / 2);
  }
  TrackBar1->repaint();
  CalculateContour();
  ZeigSchnittlinie();
}

void TForm1::ZMinMax() {
  quervik::ZMinMax(mesh);
}

void TForm1::ShowHeightRange() {
  Label2->setText(QStringLiteral("Schnitthöhe ") + Fixed(mesh.zmin, 4, 3) + QStringLiteral(" - ") +
                  Fixed(mesh.zmax, 4, 3));
  FitLabel(Label2);
}

// --- the section and its drawing ---

void TForm1::ToolButtonRechnenClick() {
  Run([this] {
    SetCursor(AppCursor::Wait);
    ShowStatus(QStringLiteral("Rechnen..."));
    ZMinMax();
    CalculateContour();
    ZeigSchnittlinie();
    ShowStatus(QStringLiteral("Fertig: Schnittlinie %1 Punkte %2 Linien")
                   .arg(Contour.Points.size())
                   .arg(Contour.Contours.size()));
    SetCursor(AppCursor::Arrow);
  });
}

void TForm1::CalculateContour() {
  Contour.Points.clear();
  Contour.Contours.clear();
  contourKey_ = {};
  PtTolerance = quervik::kPtTolerance;
  const double level = Number(EditLevel);  // on failure Level keeps its value
  quervik::CalculateContour(mesh, level, Contour, CurrentSectionIndex());
  contourKey_ = KeyOf(mesh);
  CalcVolumen();
}

bool TForm1::SectionIsCurrent(double level) const {
  return contourKey_.version != 0 && contourKey_ == KeyOf(mesh) && Contour.Level == level;
}

void TForm1::RequireMesh() const {
  if (mesh.Fc.size() <= 1) throw quervik::Error("Kein Dreiecksnetz geladen");
}

void TForm1::CalcVolumen() {
  const double H0 = Number(EditLevel);
  double masse = 0;
  const MeshKey key = KeyOf(mesh);
  if (key.version == 0) {
    masse = quervik::CalcVolumen(mesh, H0);
  } else {
    if (!volumeIndex_ || !(volumeKey_ == key)) {
      volumeIndex_ = std::make_unique<quervik::VolumeIndex>(quervik::VolumeIndex::Build(mesh));
      volumeKey_ = key;
    }
    masse = volumeIndex_->CalcVolumen(H0);
  }
  EditMasse->setText(Fixed(masse, 6, 0));
}

void TForm1::ZeigSchnittlinie() {
  // The scale field is checked like every typed number; the fit replaces
  // the scale anyway, and a section without segments keeps the view.
  // Nothing after this check can fail, so the surface is wiped white by the
  // draw itself (or below, when there is nothing to fit).
  (void)Number(EditMasstab);
  double XMax = -1e12;
  double YMax = -1e12;
  double xMin = 1e12;
  double yMin = 1e12;
  bool any = false;
  const auto& pts = Contour.Points;
  for (const quervik::TLine& s : Contour.Contours) {
    for (const std::int32_t k : {s.sp, s.ep}) {
      if (k < 0 || static_cast<size_t>(k) >= pts.size()) continue;
      const quervik::TPunkt& p = pts[static_cast<size_t>(k)];
      if (!std::isfinite(p.X) || !std::isfinite(p.Y)) continue;
      if (p.X > XMax) XMax = p.X;
      if (p.X < xMin) xMin = p.X;
      if (p.Y > YMax) YMax = p.Y;
      if (p.Y < yMin) yMin = p.Y;
      any = true;
    }
  }
  if (!any) {  // the white surface; view and scale field unchanged
    PaintBox1->ShowWhite();
    return;
  }

  const double w = std::max(1, PaintBox1->width());
  const double h = PaintBox1->height();
  if (XMax - xMin > 0) {
    yoffset = YMax;
    xoffset = xMin;
    mf = (XMax - xMin) / w;
  } else if (YMax - yMin > 0 && h > 0) {
    // A vertical line: its height fills the surface, centred across.
    mf = (YMax - yMin) / h;
    yoffset = YMax;
    xoffset = xMin - (w / 2) * mf;
  } else {
    // One point: centred at 100 pixels per model unit.
    mf = 0.01;
    xoffset = xMin - (w / 2) * mf;
    yoffset = YMax + (std::max(h, 0.0) / 2) * mf;
  }
  EditMasstab->setText(Fixed(1 / mf, 10, 6));
  ZeigAlles();
}

void TForm1::ZeigAlles() {
  const QRect outer = window()->frameGeometry();
  PaintBox1->resize(outer.width(), std::max(0, outer.height() - 100));
  rememberPaintBoxAnchors();
  PaintBox1->ShowSection(&Contour, SectionView{mf, xoffset, yoffset});
}

void TForm1::EditLevelExit() {
  Run([this] {
    CalculateContour();
    ZeigSchnittlinie();
  });
}

void TForm1::EditMasstabExit() {
  Run([this] {
    // The field shows pixels per model unit (1 / mf), so leaving it
    // unchanged keeps the view.
    const double pixelsPerUnit = Number(EditMasstab);
    const double scale = 1 / pixelsPerUnit;
    if (!(pixelsPerUnit > 0) || !std::isfinite(scale)) {
      throw quervik::Error("Der Maßstabsfaktor muss größer als 0 sein: '" + Text(EditMasstab) +
                           "'");
    }
    mf = scale;
  });
}

// --- navigation and measuring ---

void TForm1::ToolButton2Click() {
  Run([this] {
    if (ToolButton2->isChecked()) {
      ShowStatus(QStringLiteral("Bitte nacheinander zwei Punkte anklicken"));
      SetCursor(AppCursor::Cross);
    } else {
      SetCursor(AppCursor::Arrow);
    }
  });
}

void TForm1::PaintBox1MouseDown(Qt::MouseButton button, int X, int Y) {
  Run([=, this] {
    if (button == Qt::LeftButton && ToolButton2->isChecked()) {
      const double dx = static_cast<double>(X) - Mousesavex;
      const double dy = static_cast<double>(Y) - mousesavey;
      double S = 0;
      double T = 0;
      quervik::RIWI(dy, dx, S, T);
      const double s = S * mf;
      const double t = T * 180 / std::numbers::pi;
      ShowStatus(QStringLiteral("s=") + Fixed(s, 10, 3) + QStringLiteral(" t=") + Fixed(t, 10, 4) +
                 QStringLiteral("°"));
    }
    Mousesavex = X;
    mousesavey = Y;
  });
}

void TForm1::Pan(int X, int Y) {
  if (mf == 0) return;  // no view fitted yet
  yoffset = yoffset - (static_cast<double>(mousesavey) - Y) * mf;
  xoffset = xoffset + (static_cast<double>(Mousesavex) - X) * mf;
  Mousesavex = X;
  mousesavey = Y;
  ZeigAlles();
}

void TForm1::PaintBox1MouseMove(Qt::MouseButtons buttons, int X, int Y) {
  Run([=, this] {
    if (buttons & Qt::LeftButton) Pan(X, Y);
  });
}

void TForm1::PaintBox1MouseUp(Qt::MouseButton button, int X, int Y) {
  Run([=, this] {
    if (button == Qt::RightButton) Pan(X, Y);
  });
}

void TForm1::FormMouseWheelDown() {
  Run([this] { Zoom(mf * 1.25); });
}

void TForm1::FormMouseWheelUp() {
  Run([this] { Zoom(mf / 1.25); });
}

// One wheel step: the new scale about the fixed top-left corner. Nothing
// happens before a view is fitted (mf = 0) or when the scale would leave the
// range of numbers.
void TForm1::Zoom(double next) {
  if (mf == 0 || next == 0 || !std::isfinite(next)) return;
  SetCursor(AppCursor::Wait);
  mf = next;
  EditMasstab->setText(Fixed(1 / mf, 10, 6));
  ZeigAlles();
  SetCursor(AppCursor::Arrow);
}

void TForm1::TrackBar1Change() {
  Run([this] {
    const double level = mesh.zmin + (TrackBar1->value() / static_cast<double>(kSliderSelEnd)) *
                                         (mesh.zmax - mesh.zmin);
    EditLevel->setText(Fixed(level, 4, 3));
    CalculateContour();
    ZeigSchnittlinie();
  });
}

// --- transformation ---

void TForm1::ButtonTrafoClick() {
  Run([this] {
    Transformation();
    ZMinMax();
    EditLevel->setText(Fixed(MiddleHeight(mesh.zmin, mesh.zmax), 10, 3));
    ShowHeightRange();
    CalculateContour();
    ZeigSchnittlinie();
  });
}

void TForm1::Transformation() {
  // Every field is read before any vertex moves: a bad one leaves the mesh.
  quervik::TrafoParams p;
  p.dx = Number(EditdX);
  p.dy = Number(EditdY);
  p.dz = Number(EditdZ);
  p.rx = Number(Editrx) * std::numbers::pi / 180;
  p.ry = Number(Editry) * std::numbers::pi / 180;
  p.rz = Number(Editrz) * std::numbers::pi / 180;
  p.M = Number(Editm);
  quervik::Transformation(mesh, p);
}

// --- DXF exports ---

void TForm1::ToolButton3Click() {
  Run([this] {
    RequireMesh();
    SchreibDXF();
    ShowStatus(QStringLiteral("DXF Datei von Schnittlinie erzeugt"));
  });
}

void TForm1::SchreibDXF() {
  // The file holds the section its name says: a level text that is no
  // number writes nothing, and one that is not the level of the section on
  // screen (typed but not computed, or cut from an earlier mesh) is cut and
  // shown first.
  const double level = Number(EditLevel);
  if (!SectionIsCurrent(level)) {
    CalculateContour();
    ZeigSchnittlinie();
  }
  quervik::SchreibDXF(dxf, PathText(Edit1), Text(EditLevel), Contour);
}

void TForm1::ToolButton4Click() {
  Run([this] {
    RequireMesh();
    SetCursor(AppCursor::Wait);
    ShowStatus(QStringLiteral("Schreibe %1 Faces...").arg(mesh.Fc.size()));
    quervik::WriteMeshDxf(dxf, PathText(Edit1), mesh);
    SetCursor(AppCursor::Arrow);
  });
}

void TForm1::ToolButton5Click() {
  Run([this] {
    RequireMesh();
    SetCursor(AppCursor::Wait);
    // The step and every level are checked before any file is touched.
    const double dh = Number(EditDeltaH);
    const std::vector<std::string> levels = quervik::SeriesLevelTexts(mesh.zmin, mesh.zmax, dh);
    quervik::WriteSeriesDxf(dxf, PathText(Edit1), mesh, CurrentSectionIndex(), levels);
    // The window ends on the last level: its text, its section, its volume,
    // drawn with the current view.
    EditLevel->setText(QString::fromStdString(levels.back()));
    CalculateContour();
    ZeigAlles();
    SetCursor(AppCursor::Arrow);
  });
}

// --- crease edges ---

void TForm1::ToolButton6Click() {
  Run([this] {
    RequireMesh();
    BruchkanteFinden();
    SchreibBruchkantenDXF();
  });
}

void TForm1::BruchkanteFinden() {
  quervik::CreaseHooks hooks;
  hooks.status = [this](std::string_view text, bool repaint) {
    ShowStatus(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), repaint);
  };
  // Pending paints and timers may run, but no click or key: a click could
  // load another mesh in the middle of the search.
  hooks.processEvents = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
  facesWithoutArea_ = quervik::BruchkanteFinden(mesh, Text(EditKantenwinkel), Bruchkanten, hooks);
}

void TForm1::SchreibBruchkantenDXF() {
  quervik::SchreibBruchkantenDXF(
      dxf, PathText(Edit1), mesh, Bruchkanten,
      [this](std::string_view text, bool repaint) {
        ShowStatus(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), repaint);
      },
      facesWithoutArea_);
}

void TForm1::UpDown1Changing() {
  Run([this] { EditKantenwinkel->setText(QString::number(UpDown1->position())); });
}
