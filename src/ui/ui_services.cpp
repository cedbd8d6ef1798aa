#include "ui/ui_services.h"

#include <QFileDialog>
#include <QMessageBox>

std::optional<QString> QtUiServices::OpenObjFile(QWidget* parent) {
  QFileDialog dialog(parent);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setNameFilters(
      {QStringLiteral("Dreiecksnetze (*.obj *.ply *.stl)"), QStringLiteral("OBJ (*.obj)")});
  dialog.setDefaultSuffix(QStringLiteral("obj"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

void QtUiServices::ShowError(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Quervik"), text, QMessageBox::Ok, parent);
  box.exec();
}

void QtUiServices::ShowWarning(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Quervik"), text, QMessageBox::Ok, parent);
  box.exec();
}
