// The main window: every control and every command of the program. The
// window owns the document (mesh, section, crease edges, view, saved mouse
// position); each handler reads its fields, converts numbers
// with the process-wide number format, calls the core and writes fields,
// status line and drawing. Errors end the handler and are shown by the
// general error display; the cursor is set back to the arrow either way.
#pragma once

#include <QElapsedTimer>
#include <QIcon>
#include <QPoint>
#include <QPointF>
#include <QSize>
#include <QWidget>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/crease_edges.h"
#include "app/mesh_indexes.h"
#include "core/progress.h"
#include "model/mesh.h"
#include "model/obj_reader.h"
#include "section/contour.h"
#include "section/plane_section.h"
#include "ui/app_cursor.h"
#include "ui/section_painter.h"
#include "ui/ui_services.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSlider;
class QStatusBar;
class QToolBar;
class QToolButton;
class PaintBox;
class UpDown;
class VolumeCurveDialog;

class TForm1 : public QWidget {
  Q_OBJECT

 public:
  // `services` may be null: the Qt dialog and message box are used then.
  explicit TForm1(std::unique_ptr<UiServices> services = nullptr, QWidget* parent = nullptr);
  ~TForm1() override;

  // --- the document, read-only ---
  const quervik::Mesh& mesh() const { return mesh_; }
  const quervik::TContour& contour() const { return Contour; }
  const std::vector<quervik::Tbruchkante>& creases() const { return Bruchkanten; }
  SectionView view() const { return SectionView{mf, xoffset, yoffset}; }
  // The position of the last press on the drawing surface.
  QPoint savedMouse() const { return QPoint(Mousesavex, mousesavey); }

  // --- handlers ---
  // The handlers (FormActivate, the ...Click, ...Exit, ...Change and
  // ...Changing events, mouse and wheel) each run inside the error wrapper:
  // an error ends the handler, shows its text and sets the arrow cursor.
  void FormActivate();
  void ToolButton1Click();
  void ToolButtonRechnenClick();
  void EditLevelExit();
  void EditMasstabExit();
  void ToolButton2Click();
  void ToolButton3Click();
  void ToolButton4Click();
  void ToolButton5Click();
  void ToolButton6Click();
  void ToolButtonHoehenlinienClick();
  void ToolButtonVolumenkurveClick();
  void UpDown1Changing();
  void TrackBar1Change();
  void ButtonTrafoClick();
  void PaintBox1MouseDown(Qt::MouseButton button, int X, int Y);
  void PaintBox1MouseMove(Qt::MouseButtons buttons, int X, int Y);
  void PaintBox1MouseUp(Qt::MouseButton button, int X, int Y);
  void FormMouseWheelDown();
  void FormMouseWheelUp();
  // The view commands (view_commands.cpp): Enter in the level and scale
  // fields, "Alles zeigen" (its button, the Home key, a double-click on the
  // drawing) and "Plan speichern".
  void EditLevelEnter();
  void EditMasstabEnter();
  void ToolButtonAllesZeigenClick();
  void PaintBox1DblClick(Qt::MouseButton button, int X, int Y);
  void ToolButtonPlanClick();

  // --- window services ---
  // Replaces the status line's text; `repaint` draws the bar at once.
  void ShowStatus(const QString& text, bool repaint = false);
  QString StatusText() const;

  // Loads `path` as if it had been chosen in the file dialog.
  void OpenFile(const QString& path);

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // --- controls, named as the program names them; each has its name as
  // objectName, so tests find it with findChild ---
  QToolBar* ToolBar1 = nullptr;
  QToolButton* ToolButton1 = nullptr;             // "OBJ File lesen"
  QToolButton* ToolButtonRechnen = nullptr;       // "Flächen schneiden"
  QToolButton* ToolButton2 = nullptr;             // "Distanz messen" (check button)
  QToolButton* ToolButton3 = nullptr;             // "DXF von Schnittlinie erzeugen"
  QToolButton* ToolButton4 = nullptr;             // "Datei als DXF ausgeben"
  QToolButton* ToolButton5 = nullptr;             // "Serie von Schnittlinien erzeugen"
  QWidget* ToolButton7 = nullptr;                 // separator, 8 pixels wide
  QToolButton* ToolButton6 = nullptr;             // "Kanten finden"
  QToolButton* ToolButton8 = nullptr;             // does nothing
  QToolButton* ToolButtonHoehenlinien = nullptr;  // "Höhenlinien als DXF"
  QToolButton* ToolButtonVolumenkurve = nullptr;  // "Volumenkurve"
  QWidget* ToolSeparatorAnsicht = nullptr;        // separator before the view commands
  QToolButton* ToolButtonAllesZeigen = nullptr;   // "Alles zeigen"
  QToolButton* ToolButtonPlan = nullptr;          // "Plan speichern"
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* LabelDeltaH = nullptr;
  QLabel* Label8 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QLineEdit* EditLevel = nullptr;
  QLineEdit* EditKantenwinkel = nullptr;
  UpDown* UpDown1 = nullptr;
  QLineEdit* EditDeltaH = nullptr;
  QLineEdit* EditMasstab = nullptr;
  QSlider* TrackBar1 = nullptr;
  QLineEdit* EditMasse = nullptr;
  // The exact volumes at the level, read-only, left of Masse m3.
  QLabel* LabelUeber = nullptr;
  QLabel* LabelUnter = nullptr;
  QLabel* LabelFlaeche = nullptr;
  QLineEdit* EditUeber = nullptr;
  QLineEdit* EditUnter = nullptr;
  QLineEdit* EditFlaeche = nullptr;
  QGroupBox* Panel1 = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* Label6 = nullptr;
  QLabel* Label7 = nullptr;
  QLineEdit* EditdX = nullptr;
  QLineEdit* EditdY = nullptr;
  QLineEdit* EditdZ = nullptr;
  QLineEdit* Editrx = nullptr;
  QLineEdit* Editry = nullptr;
  QLineEdit* Editrz = nullptr;
  QLineEdit* Editm = nullptr;
  QPushButton* ButtonTrafo = nullptr;
  PaintBox* PaintBox1 = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  // In the status bar, shown only while long work runs.
  QProgressBar* ProgressBar1 = nullptr;
  QPushButton* ButtonAbbrechen = nullptr;           // "Abbrechen"
  VolumeCurveDialog* DialogVolumenkurve = nullptr;  // made by the first curve
  QLabel* LabelKoordinaten = nullptr;  // model x and y under the mouse, right in StatusBar1

  // --- the document ---
  quervik::Mesh mesh_;  // V, Fc, Vn, zmin, zmax
  quervik::TContour Contour;
  std::vector<quervik::Tbruchkante> Bruchkanten;
  double mf = 0;       // model units per pixel; 0 until a view is fitted
  double xoffset = 0;  // model x at pixel column 0
  double yoffset = 0;  // model y at pixel row 0
  int Mousesavex = 0;
  int mousesavey = 0;

  // The nine tool-bar pictures, indices 0 to 8 (6 and 7 shown by no button).
  std::vector<QIcon> ImageList1;

  // --- commands ---
  // Called by the handlers; they raise their errors to the caller.
  // Reads the file named in Edit1; changes nothing.
  quervik::Mesh ReadMesh(const quervik::ProgressFn& progress = {});
  void ZMinMax();
  // Parses the level once, cuts the mesh there and computes the volume.
  void CalculateContour();
  void CalcVolumen(double H0);
  // Über, Unter and Fläche m2 at `level`, from the clipped-volume index.
  void ShowExactVolumes(double level);
  // Fits the view to the section (FitView) and draws it.
  void ZeigSchnittlinie();
  void ZeigAlles();
  // First cuts and shows the level's section unless it is on screen;
  // returns the file written.
  std::string SchreibDXF();
  // Both report to `progress` and stop when it throws Cancelled.
  void BruchkanteFinden(const quervik::ProgressFn& progress);
  void SchreibBruchkantenDXF(const quervik::ProgressFn& progress);
  void Transformation();

  // The application-wide cursor (wait, cross-hair, arrow).
  void SetCursor(AppCursor cursor);

  // The layout, control by control as the tables list them.
  void createToolBar();
  // A button of ToolBar1 (25 x 25, flat, no focus) and an 8 pixels wide
  // separator, added at the bar's end.
  QToolButton* addToolButton(const char* name, const QIcon& icon, const QString& hint);
  QWidget* addToolSeparator(const char* name);
  void createFields();
  void createTransformationPanel();
  void createPaintBox();
  void createStatusBar();
  void connectHandlers();
  void setTabOrders();
  void placeAnchored();
  void rememberPaintBoxAnchors();
  void showSliderTip();
  // The controls of the contours, the exact volumes and long work
  // (form_features.cpp, long_work.cpp).
  void createFeatureButtons();
  void createExactVolumeFields();
  void createProgressWidgets();
  void connectFeatureHandlers();
  // The view commands' controls and wiring (view_commands.cpp), made after
  // all others so that the coordinates stay at the far right of the bar.
  void createViewCommands();

  // The command behind ToolButton1Click and OpenFile: loads `path`; a file
  // that is refused leaves the mesh and the text of Edit1 as they were.
  void LoadCommand(const QString& path);
  // Takes a mesh that ReadMesh read and brings range, level, slider,
  // section, volume and picture up to date.
  void TakeMesh(quervik::Mesh&& loaded);
  // Whether Contour is the section of the current mesh at `level`.
  bool SectionIsCurrent(double level) const;
  // Refuses an export when no mesh with a face is loaded.
  void RequireMesh() const;
  void ShowHeightRange();
  void Pan(int X, int Y);
  void Zoom(double next);
  void WheelSteps(int angleDelta);
  // The height that slider position `position` stands for.
  double SliderLevel(int position) const;
  QString SliderTipText() const;  // the height of the slider's position, "%4.3f"

  // --- view commands (view_commands.cpp) ---
  // The part of PaintBox1 the window shows (above the status bar, left of
  // the window's right edge) once ZeigAlles has sized it.
  QSize VisibleSurface() const;
  // Fits both extents of the section into the visible surface and draws.
  void AllesZeigen();
  // Writes the drawing as the file `path` (PDF, SVG or PNG by its name).
  void PlanSpeichern(const QString& path);
  QString SuggestedPlanPath() const;
  // The model point at the centre of pixel (X, Y) of the picture shown;
  // nothing while no section has been drawn.
  std::optional<QPointF> ModelPoint(int X, int Y) const;
  void ShowMouseCoordinates(int X, int Y);
  // Measuring: the first left click after switching measuring on sets the
  // start point; every later one measures from the saved position.
  void MeasureClick(int X, int Y);
  void MeasuringSwitched(bool on);
  // A measured step of an earlier mesh (loaded or transformed since) goes.
  void DropStaleMeasurement();
  // The Home key shows all, except in a text field while the mouse is not
  // over the drawing (there it moves the text cursor).
  bool HomeKeyShowsAll(QObject* watched, QEvent* event);
  bool FocusLeftForReal(QEvent* event) const;

  // Runs one handler: an error it raises (quervik::Error or any other
  // exception) ends it, is shown by the general error display, and the
  // cursor goes back to the arrow. A handler run by a signal in the middle
  // of another handler (a command moving the slider; the load command does
  // it with the signal blocked) hands its error to the outer one instead,
  // which meets it at RethrowPending().
  void Run(const std::function<void()>& body);
  void RunFromSignal(const std::function<void()>& body);
  void RethrowPending();

  // --- long work (long_work.cpp) ---
  // Runs `work` with the progress bar and the cancel button in the status
  // bar. `work` gets the progress function to hand to the core; while it
  // reports, the window takes in its events but no user input other than
  // Esc and a click on "Abbrechen", so no other command can start. Either
  // asks the work to stop: the next report throws Cancelled, LongWork
  // shows `cancelledText`, sets the arrow cursor and returns false. Other
  // errors go on to the caller. Work run by work (a nested call) shares the
  // outer bar and cancel request.
  bool LongWork(const std::function<void(const quervik::ProgressFn&)>& work,
                const QString& cancelledText);
  void Progress(std::size_t done, std::size_t total);
  // While long work runs: whether `event` is held back from `watched`
  // (user input), noting Esc, the cancel click and a close of the window.
  bool HeldBackWhileBusy(QObject* watched, QEvent* event);

  int workDepth_ = 0;
  bool cancelRequested_ = false;
  bool closeRequested_ = false;  // the window was closed while work ran
  bool eventsLetIn_ = false;     // since the outermost work began
  QElapsedTimer eventsClock_;    // since events were last let in

  std::unique_ptr<UiServices> services_;
  quervik::ObjReadReport readReport_;  // of the last load that ReadMesh read
  int handlerDepth_ = 0;
  std::exception_ptr pending_;
  bool tearingDown_ = false;
  int wheelRest_ = 0;                 // angle delta not yet spent on whole steps
  bool measureStartPending_ = false;  // measuring on, no point clicked yet
  quervik::MeshStamp measureStamp_;   // the mesh the measured step was taken on

  size_t facesWithoutArea_ = 0;  // skipped by the last crease search

  quervik::MeshIndexes indexes_;     // of the current mesh
  quervik::MeshStamp contourStamp_;  // the mesh Contour was cut from; none when invalid

  // PaintBox1 keeps these distances to the right and bottom edges of the
  // client area when the window is resized; they change when ZeigAlles
  // sizes the surface.
  int paintRightGap_ = 0;
  int paintBottomGap_ = 0;
};
