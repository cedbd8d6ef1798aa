// The later commands: the contour lines as a DXF drawing, the
// exact volumes at the level (Über, Unter, Fläche m2) and the height-volume
// curve with its plot. Their controls are made here too, called from the
// layout of UnitMaintest.cpp.
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <optional>
#include <string>

#include "analysis/clipped_volume.h"
#include "app/contour_export.h"
#include "app/curve_export.h"
#include "app/export_files.h"
#include "app/status_texts.h"
#include "core/number_format.h"
#include "ui/UnitMaintest.h"
#include "ui/label_fit.h"
#include "ui/tool_icons.h"
#include "ui/volume_plot.h"

namespace {

// Every fifth contour level (k divisible by 5) is a major one, as the batch
// tool's default.
constexpr int kMajorEvery = 5;

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}
std::string PathText(const QLineEdit* edit) {
  return QFile::encodeName(edit->text()).toStdString();
}
double Number(const QLineEdit* edit) {
  return quervik::StrToFloat(edit->text().toStdString());
}

}  // namespace

// --- controls ---

void TForm1::createFeatureButtons() {
  auto button = [this](const char* name, const QString& icon, const QString& hint) {
    return addToolButton(name, MakeToolIcon(icon), hint);
  };
  ToolButtonHoehenlinien = button("ToolButtonHoehenlinien", QStringLiteral("hoehenlinien"),
                                  QStringLiteral("Höhenlinien als DXF"));
  ToolButtonVolumenkurve = button("ToolButtonVolumenkurve", QStringLiteral("volumenkurve"),
                                  QStringLiteral("Volumenkurve"));
}

void TForm1::createExactVolumeFields() {
  // Three columns in the free space left of Masse m3 (x 8 to 260), labels
  // and fields on the rows of Label8 and EditMasse. The figures are for
  // reading and copying: a click takes the focus, Tab passes them over.
  auto field = [this](const char* labelName, const QString& text, const char* editName, int x,
                      QLabel*& label, QLineEdit*& edit) {
    label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(labelName));
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(x, 154, 78, 13);
    FitLabel(label);
    edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(editName));
    edit->setGeometry(x, 173, 78, 21);
    edit->setReadOnly(true);
    edit->setAlignment(Qt::AlignRight);
    edit->setFocusPolicy(Qt::ClickFocus);
  };
  field("LabelUeber", QStringLiteral("Über"), "EditUeber", 8, LabelUeber, EditUeber);
  field("LabelUnter", QStringLiteral("Unter"), "EditUnter", 95, LabelUnter, EditUnter);
  field("LabelFlaeche", QStringLiteral("Fläche m2"), "EditFlaeche", 182, LabelFlaeche, EditFlaeche);
}

void TForm1::connectFeatureHandlers() {
  connect(ToolButtonHoehenlinien, &QToolButton::clicked, this,
          [this] { ToolButtonHoehenlinienClick(); });
  connect(ToolButtonVolumenkurve, &QToolButton::clicked, this,
          [this] { ToolButtonVolumenkurveClick(); });
}

// --- the exact volumes at the level ---

void TForm1::ShowExactVolumes(double level) {
  // The index is built once per mesh version; each level is then one pass.
  const quervik::ClippedVolumeIndex* index = indexes_.ClippedVolume(mesh_);
  const quervik::VolumeFigures f = index ? index->At(level) : quervik::ClippedVolume(mesh_, level);
  EditUeber->setText(Q(quervik::ExactVolumeText(f.above)));
  EditUnter->setText(Q(quervik::ExactVolumeText(f.below)));
  EditFlaeche->setText(Q(quervik::ExactVolumeText(f.area_above)));
}

// --- contour lines ---

void TForm1::ToolButtonHoehenlinienClick() {
  Run([this] {
    RequireMesh();
    const double step = Number(EditDeltaH);
    const std::string obj = PathText(Edit1);
    SetCursor(AppCursor::Wait);
    ShowStatus(QStringLiteral("Schreibe Höhenlinien..."), true);
    quervik::ContourResult result;
    const bool done = LongWork(
        [&](const quervik::ProgressFn& progress) {
          quervik::ContourOptions options;
          options.levelDone = progress;
          result = quervik::WriteContours(mesh_, indexes_.Section(mesh_), step, kMajorEvery, obj,
                                          options);
        },
        Q(quervik::ExportCancelledText(quervik::ContourFileName(obj, {}, ".dxf"))));
    if (!done) return;
    ShowStatus(Q(quervik::ContoursDoneText(result)));
    SetCursor(AppCursor::Arrow);
  });
}

// --- the height-volume curve ---

void TForm1::ToolButtonVolumenkurveClick() {
  Run([this] {
    RequireMesh();
    const double step = Number(EditDeltaH);
    const std::string obj = PathText(Edit1);
    SetCursor(AppCursor::Wait);
    ShowStatus(QStringLiteral("Rechne Volumenkurve..."), true);
    quervik::CurveExport curve;
    const bool done = LongWork(
        [&](const quervik::ProgressFn& progress) {
          const quervik::ClippedVolumeIndex* index = indexes_.ClippedVolume(mesh_);
          std::optional<quervik::ClippedVolumeIndex> own;  // a mesh without a version
          if (index == nullptr) index = &own.emplace(quervik::ClippedVolumeIndex::Build(mesh_));
          curve = quervik::WriteVolumeCurve(obj, *index, mesh_.zmin, mesh_.zmax, step,
                                            quervik::DecimalSeparator(), progress);
        },
        Q(quervik::ExportCancelledText(quervik::VolumeCurveFileName(obj))));
    if (!done) return;
    ShowStatus(Q(quervik::CurveDoneText(curve.rows.size(), curve.file)));
    SetCursor(AppCursor::Arrow);
    if (DialogVolumenkurve == nullptr) DialogVolumenkurve = new VolumeCurveDialog(this);
    DialogVolumenkurve->ShowCurve(std::move(curve.rows), Q(curve.file));
  });
}
