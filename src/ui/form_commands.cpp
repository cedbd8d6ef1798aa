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
#include "analysis/volume.h"
#include "app/dxf_exports.h"
#include "app/export_files.h"
#include "app/series_levels.h"
#include "app/status_texts.h"
#include "core/errors.h"
#include "core/number_format.h"
#include "model/mesh_reader.h"
#include "model/vector_math.h"
#include "ui/UnitMaintest.h"
#include "ui/label_fit.h"
#include "ui/paint_box.h"
#include "ui/up_down.h"

namespace {

// The slider's selection end: the divisor of the height formula.
constexpr int kSliderSelEnd = 695;

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}
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
  // A refused file leaves the mesh, and so also the path it was read from; a
  // cancelled one leaves the number format too.
  const QString previous = Edit1->text();
  const char separator = quervik::DecimalSeparator();
  Edit1->setText(path);
  Edit1->repaint();
  SetCursor(AppCursor::Wait);
  ShowStatus(QStringLiteral("OBJ-Datei lesen ..."));
  quervik::Mesh loaded;
  bool read = false;
  try {
    read = LongWork([&](const quervik::ProgressFn& progress) { loaded = ReadMesh(progress); },
                    Q(quervik::LoadCancelledText(PathText(Edit1))));
  } catch (...) {
    Edit1->setText(previous);
    throw;
  }
  if (!read) {
    Edit1->setText(previous);
    quervik::SetDecimalSeparator(separator);
    return;
  }
  TakeMesh(std::move(loaded));
  ShowStatus(Q(quervik::LoadedText(mesh_)), true);
  SetCursor(AppCursor::Arrow);
  const std::string warning = quervik::UnreadableNumbersWarning(readReport_);
  if (!warning.empty()) services_->ShowWarning(this, QString::fromStdString(warning));
}

quervik::Mesh TForm1::ReadMesh(const quervik::ProgressFn& progress) {
  // A big file reports how far it got once it has taken half a second.
  QElapsedTimer clock;
  clock.start();
  int shown = -1;
  const quervik::ReadProgress percentRead = [&](int percent) {
    if (progress) progress(static_cast<std::size_t>(percent), 100);
    if (percent == shown || clock.elapsed() < 500) return;
    shown = percent;
    ShowStatus(QStringLiteral("OBJ-Datei lesen ... %1 %").arg(percent), true);
  };
  return quervik::ReadMeshFile(PathText(Edit1), percentRead, &readReport_);
}

void TForm1::TakeMesh(quervik::Mesh&& loaded) {
  // Only a complete load replaces the mesh.
  mesh_ = std::move(loaded);

  ZMinMax();
  ShowHeightRange();
  // The slider goes to its middle without cutting at its own level; the
  // section, the volume and the picture are made once, at the middle height
  // that the level field shows, whether the slider moved or not.
  EditLevel->setText(Fixed(MiddleHeight(mesh_.zmin, mesh_.zmax), 4, 3));
  {
    const QSignalBlocker quiet(TrackBar1);
    TrackBar1->setValue(kSliderSelEnd / 2);
  }
  TrackBar1->repaint();
  CalculateContour();
  ZeigSchnittlinie();
}

void TForm1::ZMinMax() {
  quervik::ZMinMax(mesh_);
}

void TForm1::ShowHeightRange() {
  Label2->setText(Q(quervik::HeightRangeText(mesh_.zmin, mesh_.zmax)));
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
    ShowStatus(Q(quervik::SectionDoneText(Contour)));
    SetCursor(AppCursor::Arrow);
  });
}

void TForm1::CalculateContour() {
  Contour.Points.clear();
  Contour.Contours.clear();
  contourStamp_ = {};
  const double level = Number(EditLevel);  // on failure Level keeps its value
  quervik::CalculateContour(mesh_, level, Contour, indexes_.Section(mesh_));
  contourStamp_ = quervik::MeshStamp::Of(mesh_);
  CalcVolumen(level);
}

bool TForm1::SectionIsCurrent(double level) const {
  return contourStamp_.Valid() && contourStamp_ == quervik::MeshStamp::Of(mesh_) &&
         Contour.Level == level;
}

void TForm1::RequireMesh() const {
  if (mesh_.Fc.size() <= 1) throw quervik::Error("Kein Dreiecksnetz geladen");
}

void TForm1::CalcVolumen(double H0) {
  // The index gives the plain loop's bits; a mesh without a version has none.
  const quervik::VolumeIndex* index = indexes_.Volume(mesh_);
  const double masse = index ? index->CalcVolumen(H0) : quervik::CalcVolumen(mesh_, H0);
  EditMasse->setText(Q(quervik::VolumeText(masse)));
  ShowExactVolumes(H0);
}

void TForm1::ZeigSchnittlinie() {
  // The scale field is checked like every typed number; the fit replaces
  // the scale anyway, and a section without segments keeps the view.
  // Nothing after this check can fail, so the surface is wiped white by the
  // draw itself (or below, when there is nothing to fit).
  (void)Number(EditMasstab);
  const std::optional<SectionView> fit = FitView(Contour, PaintBox1->width(), PaintBox1->height());
  if (!fit) {  // the white surface; view and scale field unchanged
    PaintBox1->ShowWhite();
    return;
  }
  mf = fit->mf;
  xoffset = fit->xoffset;
  yoffset = fit->yoffset;
  EditMasstab->setText(Fixed(1 / mf, 10, 6));
  ZeigAlles();
}

void TForm1::ZeigAlles() {
  const QRect outer = window()->frameGeometry();
  PaintBox1->resize(outer.width(), std::max(0, outer.height() - 100));
  rememberPaintBoxAnchors();
  DropStaleMeasurement();
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
    MeasuringSwitched(ToolButton2->isChecked());
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
    if (button == Qt::LeftButton && ToolButton2->isChecked()) MeasureClick(X, Y);
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

double TForm1::SliderLevel(int position) const {
  return mesh_.zmin + (position / static_cast<double>(kSliderSelEnd)) * (mesh_.zmax - mesh_.zmin);
}

QString TForm1::SliderTipText() const {
  return Fixed(SliderLevel(TrackBar1->sliderPosition()), 4, 3);
}

void TForm1::TrackBar1Change() {
  Run([this] {
    const double level = SliderLevel(TrackBar1->value());
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
    EditLevel->setText(Fixed(MiddleHeight(mesh_.zmin, mesh_.zmax), 10, 3));
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
  quervik::Transformation(mesh_, p);
}

// --- DXF exports ---

void TForm1::ToolButton3Click() {
  Run([this] {
    RequireMesh();
    const std::string file = SchreibDXF();
    ShowStatus(Q(quervik::SectionDxfDoneText(Contour.Contours.size(), file)));
  });
}

std::string TForm1::SchreibDXF() {
  // The file holds the section its name says: a level text that is no
  // number writes nothing, and one that is not the level of the section on
  // screen (typed but not computed, or cut from an earlier mesh) is cut and
  // shown first.
  const double level = Number(EditLevel);
  if (!SectionIsCurrent(level)) {
    CalculateContour();
    ZeigSchnittlinie();
  }
  return quervik::SchreibDXF(PathText(Edit1), Text(EditLevel), Contour);
}

void TForm1::ToolButton4Click() {
  Run([this] {
    RequireMesh();
    SetCursor(AppCursor::Wait);
    ShowStatus(QStringLiteral("Schreibe %1 Faces...").arg(mesh_.Fc.size()));
    const std::string obj = PathText(Edit1);
    std::string file;
    const bool done = LongWork(
        [&](const quervik::ProgressFn& progress) {
          file = quervik::WriteMeshDxf(obj, mesh_, {}, progress);
        },
        Q(quervik::ExportCancelledText(quervik::MeshDxfFileName(obj))));
    if (!done) return;
    ShowStatus(Q(quervik::MeshDxfDoneText(mesh_.Fc.size() - 1, file)));
    SetCursor(AppCursor::Arrow);
  });
}

void TForm1::ToolButton5Click() {
  Run([this] {
    RequireMesh();
    SetCursor(AppCursor::Wait);
    // The step and every level are checked before any file is touched.
    const double dh = Number(EditDeltaH);
    const std::vector<std::string> levels = quervik::SeriesLevelTexts(mesh_.zmin, mesh_.zmax, dh);
    const std::string obj = PathText(Edit1);
    std::string file;
    std::size_t written = 0;
    std::size_t lines = 0;
    const bool done = LongWork(
        [&](const quervik::ProgressFn& progress) {
          file = quervik::WriteSeriesDxf(obj, mesh_, indexes_.Section(mesh_), levels,
                                         [&](const std::string&, const quervik::TContour& section) {
                                           lines += section.Contours.size();
                                           progress(++written, levels.size());
                                         });
        },
        Q(quervik::ExportCancelledText(quervik::SeriesDxfFileName(obj))));
    if (!done) return;
    // The window ends on the last level: its text, its section, its volume,
    // drawn with the current view.
    EditLevel->setText(QString::fromStdString(levels.back()));
    CalculateContour();
    ZeigAlles();
    ShowStatus(Q(quervik::SeriesDoneText(levels.size(), lines, file)));
    SetCursor(AppCursor::Arrow);
  });
}

// --- crease edges ---

void TForm1::ToolButton6Click() {
  Run([this] {
    RequireMesh();
    const std::string file = quervik::BruchkantenDxfFileName(PathText(Edit1));
    LongWork(
        [this](const quervik::ProgressFn& progress) {
          BruchkanteFinden(progress);
          SchreibBruchkantenDXF(progress);
        },
        Q(quervik::ExportCancelledText(file)));
  });
}

// Cancelled by `progress`, the search ends with the list empty.
void TForm1::BruchkanteFinden(const quervik::ProgressFn& progress) {
  ShowStatus(QStringLiteral("Set vertexpointer..."));
  quervik::VertexFaceIndex vp = quervik::setVertexFacePointers(mesh_);
  Bruchkanten.clear();
  ShowStatus(QStringLiteral("Calc face normals..."));
  ShowStatus(QStringLiteral("Normale rechnen"), true);
  std::vector<quervik::Tvect3D> Fn;
  quervik::CalcFaceNormals(mesh_, Fn);
  const quervik::MeshStamp builtFor = quervik::MeshStamp::Of(mesh_);
  const double degrees = Number(EditKantenwinkel);
  (void)quervik::CreaseCosine(degrees);  // a bad angle ends here, before the search
  ShowStatus(QStringLiteral("Suche Kanten..."), true);
  // Pending paints and timers may run, but no click or key: a click could
  // load another mesh in the middle of the search.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  // What ran may have loaded or moved the mesh (or run a search of its own):
  // the search is made on the mesh as it is now.
  if (!(quervik::MeshStamp::Of(mesh_) == builtFor)) {
    vp = quervik::setVertexFacePointers(mesh_);
    ShowStatus(QStringLiteral("Normale rechnen"), true);
    quervik::CalcFaceNormals(mesh_, Fn);
  }
  quervik::CreaseEdges found = quervik::BruchkanteFinden(mesh_, vp, Fn, degrees, progress);
  Bruchkanten = std::move(found.Bruchkanten);
  facesWithoutArea_ = found.skippedFaces;
  ShowStatus(Q(quervik::CreasesFoundText(Bruchkanten.size())), true);
}

void TForm1::SchreibBruchkantenDXF(const quervik::ProgressFn& progress) {
  const std::string obj = PathText(Edit1);
  ShowStatus(
      Q(quervik::CreasesWritingText(Bruchkanten.size(), quervik::BruchkantenDxfFileName(obj))),
      true);
  const std::string file = quervik::SchreibBruchkantenDXF(obj, mesh_, Bruchkanten, {}, progress);
  ShowStatus(Q(quervik::CreasesWrittenText(facesWithoutArea_, Bruchkanten.size(), file)), true);
}

void TForm1::UpDown1Changing() {
  Run([this] { EditKantenwinkel->setText(QString::number(UpDown1->position())); });
}
