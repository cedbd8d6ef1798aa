#include "ui/app_cursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace {
// Whether the override cursor on Qt's stack is ours; we push at most one.
bool ownOverride = false;
}  // namespace

void SetAppCursor(AppCursor cursor) {
  if (cursor == AppCursor::Arrow) {
    if (ownOverride && QGuiApplication::overrideCursor() != nullptr) {
      QGuiApplication::restoreOverrideCursor();
    }
    ownOverride = false;
    return;
  }
  const QCursor shape(cursor == AppCursor::Wait ? Qt::WaitCursor : Qt::CrossCursor);
  if (ownOverride && QGuiApplication::overrideCursor() != nullptr) {
    QGuiApplication::changeOverrideCursor(shape);
  } else {
    QGuiApplication::setOverrideCursor(shape);
    ownOverride = true;
  }
}

AppCursor CurrentAppCursor() {
  const QCursor* c = ownOverride ? QGuiApplication::overrideCursor() : nullptr;
  if (c == nullptr) return AppCursor::Arrow;
  return c->shape() == Qt::WaitCursor ? AppCursor::Wait : AppCursor::Cross;
}
