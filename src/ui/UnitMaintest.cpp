// The main window: its controls at their places, the window services and
// the wiring of control events to the handlers. The handlers themselves are
// in form_commands.cpp.
#include "ui/UnitMaintest.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QStyleOptionSlider>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QWheelEvent>
#include <new>

#include "core/errors.h"
#include "ui/label_fit.h"
#include "ui/paint_box.h"
#include "ui/tool_icons.h"
#include "ui/up_down.h"

namespace {

constexpr int kClientWidth = 710;
constexpr int kClientHeight = 646;
constexpr int kToolBarHeight = 33;
constexpr int kStatusBarHeight = 19;
constexpr QRect kPaintBoxPlace{8, 200, 695, 421};

// The tool bar lays its 25 x 25 buttons edge to edge from its left edge and
// paints a gradient with a raised 1-pixel edge.
class ToolBarStyle : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    switch (metric) {
      case PM_ToolBarItemMargin:
      case PM_ToolBarItemSpacing:
      case PM_ToolBarFrameWidth:
      case PM_ToolBarHandleExtent:
        return 0;
      default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
  }

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
    if (element != PE_PanelToolBar) {
      QProxyStyle::drawPrimitive(element, option, painter, widget);
      return;
    }
    const QRect r = option->rect;
    const QColor face = option->palette.color(QPalette::Button);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, face.lighter(112));
    g.setColorAt(1, face.darker(106));
    painter->fillRect(r, g);
    painter->setPen(option->palette.color(QPalette::Light));
    painter->drawLine(r.topLeft(), r.topRight());
    painter->drawLine(r.topLeft(), r.bottomLeft());
    painter->setPen(option->palette.color(QPalette::Dark));
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    painter->drawLine(r.topRight(), r.bottomRight());
  }
};

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& place) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  label->setGeometry(place);
  FitLabel(label);
  return label;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, const QString& text, const QRect& place,
                    const QString& hint = {}) {
  auto* edit = new QLineEdit(text, parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setGeometry(place);
  if (!hint.isEmpty()) edit->setToolTip(hint);
  return edit;
}

QString Blanks(int n) {
  return QString(n, QLatin1Char(' '));
}

}  // namespace

TForm1::TForm1(std::unique_ptr<UiServices> services, QWidget* parent)
    : QWidget(parent),
      services_(services ? std::move(services) : std::make_unique<QtUiServices>()) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Quervik"));
  // Debian's fonts-wine brings a free Tahoma (not registered with
  // fontconfig); without it a face of about its width stands in, so that the
  // texts fit the places they were laid out for.
  static const bool kTahomaLoaded =
      QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf")) >= 0;
  (void)kTahomaLoaded;
  QFont::insertSubstitutions(
      QStringLiteral("Tahoma"),
      {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"), QStringLiteral("Arial"),
       QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica")});
  QFont font(QStringLiteral("Tahoma"));
  font.setPixelSize(11);
  setFont(font);
  resize(kClientWidth, kClientHeight);
  ImageList1 = MakeImageList1();

  createToolBar();
  createFields();
  createTransformationPanel();
  createPaintBox();
  createStatusBar();
  connectHandlers();
  setTabOrders();
  createViewCommands();

  // The wheel belongs to the window as a whole, whatever control is under
  // the mouse or has the focus.
  qApp->installEventFilter(this);
  Edit1->setFocus();
}

TForm1::~TForm1() {
  // Children die after the document; let none of their last events (a
  // field losing the focus as it goes) reach a handler.
  tearingDown_ = true;
  if (qApp != nullptr) qApp->removeEventFilter(this);
  SetCursor(AppCursor::Arrow);
  const auto children = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  for (QWidget* child : children) delete child;
}

// --- layout ---

QToolButton* TForm1::addToolButton(const char* name, const QIcon& icon, const QString& hint) {
  auto* b = new QToolButton(ToolBar1);
  b->setObjectName(QString::fromLatin1(name));
  b->setFixedSize(25, 25);
  b->setIconSize(QSize(16, 16));
  b->setAutoRaise(true);
  b->setFocusPolicy(Qt::NoFocus);
  b->setIcon(icon);
  if (!hint.isEmpty()) b->setToolTip(hint);
  ToolBar1->addWidget(b);
  return b;
}

QWidget* TForm1::addToolSeparator(const char* name) {
  auto* separator = new QFrame(ToolBar1);
  separator->setObjectName(QString::fromLatin1(name));
  separator->setFrameShape(QFrame::VLine);
  separator->setFrameShadow(QFrame::Sunken);
  separator->setFixedSize(8, 25);
  separator->setFocusPolicy(Qt::NoFocus);
  ToolBar1->addWidget(separator);
  return separator;
}

void TForm1::createToolBar() {
  ToolBar1 = new QToolBar(this);
  ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
  auto* style = new ToolBarStyle;
  style->setParent(ToolBar1);
  ToolBar1->setStyle(style);
  ToolBar1->setMovable(false);
  ToolBar1->setFloatable(false);
  ToolBar1->setIconSize(QSize(16, 16));
  ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
  ToolBar1->setFocusPolicy(Qt::NoFocus);
  ToolBar1->setGeometry(0, 0, kClientWidth, kToolBarHeight);

  // Its picture index 9 lies beyond the list: ToolButton8 shows none.
  auto button = [this](const char* name, int picture, const QString& hint) {
    const bool shown = picture >= 0 && picture < static_cast<int>(ImageList1.size());
    return addToolButton(name, shown ? ImageList1[static_cast<size_t>(picture)] : QIcon(), hint);
  };
  ToolButton1 = button("ToolButton1", 0, QStringLiteral("OBJ File lesen"));
  ToolButtonRechnen = button("ToolButtonRechnen", 1, QStringLiteral("Flächen schneiden"));
  ToolButton2 = button("ToolButton2", 5, QStringLiteral("Distanz messen"));
  ToolButton2->setCheckable(true);
  ToolButton3 = button("ToolButton3", 2, QStringLiteral("DXF von Schnittlinie erzeugen"));
  ToolButton4 = button("ToolButton4", 3, QStringLiteral("Datei als DXF ausgeben"));
  ToolButton5 = button("ToolButton5", 4, QStringLiteral("Serie von Schnittlinien erzeugen"));

  ToolButton7 = addToolSeparator("ToolButton7");

  ToolButton6 = button("ToolButton6", 8, QStringLiteral("Kanten finden"));
  ToolButton8 = button("ToolButton8", -1, {});
  createFeatureButtons();
}

void TForm1::createFields() {
  Label1 = MakeLabel(this, "Label1", QStringLiteral("Wavefront OBJ-Datei"), {8, 34, 103, 13});
  Edit1 = MakeEdit(this, "Edit1", {}, {8, 53, 353, 21}, QStringLiteral("Obj Dateipfad"));
  Label2 = MakeLabel(this, "Label2", QStringLiteral("Schnitt bei Höhe"), {8, 80, 78, 13});
  Label4 = MakeLabel(this, "Label4", QStringLiteral("Kante °"), {178, 80, 36, 13});
  LabelDeltaH = MakeLabel(this, "LabelDeltaH", QStringLiteral("Delta H"), {228, 80, 35, 13});
  Label3 = MakeLabel(this, "Label3", QStringLiteral("Maßstabsfaktor"), {285, 80, 75, 13});
  EditLevel =
      MakeEdit(this, "EditLevel", {}, {8, 99, 102, 21}, QStringLiteral("Höhe der Schnittlinie"));
  EditKantenwinkel = MakeEdit(this, "EditKantenwinkel", QStringLiteral("85"), {178, 99, 25, 21});

  UpDown1 = new UpDown(this);
  UpDown1->setObjectName(QStringLiteral("UpDown1"));
  UpDown1->setRange(0, 90);
  UpDown1->setPosition(20);
  UpDown1->setGeometry(197, 99, 17, 21);

  EditDeltaH = MakeEdit(this, "EditDeltaH", QStringLiteral("1"), {218, 99, 61, 21});
  EditMasstab = MakeEdit(this, "EditMasstab", QStringLiteral("1"), {285, 99, 84, 21});

  TrackBar1 = new QSlider(Qt::Horizontal, this);
  TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
  TrackBar1->setRange(0, 695);
  TrackBar1->setValue(0);
  TrackBar1->setSingleStep(1);
  TrackBar1->setPageStep(1);
  TrackBar1->setTickPosition(QSlider::TicksBothSides);
  TrackBar1->setTickInterval(10);
  TrackBar1->setToolTip(QStringLiteral("Schnitthöhenschieber"));
  TrackBar1->setGeometry(8, 126, 350, 22);

  Label8 = MakeLabel(this, "Label8", QStringLiteral("Masse m3"), {267, 154, 47, 13});
  EditMasse = MakeEdit(this, "EditMasse", {}, {267, 173, 102, 21});
  createExactVolumeFields();
}

void TForm1::createTransformationPanel() {
  Panel1 = new QGroupBox(QStringLiteral("3D Transformation"), this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setGeometry(375, 33, 302, 161);
  Label5 = MakeLabel(
      Panel1, "Label5",
      QStringLiteral("d X") + Blanks(31) + QStringLiteral("dY") + Blanks(31) + QStringLiteral("dZ"),
      {32, 19, 225, 13});
  EditdX = MakeEdit(Panel1, "EditdX", QStringLiteral("0"), {8, 34, 75, 21});
  EditdY = MakeEdit(Panel1, "EditdY", QStringLiteral("0"), {114, 34, 75, 21});
  EditdZ = MakeEdit(Panel1, "EditdZ", QStringLiteral("0"), {220, 34, 75, 21});
  Label6 = MakeLabel(Panel1, "Label6",
                     QStringLiteral("  rX °") + Blanks(29) + QStringLiteral("rY °") + Blanks(28) +
                         QStringLiteral("rZ°"),
                     {32, 61, 228, 13});
  Editrx = MakeEdit(Panel1, "Editrx", QStringLiteral("0"), {8, 80, 75, 21});
  Editry = MakeEdit(Panel1, "Editry", QStringLiteral("0"), {114, 80, 75, 21});
  Editrz = MakeEdit(Panel1, "Editrz", QStringLiteral("0"), {220, 80, 75, 21});
  Label7 = MakeLabel(Panel1, "Label7", QStringLiteral("Maßstab"), {16, 111, 41, 13});
  Editm = MakeEdit(Panel1, "Editm", QStringLiteral("1"), {8, 130, 75, 21});
  ButtonTrafo = new QPushButton(QStringLiteral("Transformieren"), Panel1);
  ButtonTrafo->setObjectName(QStringLiteral("ButtonTrafo"));
  ButtonTrafo->setGeometry(104, 128, 100, 25);
}

void TForm1::createPaintBox() {
  PaintBox1 = new PaintBox(this);
  PaintBox1->setObjectName(QStringLiteral("PaintBox1"));
  PaintBox1->setGeometry(kPaintBoxPlace);
  PaintBox1->lower();  // grown by a draw, it lies under the other controls
  rememberPaintBoxAnchors();
}

void TForm1::createStatusBar() {
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setGeometry(0, kClientHeight - kStatusBarHeight, kClientWidth, kStatusBarHeight);
  // The drawing may reach under the bar; the bar stays readable on top of it.
  StatusBar1->setAutoFillBackground(true);
  createProgressWidgets();
}

void TForm1::connectHandlers() {
  connect(ToolButton1, &QToolButton::clicked, this, [this] { ToolButton1Click(); });
  connect(ToolButtonRechnen, &QToolButton::clicked, this, [this] { ToolButtonRechnenClick(); });
  connect(ToolButton2, &QToolButton::clicked, this, [this] { ToolButton2Click(); });
  connect(ToolButton3, &QToolButton::clicked, this, [this] { ToolButton3Click(); });
  connect(ToolButton4, &QToolButton::clicked, this, [this] { ToolButton4Click(); });
  connect(ToolButton5, &QToolButton::clicked, this, [this] { ToolButton5Click(); });
  connect(ToolButton6, &QToolButton::clicked, this, [this] { ToolButton6Click(); });
  connect(ButtonTrafo, &QPushButton::clicked, this, [this] { ButtonTrafoClick(); });
  connect(UpDown1, &UpDown::Changing, this, [this] { UpDown1Changing(); });
  connect(TrackBar1, &QSlider::valueChanged, this,
          [this] { RunFromSignal([this] { TrackBar1Change(); }); });
  connect(TrackBar1, &QSlider::sliderMoved, this, [this] { showSliderTip(); });
  connect(TrackBar1, &QSlider::sliderReleased, this, [] { QToolTip::hideText(); });
  connect(PaintBox1, &PaintBox::MouseDown, this,
          [this](Qt::MouseButton b, int x, int y) { PaintBox1MouseDown(b, x, y); });
  connect(PaintBox1, &PaintBox::MouseMove, this,
          [this](Qt::MouseButtons b, int x, int y) { PaintBox1MouseMove(b, x, y); });
  connect(PaintBox1, &PaintBox::MouseUp, this,
          [this](Qt::MouseButton b, int x, int y) { PaintBox1MouseUp(b, x, y); });
  // The focus leaving EditLevel, EditMasse and EditMasstab is seen by the
  // application-wide filter (eventFilter), which also takes the wheel.
  connectFeatureHandlers();
}

void TForm1::setTabOrders() {
  // Controls that take no focus (the tool bar, the panel, the up-down) are
  // passed over.
  QWidget* const order[] = {Edit1,       EditLevel, EditMasstab, EditdX,           EditdY,
                            EditdZ,      Editrx,    Editry,      Editrz,           Editm,
                            ButtonTrafo, TrackBar1, EditDeltaH,  EditKantenwinkel, EditMasse};
  for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
}

void TForm1::rememberPaintBoxAnchors() {
  const QRect g = PaintBox1->geometry();
  paintRightGap_ = width() - (g.x() + g.width());
  paintBottomGap_ = height() - (g.y() + g.height());
}

void TForm1::placeAnchored() {
  const int w = width();
  const int h = height();
  ToolBar1->setGeometry(0, 0, w, kToolBarHeight);
  StatusBar1->setGeometry(0, h - kStatusBarHeight, w, kStatusBarHeight);
  const QRect g = PaintBox1->geometry();
  PaintBox1->setGeometry(g.x(), g.y(), std::max(0, w - paintRightGap_ - g.x()),
                         std::max(0, h - paintBottomGap_ - g.y()));
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  placeAnchored();
}

void TForm1::showSliderTip() {
  QStyleOptionSlider opt;
  opt.initFrom(TrackBar1);
  opt.orientation = TrackBar1->orientation();
  opt.minimum = TrackBar1->minimum();
  opt.maximum = TrackBar1->maximum();
  opt.sliderPosition = TrackBar1->sliderPosition();
  opt.sliderValue = TrackBar1->value();
  opt.tickPosition = TrackBar1->tickPosition();
  opt.tickInterval = TrackBar1->tickInterval();
  opt.subControls = QStyle::SC_SliderHandle;
  const QRect handle = TrackBar1->style()->subControlRect(QStyle::CC_Slider, &opt,
                                                          QStyle::SC_SliderHandle, TrackBar1);
  const QPoint below = TrackBar1->mapToGlobal(QPoint(handle.center().x(), TrackBar1->height()));
  QToolTip::showText(below, SliderTipText(), TrackBar1);
}

// --- events ---

bool TForm1::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate && !tearingDown_) FormActivate();
  return QWidget::event(event);
}

bool TForm1::FocusLeftForReal(QEvent* event) const {
  // The focus went to another control (by key or mouse), not away with the
  // window being deactivated or a popup opening.
  switch (static_cast<QFocusEvent*>(event)->reason()) {
    case Qt::ActiveWindowFocusReason:
    case Qt::PopupFocusReason:
    case Qt::MenuBarFocusReason:
      return false;
    default:
      return true;
  }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (tearingDown_) return QWidget::eventFilter(watched, event);
  if (workDepth_ > 0 && HeldBackWhileBusy(watched, event)) return true;
  if (event->type() == QEvent::Wheel && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == this) {
    WheelSteps(static_cast<QWheelEvent*>(event)->angleDelta().y());
    event->accept();
    return true;
  }
  if (HomeKeyShowsAll(watched, event)) return true;
  if (event->type() == QEvent::ToolTip && watched == TrackBar1) {
    // The hint, and the height the slider stands for.
    QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(),
                       TrackBar1->toolTip() + QStringLiteral(": ") + SliderTipText(), TrackBar1);
    return true;
  }
  if (event->type() == QEvent::FocusOut && FocusLeftForReal(event)) {
    if (watched == EditLevel || watched == EditMasse) {
      EditLevelExit();
    } else if (watched == EditMasstab) {
      EditMasstabExit();
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TForm1::WheelSteps(int angleDelta) {
  // A notched wheel turns 120 per step; a fine one sends parts of that.
  if ((wheelRest_ > 0 && angleDelta < 0) || (wheelRest_ < 0 && angleDelta > 0)) wheelRest_ = 0;
  wheelRest_ += angleDelta;
  while (wheelRest_ >= 120) {
    wheelRest_ -= 120;
    FormMouseWheelUp();
  }
  while (wheelRest_ <= -120) {
    wheelRest_ += 120;
    FormMouseWheelDown();
  }
}

// --- window services ---

void TForm1::ShowStatus(const QString& text, bool repaint) {
  StatusBar1->showMessage(text);
  if (repaint) StatusBar1->repaint();
}

QString TForm1::StatusText() const {
  return StatusBar1->currentMessage();
}

void TForm1::SetCursor(AppCursor cursor) {
  SetAppCursor(cursor);
}

void TForm1::Run(const std::function<void()>& body) {
  if (tearingDown_) return;
  if (handlerDepth_ > 0) {  // called by another handler: its error is the caller's
    body();
    return;
  }
  QString error;
  bool failed = false;
  ++handlerDepth_;
  pending_ = nullptr;
  try {
    body();
  } catch (const quervik::Error& e) {
    failed = true;
    error = QString::fromUtf8(e.what());
  } catch (const std::bad_alloc&) {
    failed = true;
    error = QStringLiteral("Zu wenig Arbeitsspeicher");
  } catch (const std::exception& e) {
    failed = true;
    error = QString::fromLocal8Bit(e.what());
  } catch (...) {
    failed = true;
    error = QStringLiteral("Unbekannter Fehler");
  }
  --handlerDepth_;
  pending_ = nullptr;
  if (failed) {
    SetCursor(AppCursor::Arrow);
    services_->ShowError(this, error);
  }
}

void TForm1::RunFromSignal(const std::function<void()>& body) {
  if (handlerDepth_ == 0) {
    Run(body);
    return;
  }
  // Inside another handler the error must not unwind through Qt's signal
  // code: keep it until the handler that emitted the signal rethrows it.
  try {
    body();
  } catch (...) {
    if (!pending_) pending_ = std::current_exception();
  }
}

void TForm1::RethrowPending() {
  if (pending_) {
    std::exception_ptr e = pending_;
    pending_ = nullptr;
    std::rethrow_exception(e);
  }
}
