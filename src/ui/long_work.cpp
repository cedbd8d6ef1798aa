// Long work in the window: a progress bar and a cancel button in the status
// bar while a load or an export runs, and Esc to stop it.
//
// The work runs on the window's own thread, as every command does; the core
// reports through a ProgressFn on that thread. Each report moves the bar
// and, at the first report and then every few dozen milliseconds, lets the
// window take in its pending events: paints, the bar's and the status line's
// repaints, and the user's input. Input is held back by the application-wide
// filter (TForm1::eventFilter) while work runs, except Esc and a click on
// "Abbrechen"; so no other command can start in the middle of the work, and
// the only effect of the user is the cancel request, which the report that
// let the event in answers by throwing Cancelled.
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>

#include "ui/UnitMaintest.h"

namespace {

// How long the window may go without taking in its events while work runs.
constexpr qint64 kEventsEveryMs = 40;
// The bar counts in thousandths.
constexpr int kBarSteps = 1000;

}  // namespace

void TForm1::createProgressWidgets() {
  ProgressBar1 = new QProgressBar(StatusBar1);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setFixedSize(150, 15);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setFocusPolicy(Qt::NoFocus);
  ButtonAbbrechen = new QPushButton(QStringLiteral("Abbrechen"), StatusBar1);
  ButtonAbbrechen->setObjectName(QStringLiteral("ButtonAbbrechen"));
  ButtonAbbrechen->setToolTip(QStringLiteral("Abbrechen (Esc)"));
  ButtonAbbrechen->setFixedHeight(17);
  ButtonAbbrechen->setFocusPolicy(Qt::NoFocus);
  // Left of any other permanent field of the bar; both only while work runs.
  StatusBar1->insertPermanentWidget(0, ProgressBar1);
  StatusBar1->insertPermanentWidget(1, ButtonAbbrechen);
  ProgressBar1->hide();
  ButtonAbbrechen->hide();
  connect(ButtonAbbrechen, &QPushButton::clicked, this, [this] { cancelRequested_ = true; });
}

bool TForm1::LongWork(const std::function<void(const quervik::ProgressFn&)>& work,
                      const QString& cancelledText) {
  const bool outermost = workDepth_ == 0;
  if (outermost) {
    cancelRequested_ = false;
    eventsLetIn_ = false;
    ProgressBar1->setRange(0, 0);  // busy, until the first report tells how far
    ProgressBar1->reset();
    ProgressBar1->show();
    ButtonAbbrechen->show();
    StatusBar1->repaint();
  }
  // Ends the work's share of the window, however it ends.
  struct Ending {
    TForm1* form;
    bool outermost;
    ~Ending() {
      --form->workDepth_;
      if (!outermost) return;
      form->ProgressBar1->hide();
      form->ButtonAbbrechen->hide();
      if (form->closeRequested_) {
        form->closeRequested_ = false;
        QTimer::singleShot(0, form, [f = form] { f->close(); });
      }
    }
  };
  ++workDepth_;
  const Ending ending{this, outermost};
  const quervik::ProgressFn progress = [this](std::size_t done, std::size_t total) {
    Progress(done, total);
  };
  try {
    work(progress);
  } catch (const quervik::Cancelled&) {
    SetCursor(AppCursor::Arrow);
    ShowStatus(cancelledText, true);
    return false;
  }
  return true;
}

void TForm1::Progress(std::size_t done, std::size_t total) {
  if (cancelRequested_) throw quervik::Cancelled();
  if (ProgressBar1->maximum() != kBarSteps) ProgressBar1->setRange(0, kBarSteps);
  const double part =
      total == 0 ? 0 : static_cast<double>(std::min(done, total)) / static_cast<double>(total);
  const int steps = static_cast<int>(part * kBarSteps);
  if (ProgressBar1->value() != steps) ProgressBar1->setValue(steps);
  if (!eventsLetIn_ || eventsClock_.elapsed() >= kEventsEveryMs) {
    eventsLetIn_ = true;
    QCoreApplication::processEvents();
    eventsClock_.restart();
  }
  if (cancelRequested_) throw quervik::Cancelled();
}

bool TForm1::HeldBackWhileBusy(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
      if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) cancelRequested_ = true;
      return true;
    case QEvent::ShortcutOverride:
      // Taken as a plain key press, which is held back: no shortcut fires.
      event->accept();
      return true;
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
      return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
      // The platform window passes the mouse on to the widget under it,
      // where it is judged.
      if (!watched->isWidgetType()) return false;
      return watched != ButtonAbbrechen;
    case QEvent::Close:
      // Closing the window stops the work; the window closes after it.
      if (watched != this) return false;
      cancelRequested_ = true;
      closeRequested_ = true;
      event->ignore();
      return true;
    default:
      return false;
  }
}
